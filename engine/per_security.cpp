#include "engine/per_security.h"

#include "base/trim_blanks.h"
#include "base/utf8.h"
#include "sheet/sheet_errors.h"
#include "sheet/sheet_output.h"

#include <filesystem>
#include <map>
#include <system_error>
#include <utility>

namespace engine {

namespace {

// The code points of well-formed UTF-8.
std::u32string CodePoints(const std::string& utf8)
{
    std::u32string points;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t point = length == 1 ? lead : lead & (0x7Fu >> length);
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
            point = point << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        points += point;
        i += length;
    }
    return points;
}

// Letter case folded away for the letters a name can hold: those of the code page.
std::string CaseFolded(const std::string& name)
{
    std::string folded;
    for (char32_t c : CodePoints(name)) {
        if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
            c += 0x20;
        else if (c == 0x160 || c == 0x152 || c == 0x17D)
            c += 1;
        else if (c == 0x178)
            c = 0xFF;
        base::AppendUtf8(folded, c);
    }
    return folded;
}

} // namespace

std::string OutputNames::Take(const std::string& stem, const std::string& extension)
{
    std::string name = stem + extension;
    for (int n = 2; taken_.contains(CaseFolded(name)); ++n)
        name = stem + "~" + std::to_string(n) + extension;
    taken_.insert(CaseFolded(name));
    return name;
}

bool IsLink(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
}

std::string WriteFailureText(const std::string& path, int16_t result)
{
    return "An error has occured while writing the destination file " + path + ": " + SheetErrorText(result) + ".";
}

PerSecurityRun::PerSecurityRun(const DataSource& source, PerSecurityOptions options)
    : source_(source), options_(std::move(options))
{
    if (!options_.fileSystemName)
        options_.fileSystemName = [](const std::string& path) { return path; };
}

std::optional<PlannedFile> PerSecurityRun::Plan(const std::string& name, const std::optional<std::string>& symbol,
                                                const std::function<void(const std::string&)>& note)
{
    PlannedFile file;
    file.name = base::ShownSymbol(name);
    if (const std::optional<std::string> failure =
            PrepareImport(source_, symbol, options_.from, options_.to, file.request)) {
        tally_.leftOut.push_back(file.name + ": " + *failure);
        return std::nullopt;
    }
    if (!given_.insert(file.request.symbol).second) {
        if (note)
            note(file.name + ": given more than once; imported once");
        return std::nullopt;
    }
    file.request.openInterest = options_.openInterest;
    file.request.fileType = options_.format;
    const std::string extension = FormatExtension(options_.format);
    const std::string stem = SymbolFileName(file.request.symbol);
    const std::string fileName = names_.Take(stem, extension);
    if (fileName != stem + extension && note && options_.voice == Voice::Command)
        note(file.name + ": " + stem + extension
             + " is taken by another security of this run (symbols that differ only in letter case); written to "
             + fileName);
    const bool separated = !options_.folder.empty() && (options_.folder.back() == '/' || options_.folder.back() == options_.separator);
    file.path = options_.folder + (separated ? "" : std::string(1, options_.separator)) + fileName;
    file.request.patternFile = options_.fileSystemName(file.path);
    return file;
}

std::optional<std::string> PerSecurityRun::MakeFolder() const
{
    std::error_code error;
    const std::filesystem::path folder(options_.fileSystemName(options_.folder));
    std::filesystem::create_directories(folder, error);
    if (!error && std::filesystem::is_directory(folder, error))
        return std::nullopt;
    return options_.voice == Voice::Window ? "Cannot make the folder " + options_.folder + "."
                                           : "cannot make the folder " + options_.folder;
}

std::optional<std::string> PerSecurityRun::Write(const std::function<std::optional<PlannedFile>()>& next,
                                                 const ImportHooks& baseHooks, const Follow& follow)
{
    const bool window = options_.voice == Voice::Window;
    const auto failureText = [window](const PlannedFile& file, int16_t result) {
        return window ? WriteFailureText(file.path, result) : "cannot write " + file.path + ": " + SheetErrorText(result);
    };
    // The files written are made durable and put in place together, some dozens at a time,
    // also when the run stops early (the file in hand when it stopped was abandoned already).
    SheetOutputBatch batch;
    std::map<std::string, std::pair<PlannedFile, int64_t>> written;  // by destination: the file, its rows
    std::optional<std::string> runFailure;
    while (!interrupted_ && !runFailure) {
        const std::optional<PlannedFile> file = next();
        if (!file)
            break;
        ImportHooks hooks = baseHooks;
        // The file in hand is abandoned when the run is interrupted.
        hooks.keepRowsWhenInterrupted = false;
        ImportOutcome outcome;
        std::optional<std::string> failure;
        if (IsLink(file->request.patternFile)) {
            failure = window ? "Unable to export: " + file->path
                    + " is a symbolic link, which an export into a folder does not write through."
                             : file->path
                    + " is a symbolic link; --out-dir does not write through links (remove it, or name it with -o)";
        } else {
            if (follow.starting)
                follow.starting(*file, hooks);
            outcome = RunImport(source_, file->request, hooks);
            tally_.datesAsText += outcome.datesAsText;
            interrupted_ = outcome.interrupted;
            if (outcome.result != kSheetOk) {
                failure = failureText(*file, outcome.result);
            } else if (!outcome.interrupted) {
                ++tally_.files, tally_.rows += outcome.rowsWritten;
                written.insert_or_assign(file->request.patternFile, std::pair{*file, outcome.rowsWritten});
            }
        }
        if (follow.finished)
            follow.finished(*file, outcome, failure);
        if (failure && window)
            runFailure = failure;
        else if (failure)
            tally_.leftOut.push_back(file->name + ": " + *failure);
    }
    // A file that could not be made durable or put in place is not written after all.
    for (const SheetOutputBatch::Failure& lost : batch.Commit()) {
        const auto found = written.find(lost.path);
        if (found == written.end())
            continue;
        const auto& [file, rows] = found->second;
        --tally_.files, tally_.rows -= rows;
        const std::string failure = failureText(file, lost.error);
        if (window && !runFailure)
            runFailure = failure;
        else if (!window)
            tally_.leftOut.push_back(file.name + ": " + failure);
    }
    return runFailure;
}

} // namespace engine
