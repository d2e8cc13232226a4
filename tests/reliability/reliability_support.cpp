#include "reliability_support.h"

#include "qv2omg/data_reader.h"
#include "qv2omg/header_reader.h"

#include <csignal>
#include <cstdlib>

ChildOutcome RunChild(const ChildRun& run)
{
    static const TempFolder folder;  // the child's standard input and output
    // The file size limit and the ignored SIGXFSZ (as a shell may leave it) are the child's alone.
    std::vector<std::string> words{"env"};
    if (run.fileSizeLimit)
        words = {"prlimit", "--fsize=" + std::to_string(*run.fileSizeLimit), "env", "--ignore-signal=XFSZ"};
    words.insert(words.end(), run.environment.begin(), run.environment.end());
    if (run.writeCounter) {
        words.push_back("LD_PRELOAD=" TESSAPORT_WRITE_COUNTER);
        // A sanitizer build wants its runtime first; the counter only passes calls on.
        const char* asan = std::getenv("ASAN_OPTIONS");
        words.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0");
    }
    words.push_back(TESSAPORT_PROGRAM_DIR "/" + run.program);
    words.insert(words.end(), run.arguments.begin(), run.arguments.end());
    std::string command;
    for (const std::string& word : words)
        command += ' ' + ShellWord(word);
    const ProcessRun result = RunShell(folder.Path(), command);
    return {result.exitCode == 128 + SIGKILL, result.exitCode, result.err, result.out};
}

std::vector<qv2omg::PriceRow> DailyRows(int count)
{
    std::vector<qv2omg::PriceRow> rows;
    for (int i = 0; i < count; ++i) {
        const int month = i / 28;
        const auto date = static_cast<uint32_t>((1990 + month / 12) * 10000 + (month % 12 + 1) * 100 + i % 28 + 1);
        const float price = 10.0f + 0.25f * static_cast<float>(i % 400);
        rows.push_back({date, price, price + 1, price - 1, price + 0.5f, 1000 + i, 500 + i});
    }
    return rows;
}

std::vector<std::string> DatabaseContents(const std::filesystem::path& directory)
{
    qv2omg::HeaderReader header;
    if (!header.Open(directory) || !header.IsIntact())
        return {"damaged header file"};
    std::vector<std::string> contents;
    for (uint32_t i = 0; i < header.Count(); ++i) {
        qv2omg::SecurityEntry entry;
        qv2omg::DataReader data;
        if (!header.Read(i, entry) || !data.Open(directory / std::string(qv2omg::FieldText(entry.dataFile)))
            || !data.IsIntact())
            return {"damaged data file of entry " + std::to_string(i)};
        uint32_t read = 0;
        for (qv2omg::PriceRow row; data.Next(row);)
            ++read;
        contents.push_back(std::string(qv2omg::FieldText(entry.symbol)) + " " + std::to_string(read));
    }
    return contents;
}
