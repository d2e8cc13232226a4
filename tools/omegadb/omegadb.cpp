// omegadb: the command-line face of the database format.

#include "platform/native/native_path.h"
#include "platform/native/shown_text.h"
#include "qv2omg/data_reader.h"
#include "qv2omg/database_writer.h"
#include "qv2omg/header_reader.h"
#include "qv2omg/price_csv.h"
#include "quality/check_report.h"
#include "base/trim_blanks.h"
#include "quality/database_check.h"
#include "quality/price_check.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace qv2omg;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "Usage:\n"
    "  omegadb create DIR\n"
    "  omegadb add DIR SYMBOL [--description TEXT] [--category N] [--period N] CSV\n"
    "  omegadb list DIR\n"
    "  omegadb dump DIR SYMBOL [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n"
    "  omegadb check DIR [SYMBOL...] [--csv]\n"
    "  omegadb --help\n";

constexpr char kHelp[] =
    "\n"
    "Creates and inspects databases of the data-access library: a directory with the\n"
    "header file master.omg and one data file per security.\n"
    "\n"
    "  create  makes DIR (and its parents) and an empty database in it.\n"
    "  add     adds SYMBOL (1 to 15 bytes) with the rows of CSV; CSV '-' reads standard\n"
    "          input. --description is up to 30 bytes (default empty); --category and\n"
    "          --period are numbers (default 0; period 0 daily, 1 weekly, 2 monthly).\n"
    "          Put -- before a symbol that begins with --.\n"
    "  list    shows every security: symbol, description, category, period, number of\n"
    "          records, first and last date, data file (tab-separated).\n"
    "  dump    prints the rows of SYMBOL as CSV, optionally only from/to a date (both\n"
    "          included); the output is what add reads.\n"
    "  check   checks the price history of each SYMBOL (every security when none is\n"
    "          given) for the faults listed below and prints one finding per line: a\n"
    "          table, or CSV (Symbol,Date,Kind,Values,Reason) with --csv. Counts per\n"
    "          kind and per security follow the findings (on standard error with\n"
    "          --csv). Exit status 0 when clean, 1 with findings or when a security\n"
    "          cannot be read, 2 on bad usage.\n"
    "\n"
    "CSV: Date,Open,High,Low,Close,Volume[,Open_Interest], one row per line, dates as\n"
    "YYYY-MM-DD in strictly increasing order, an optional header line starting with\n"
    "\"Date\" (the last column may also be named OpenInterest, as older files have it).\n"
    "An empty price is a missing one; an empty volume or open interest is 0; volume\n"
    "and open interest are whole numbers from -2147483648 to 2147483647.\n"
    "With 7 columns the security keeps its open interest and dump prints the column.\n"
    "\n"
    "A failed command changes nothing. Exit status: 0 done, 1 failed, 2 bad usage.\n"
    "\n";

// The words of a command line: positional arguments and "--name value" options.
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
};

// Messages echo arguments and file contents: escaped where they meet the terminal.
int UsageError(const std::string& message)
{
    std::cerr << "omegadb: " << native::ShownUtf8(message) << "\n" << kUsage;
    return kExitUsage;
}

int Failed(const std::string& message)
{
    std::cerr << "omegadb: " << native::ShownUtf8(message) << "\n";
    return kExitFailed;
}

void Warn(const std::string& message)
{
    std::cerr << "omegadb: warning: " << native::ShownUtf8(message) << "\n";
}

// A field of the database (Windows-1252) as the terminal shows it.
std::string Shown(std::string_view field)
{
    return native::ShownWindows1252(field);
}

// A symbol typed in the terminal as the database holds it; nothing when the code page
// cannot hold it (then it names no security).
std::optional<std::string> HeldSymbol(const std::string& typed)
{
    return native::Windows1252FromUtf8(typed);
}

std::string Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Parses argv[first...]; nothing (after reporting) when an option is unknown or lacks its value.
std::optional<Arguments> ParseArguments(int argc, char** argv, int first, const std::vector<std::string>& known,
                                        const std::vector<std::string>& flags)
{
    Arguments arguments;
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (optionsEnded || word == "-" || !word.starts_with("--")) {
            arguments.positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (std::find(flags.begin(), flags.end(), word) != flags.end()) {
            arguments.options[word] = "";
            continue;
        }
        std::string value;
        const size_t equals = word.find('=');
        if (equals != std::string::npos) {
            value = word.substr(equals + 1);
            word.resize(equals);
        }
        if (std::find(known.begin(), known.end(), word) == known.end()) {
            UsageError("unknown option " + word);
            return std::nullopt;
        }
        if (equals == std::string::npos) {
            if (i + 1 == argc) {
                UsageError("option " + word + " needs a value");
                return std::nullopt;
            }
            value = argv[++i];
        }
        arguments.options[word] = value;
    }
    return arguments;
}

std::optional<int16_t> ParseCode(const std::string& text)
{
    int16_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Opens the header file for reading commands; reports and returns false when it cannot.
bool OpenHeader(const std::string& directory, HeaderReader& header)
{
    if (!header.Open(native::PathFromText(directory))) {
        Failed("no readable database in " + directory + " (" + kHeaderFileName + " missing or not a header file)");
        return false;
    }
    if (!header.IsIntact())
        Warn(std::string(kHeaderFileName) + " in " + directory + " is damaged; showing its "
             + std::to_string(header.Count()) + " complete entries");
    return true;
}

bool OpenDataOf(const std::string& directory, const SecurityEntry& entry, DataReader& data)
{
    const std::string_view name = FieldText(entry.dataFile);
    return IsSafeDataFileName(name) && data.Open(native::PathFromText(directory) / name);
}

int Create(const Arguments& arguments)
{
    if (arguments.positional.size() != 1)
        return UsageError("create takes one directory");
    const Status status = CreateDatabase(native::PathFromText(arguments.positional[0]));
    return status.IsOk() ? kExitOk : Failed(status.Message());
}

// " X" and "X " are symbols of their own, but easily taken for X.
void WarnOfLookalikes(const std::string& directory, const std::string& symbol)
{
    HeaderReader header;
    if (!header.Open(native::PathFromText(directory)))
        return;
    const std::string wanted = Trimmed(symbol);
    SecurityEntry entry;
    for (uint32_t i = 0; i < header.Count() && header.Read(i, entry); ++i) {
        const std::string_view held = FieldText(entry.symbol);
        if (held != symbol && SameSymbol(Trimmed(held), wanted))
            Warn("'" + Shown(symbol) + "' differs from the symbol '" + Shown(held)
                 + "' of the database only in blanks or letter case");
    }
}

int Add(const Arguments& arguments)
{
    if (arguments.positional.size() != 3)
        return UsageError("add takes a directory, a symbol and a CSV file");
    SecurityInfo info;
    // The terminal speaks UTF-8, the database Windows-1252.
    const auto held = [](const std::string& text, const char* what, std::string& field) {
        std::string unheld;
        const std::optional<std::string> bytes = native::Windows1252FromUtf8(text, &unheld);
        if (!bytes) {
            Failed(std::string(what) + " '" + text + "' holds '" + unheld
                   + "', which a database (Windows-1252) cannot hold; nothing was changed");
            return false;
        }
        field = *bytes;
        return true;
    };
    if (!held(arguments.positional[1], "the symbol", info.symbol))
        return kExitFailed;
    if (const auto description = arguments.options.find("--description");
        description != arguments.options.end() && !held(description->second, "the description", info.description))
        return kExitFailed;
    for (const auto& [name, value] : arguments.options) {
        if (name == "--description")
            continue;
        const std::optional<int16_t> code = ParseCode(value);
        if (!code)
            return UsageError(name + " needs a whole number from -32768 to 32767, not '" + value + "'");
        if (name == "--period" && (*code < 0 || *code > 2))
            return UsageError("--period is 0 (daily), 1 (weekly) or 2 (monthly), not " + value);
        (name == "--category" ? info.category : info.period) = *code;
    }
    WarnOfLookalikes(arguments.positional[0], info.symbol);

    const std::string& csvName = arguments.positional[2];
    Status status = Status::Ok();
    if (csvName == "-") {
        status = AddSecurityFromCsv(native::PathFromText(arguments.positional[0]), info, std::cin, "<stdin>");
    } else {
        std::ifstream csv(native::PathFromText(csvName), std::ios::binary);
        if (!csv)
            return Failed("cannot open " + csvName);
        status = AddSecurityFromCsv(native::PathFromText(arguments.positional[0]), info, csv, csvName);
    }
    return status.IsOk() ? kExitOk : Failed(status.Message());
}

int List(const Arguments& arguments)
{
    if (arguments.positional.size() != 1)
        return UsageError("list takes one directory");
    const std::string& directory = arguments.positional[0];
    HeaderReader header;
    if (!OpenHeader(directory, header))
        return kExitFailed;
    std::cout << "Symbol\tDescription\tCategory\tPeriod\tRecords\tFirst\tLast\tFile\n";
    for (uint32_t i = 0; i < header.Count(); ++i) {
        SecurityEntry entry;
        if (!header.Read(i, entry))
            return Failed("cannot read " + directory + "/" + kHeaderFileName);
        std::cout << base::ShownSymbol(Shown(FieldText(entry.symbol))) << '\t' << Shown(FieldText(entry.description)) << '\t' << entry.category
                  << '\t' << entry.period << '\t';
        DataReader data;
        uint32_t first = 0;
        uint32_t last = 0;
        if (!OpenDataOf(directory, entry, data))
            std::cout << "missing\t\t";
        else if (!data.Extent(first, last))
            std::cout << data.Count() << "\t\t";
        else
            std::cout << data.Count() << '\t' << FormatIsoDate(first) << '\t' << FormatIsoDate(last);
        std::cout << '\t' << Shown(FieldText(entry.dataFile)) << '\n';
    }
    return kExitOk;
}

int Dump(const Arguments& arguments)
{
    if (arguments.positional.size() != 2)
        return UsageError("dump takes a directory and a symbol");
    int64_t dateKeys[2] = {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
    const char* names[2] = {"--from", "--to"};
    for (int i = 0; i < 2; ++i) {
        const auto option = arguments.options.find(names[i]);
        if (option == arguments.options.end())
            continue;
        const std::optional<uint32_t> date = ParseIsoDate(option->second);
        if (!date)
            return UsageError(std::string(names[i]) + " needs a date YYYY-MM-DD, not '" + option->second + "'");
        dateKeys[i] = *date;
    }
    if (dateKeys[0] > dateKeys[1])
        return UsageError("--from is later than --to");

    const std::string& directory = arguments.positional[0];
    const std::string& symbol = arguments.positional[1];
    HeaderReader header;
    if (!OpenHeader(directory, header))
        return kExitFailed;
    const std::optional<std::string> held = HeldSymbol(symbol);
    const std::optional<uint32_t> index = held ? header.Find(*held) : std::nullopt;
    SecurityEntry entry;
    if (!index || !header.Read(*index, entry))
        return Failed(symbol.empty() ? "an empty symbol names no security" : "no security '" + symbol + "' in " + directory);
    DataReader data;
    if (!OpenDataOf(directory, entry, data))
        return Failed("the data file " + Shown(FieldText(entry.dataFile)) + " of '" + symbol
                      + "' is missing or not a data file");
    if (!data.IsIntact())
        Warn("the data file " + Shown(FieldText(entry.dataFile)) + " is damaged; showing its "
             + std::to_string(data.Count()) + " complete records");

    const bool withOpenInterest = (entry.flags & kHasOpenInterest) != 0;
    std::string out = FormatPriceCsvHeader(withOpenInterest) + "\n";
    data.Restrict(dateKeys[0], dateKeys[1]);
    PriceRow row;
    while (data.Next(row)) {
        out += FormatPriceCsvLine(row, withOpenInterest);
        out += '\n';
        if (out.size() > 1 << 16) {
            std::cout << out;
            out.clear();
        }
    }
    std::cout << out << std::flush;
    if (data.OutOfOrder())
        Warn("the data file " + Shown(FieldText(entry.dataFile)) + " of '" + symbol + "' is damaged: "
             + OutOfOrderText(data) + "; shown in file order past it");
    return std::cout ? kExitOk : Failed("cannot write the output");
}

// Checks every record of one security; false when its data cannot be read.
bool CheckSecurity(const std::string& directory, const SecurityEntry& entry, bool csv,
                   quality::CheckSummary& summary, std::string& out)
{
    // Shown escaped in the table, the CSV and the counts alike: a symbol is text from a file.
    const std::string symbol = Shown(FieldText(entry.symbol));
    DataReader data;
    if (!OpenDataOf(directory, entry, data)) {
        const std::string reason = "the data file " + Shown(FieldText(entry.dataFile))
            + " is missing or not a data file";
        std::cerr << "omegadb: " << symbol << ": " << reason << "; not checked\n";
        summary.Unreadable(symbol, reason);
        return false;
    }
    if (!data.IsIntact())
        Warn("the data file " + Shown(FieldText(entry.dataFile)) + " of " + symbol + " is damaged; checking its "
             + std::to_string(data.Count()) + " complete records");

    auto report = [&](const quality::Finding& finding) {
        if (summary.Total() == 0 && !csv)
            out += quality::TableHeader() + '\n';
        summary.Add(symbol, finding.kind);
        out += csv ? quality::CsvLine(symbol, finding) : quality::TableLine(symbol, finding);
        out += '\n';
        if (out.size() > 1 << 16) {
            std::cout << out;
            out.clear();
        }
    };
    quality::CheckData(data, entry, report);
    summary.Checked();
    return true;
}

int Check(const Arguments& arguments)
{
    if (arguments.positional.empty())
        return UsageError("check takes a directory and optionally symbols");
    const bool csv = arguments.options.contains("--csv");
    const std::string& directory = arguments.positional[0];
    HeaderReader header;
    if (!OpenHeader(directory, header))
        return kExitFailed;

    // The symbols named, or every entry in turn: never a list as long as the header claims.
    std::vector<uint32_t> named;
    std::vector<std::string> missing;
    bool unreadable = false;
    for (size_t i = 1; i < arguments.positional.size(); ++i) {
        const std::optional<std::string> held = HeldSymbol(arguments.positional[i]);
        if (const std::optional<uint32_t> index = held ? header.Find(*held) : std::nullopt) {
            named.push_back(*index);
        } else {
            Failed("no security '" + arguments.positional[i] + "' in " + directory);
            unreadable = true;
            missing.push_back(arguments.positional[i]);
        }
    }
    const bool all = arguments.positional.size() == 1;
    const uint64_t total = all ? header.Count() : named.size();

    quality::CheckSummary summary;
    for (const std::string& symbol : missing)
        summary.Unreadable(symbol, "no such security in " + directory);
    std::string out = csv ? quality::CsvHeader() + '\n' : std::string();
    uint64_t empty = 0;
    for (uint64_t i = 0; i < total; ++i) {
        SecurityEntry entry;
        if (!header.Read(all ? static_cast<uint32_t>(i) : named[static_cast<std::size_t>(i)], entry))
            return Failed("cannot read " + directory + "/" + kHeaderFileName);
        if (FieldText(entry.symbol).empty()) {
            ++empty;
            continue;
        }
        if (!CheckSecurity(directory, entry, csv, summary, out))
            unreadable = true;
    }
    if (empty > 0) {
        Warn(std::to_string(empty) + " entries of " + kHeaderFileName + " are empty (no symbol); not checked");
        unreadable = true;
    }
    if (!csv && summary.Total() > 0)
        out += '\n';
    std::cout << out;
    (csv ? std::cerr : std::cout) << summary.Text() << std::flush;
    if (!std::cout)
        return Failed("cannot write the output");
    return summary.Total() > 0 || unreadable ? kExitFailed : kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    if (argc < 2)
        return UsageError("no command given");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage << kHelp << quality::ChecksHelpText();
        return kExitOk;
    }

    struct Command {
        const char* name;
        int (*run)(const Arguments&);
        std::vector<std::string> options;
        std::vector<std::string> flags;
    };
    const Command commands[] = {
        {"create", Create, {}, {}},
        {"add", Add, {"--description", "--category", "--period"}, {}},
        {"list", List, {}, {}},
        {"dump", Dump, {"--from", "--to"}, {}},
        {"check", Check, {}, {"--csv"}},
    };
    for (const Command& candidate : commands) {
        if (command != candidate.name)
            continue;
        const std::optional<Arguments> arguments = ParseArguments(argc, argv, 2, candidate.options, candidate.flags);
        return arguments ? candidate.run(*arguments) : kExitUsage;
    }
    return UsageError("unknown command '" + command + "'");
}
