// A header file of 32,767 securities, the last of them with 1,000,000 daily records,
// read through the library loaded from the program folder.

#include "omega/data_library.h"
#include "qv2omg/database_writer.h"

#include <benchmark/benchmark.h>

#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kSecurities = 32767;
constexpr int kRecords = 1000000;
const std::string kLastSymbol = "S" + std::to_string(kSecurities - 1);

// One record per calendar day from 1 January 1900 on; about 2,738 years of them.
std::vector<qv2omg::PriceRow> ManyRows()
{
    std::vector<qv2omg::PriceRow> rows(kRecords);
    uint32_t year = 1900, month = 1, day = 1;
    static constexpr uint32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int i = 0; i < kRecords; ++i) {
        const float price = 100.0f + static_cast<float>(i % 1000) / 8;
        rows[i] = {year * 10000 + month * 100 + day, price, price + 1, price - 1, price + 0.5f, i, i / 2};
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        if (++day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    return rows;
}

// Built in a child process, so that the heap it leaves behind cannot hide the reader's
// memory growth here.
void BuildDatabase(const fs::path& directory)
{
    const pid_t child = fork();
    if (child == 0) {
        std::vector<qv2omg::NewSecurity> securities(kSecurities);
        for (int i = 0; i < kSecurities; ++i)
            securities[i].info = {"S" + std::to_string(i), "Security number " + std::to_string(i), 1, 0, false};
        securities.back().rows = ManyRows();
        const qv2omg::Status created = qv2omg::CreateDatabase(directory);
        const qv2omg::Status added = created.IsOk() ? qv2omg::AddSecurities(directory, securities) : created;
        if (!added.IsOk())
            std::fprintf(stderr, "%s\n", added.Message().c_str());
        _exit(added.IsOk() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::exit(1);
}

long ResidentKilobytes()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

struct Setup {
    fs::path directory = fs::temp_directory_path() / ("qv2omg-bench-" + std::to_string(getpid()));
    std::string directoryText = directory.string();
    omega::DataLibrary library;

    Setup()
    {
        BuildDatabase(directory);
        if (!library.Load(QDir(TESSAPORT_PROGRAM_DIR).filePath(omega::DataLibrary::FileName())))
            std::exit(1);
    }
    ~Setup() { fs::remove_all(directory); }
};

Setup& Db()
{
    static Setup setup;
    return setup;
}

int64_t ReadAll(FileContext& context)
{
    PriceRecord record{};
    int64_t count = 0;
    while (Db().library.ReadData(&context, &record, 1) == 1)
        ++count;
    return count;
}

void OpenAndReadHeader(benchmark::State& state)
{
    const omega::DataLibrary& library = Db().library;
    for (auto _ : state) {
        FileContext context{};
        const int32_t count = library.OpenHeaderFile(Db().directoryText.c_str(), &context);
        SecurityRecord record{};
        for (int32_t i = 0; i < count; ++i) {
            library.ReadHeader(&context, i, &record);
            benchmark::DoNotOptimize(record);
        }
        library.CloseHeaderFile(&context);
        if (count != kSecurities)
            state.SkipWithError("wrong count");
    }
}
BENCHMARK(OpenAndReadHeader)->Unit(benchmark::kMillisecond);

void SearchSecurity(benchmark::State& state)
{
    const std::string symbol = state.range(0) ? "s" + kLastSymbol.substr(1) : "NONE";
    for (auto _ : state) {
        SecurityRecord record{};
        const int16_t status = Db().library.SearchSecurity(Db().directoryText.c_str(), symbol.c_str(), &record);
        if ((status == 0) != (state.range(0) == 1))
            state.SkipWithError("wrong search result");
    }
}
BENCHMARK(SearchSecurity)->ArgName("found")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The process's growth while a 1,000,000-record file is read; first, before any other
// read has warmed the heap.
void ReadDataMemory(benchmark::State& state)
{
    const OmegaDate first{1, 1, 0}, last{12, 31, 9999};
    for (auto _ : state) {
        const long before = ResidentKilobytes();
        FileContext context{};
        Db().library.OpenDataFile(Db().directoryText.c_str(), kLastSymbol.c_str(), &first, &last, &context);
        const int64_t count = ReadAll(context);
        state.counters["rss_growth_kB"] = static_cast<double>(ResidentKilobytes() - before);
        Db().library.CloseDataFile(&context);
        if (count != kRecords)
            state.SkipWithError("wrong record count");
    }
}
BENCHMARK(ReadDataMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void ReadData(benchmark::State& state)
{
    const OmegaDate first{1, 1, 0}, last{12, 31, 9999};
    int64_t records = 0;
    for (auto _ : state) {
        FileContext context{};
        Db().library.OpenDataFile(Db().directoryText.c_str(), kLastSymbol.c_str(), &first, &last, &context);
        records += ReadAll(context);
        Db().library.CloseDataFile(&context);
    }
    state.SetItemsProcessed(records);
}
BENCHMARK(ReadData)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // The memory figure must come before anything else has read a data file.
    Db();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
