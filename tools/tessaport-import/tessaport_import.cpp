// tessaport-import: the import of Import > Begin Import without a window, for many
// securities at once and for scripts.

#include "merge_command.h"
#include "import_check.h"
#include "import/output_names.h"
#include "terminal_progress.h"

#include "export/output_format.h"
#include "import/date_text.h"
#include "import/import_job.h"
#include "omega/data_library.h"
#include "omega/omega_date.h"
#include "omega/security_table.h"
#include "omega/security_text.h"
#include "omega/windows1252.h"
#include "platform/native/shown_text.h"
#include "sheet/sheet_errors.h"
#include "sheet/sheet_output.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "Usage:\n"
    "  tessaport-import --data DIR [OPTIONS] -o FILE SYMBOL\n"
    "  tessaport-import --data DIR [OPTIONS] --out-dir DIR SYMBOL...\n"
    "  tessaport-import --data DIR [OPTIONS] --out-dir DIR --all\n"
    "  tessaport-import --data DIR [OPTIONS] --merge SHAPE -o FILE (SYMBOL... | --all)\n"
    "  tessaport-import --help\n";

constexpr char kHelp[] =
    "\n"
    "Imports the price history of securities from the database in DIR into pattern\n"
    "files, with the same rows and bytes as Import > Begin Import in Tessaport, or into\n"
    "xlsx or CSV files; with --merge, several securities into one file.\n"
    "\n"
    "  --data DIR        the database folder (the one holding master.omg)\n"
    "  --from DATE       first date to import (default: the first date held)\n"
    "  --to DATE         last date to import (default: the last date held)\n"
    "  --open-interest   add the open interest column\n"
    "  --keep-invalid    also write records with a missing price (the price as \"*\")\n"
    "  --format FORMAT   wk1 (default), biff2, biff3, biff4, xlsx or csv\n"
    "  --csv-raw-text    csv: write a text cell that begins with =, +, -, @, a tab or a\n"
    "                    carriage return as it is (by default it gets a leading ', so\n"
    "                    that spreadsheets read it as text and never as a formula)\n"
    "  -o FILE           write the one SYMBOL, or the merge, into FILE\n"
    "  --out-dir DIR     write one file per security into DIR (made if missing), named\n"
    "                    after its symbol with the extension .pat (.xlsx, .csv); a\n"
    "                    character a file name cannot hold is written as %XX, and a\n"
    "                    name another security of the run took (symbols that differ\n"
    "                    only in case) gets ~2; a symbolic link there is refused\n"
    "  --all             every security of the database\n"
    "  --merge SHAPE     all the securities in one file -o FILE, in one of two shapes:\n"
    "                    wide  one row per date, \"Date\" then SYMBOL_Open and so on for\n"
    "                          each security; empty cells where one has no record\n"
    "                    long  the columns Date,Symbol,Open,High,Low,Close,Volume, one\n"
    "                          security after another, dates ascending within each\n"
    "  --common-dates    wide: only the dates that every security holds\n"
    "  --fields LIST     the fields of a merge, from open,high,low,close,volume,oi\n"
    "                    (default: all but oi; with --open-interest, all)\n"
    "  --check           also check the rows written for faults in the data (bad ticks,\n"
    "                    unadjusted splits, gaps, a high below the low, ...; omegadb\n"
    "                    --help lists the checks and their thresholds) and report each\n"
    "                    finding with its row on standard error, with counts per kind\n"
    "                    and per security at the end; the files are the same bytes\n"
    "                    and findings do not change the exit status (not with --merge)\n"
    "  -q, --quiet       no progress and no summary on standard error\n"
    "  --verbose         a line per security on standard error also when it is no\n"
    "                    terminal\n"
    "\n"
    "On a terminal, the progress of several securities is one line: which of how\n"
    "many, and a bar for the whole run. The run ends with a summary line on standard\n"
    "error: files and rows written, securities left out and the seconds taken.\n"
    "\n"
    "Dates are written in the system's short date format, with a two-digit (1930 to\n"
    "2029) or four-digit year, or as YYYY-MM-DD.\n"
    "In xlsx and CSV files, prices are the shortest decimals that read back as the\n"
    "stored values, dates are dates (yyyy-mm-dd) and a missing price is an empty cell.\n"
    "WK1 and BIFF files hold 256 columns and 65,535 data rows (BIFF 65,534), xlsx\n"
    "16,384 columns and 1,048,575 rows; a merge that does not fit is refused before\n"
    "anything is written.\n"
    "A security that fails is reported on one line, and the others go on; in a merge\n"
    "the others are merged without it. A damaged data file (a record out of date order\n"
    "or without a calendar date, a torn last record) is read in file order past the\n"
    "damage, its records written, and reported on one line; the exit status is then 1.\n"
    "Exit status: 0 all imported, 1 any failed, 2 bad usage.\n";

struct Options {
    QString dataDir;
    std::optional<int32_t> from;
    std::optional<int32_t> to;
    bool openInterest = false;
    bool keepInvalid = false;
    int16_t fileType = kSheetWk1;
    QString outputFile;
    QString outputDir;
    bool all = false;
    bool check = false;
    bool quiet = false;
    bool verbose = false;
    QStringList symbols;
    MergeOptions merge;
};

struct CommandLine {
    Options options;
    bool help = false;
    QString error;  // a usage error
};

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption data("data", {}, "DIR");
    const QCommandLineOption from("from", {}, "DATE");
    const QCommandLineOption to("to", {}, "DATE");
    const QCommandLineOption openInterest("open-interest");
    const QCommandLineOption keepInvalid("keep-invalid");
    const QCommandLineOption format("format", {}, "FORMAT");
    const QCommandLineOption output("o", {}, "FILE");
    const QCommandLineOption outputDir("out-dir", {}, "DIR");
    const QCommandLineOption all("all");
    const QCommandLineOption check("check");
    const QCommandLineOption quiet(QStringList{"q", "quiet"});
    const QCommandLineOption verbose("verbose");
    const QCommandLineOption csvRawText("csv-raw-text");
    parser.addOptions({help, data, from, to, openInterest, keepInvalid, format, output, outputDir, all, check, quiet,
                       verbose, csvRawText});
    const MergeCommandLine mergeLine(parser);

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.error = parser.errorText();
        return line;
    }
    if (parser.isSet(help)) {
        line.help = true;
        return line;
    }
    Options& options = line.options;
    options.dataDir = parser.value(data);
    options.openInterest = parser.isSet(openInterest);
    options.keepInvalid = parser.isSet(keepInvalid);
    options.outputFile = parser.value(output);
    options.outputDir = parser.value(outputDir);
    options.all = parser.isSet(all);
    options.check = parser.isSet(check);
    options.quiet = parser.isSet(quiet);
    options.verbose = parser.isSet(verbose);
    options.symbols = parser.positionalArguments();

    auto fail = [&line](const QString& error) {
        line.error = error;
        return line;
    };
    if (options.dataDir.isEmpty())
        return fail("--data DIR is missing");
    for (const auto& [option, day] : {std::pair{&from, &options.from}, std::pair{&to, &options.to}}) {
        if (!parser.isSet(*option))
            continue;
        *day = DateTextToSerial(parser.value(*option));
        if (!*day)
            return fail(QStringLiteral("--%1: \"%2\" is not a date; dates read: %3")
                            .arg(option->names().first(), parser.value(*option), DateFormsText()));
    }
    if (options.from && options.to && *options.from > *options.to)
        return fail("--from is later than --to");
    if (options.quiet && options.verbose)
        return fail("--quiet and --verbose contradict each other");
    if (parser.isSet(format)) {
        // In the order of the output formats' numbers.
        const QStringList formats = {"wk1", "biff2", "biff3", "biff4", "xlsx", "csv"};
        const qsizetype index = formats.indexOf(parser.value(format).toLower());
        if (index < 0)
            return fail(QStringLiteral("--format: \"%1\" is none of wk1, biff2, biff3, biff4, xlsx, csv")
                            .arg(parser.value(format)));
        options.fileType = static_cast<int16_t>(kSheetWk1 + index);
    }
    if (parser.isSet(csvRawText)) {
        if (options.fileType != kOutputCsv)
            return fail("--csv-raw-text goes with --format csv");
        options.fileType = kOutputCsvRawText;
    }
    if (const QString error = mergeLine.Read(parser, options.openInterest, options.merge); !error.isEmpty())
        return fail(error);
    if (options.merge.shape) {
        if (options.check)
            return fail("--check checks the files of single securities; leave it out of a --merge");
        if (!parser.isSet(output) || parser.isSet(outputDir))
            return fail("--merge writes one file: give -o FILE (and no --out-dir)");
        if (options.all == !options.symbols.isEmpty())
            return fail("--merge takes either SYMBOL... or --all");
        if (options.outputFile.isEmpty())
            return fail("the output name is empty");
        return line;
    }
    if (parser.isSet(output) == parser.isSet(outputDir))
        return fail("give either -o FILE or --out-dir DIR");
    if (parser.isSet(output) && (options.all || options.symbols.size() != 1))
        return fail("-o FILE takes exactly one SYMBOL");
    if (parser.isSet(outputDir) && options.all == !options.symbols.isEmpty())
        return fail("--out-dir DIR takes either SYMBOL... or --all");
    if (options.outputFile.isEmpty() && options.outputDir.isEmpty())
        return fail("the output name is empty");
    return line;
}

// A security to import: its symbol as typed or as the database holds it.
struct Target {
    QString name;  // as typed, or as held; for messages
    std::optional<QByteArray> symbol;  // nothing when the code page cannot hold it
};

void Report(const QString& text)
{
    std::fprintf(stderr, "tessaport-import: %s\n", native::ShownUtf8(text.toUtf8().toStdString()).c_str());
}

// Reports each data file that the library read past its damage; true when there was one.
bool ReportDamage(const omega::DataLibrary& library)
{
    const std::vector<omega::DataDamage> damage = library.TakeDamage();
    for (const omega::DataDamage& file : damage) {
        QStringList what;
        if (file.flags & QV2OMG_DAMAGE_ORDER)
            what << QStringLiteral("its record %1 holds no calendar date or is not dated after the one before; the "
                                   "records were read in file order past it")
                        .arg(file.firstOutOfOrder);
        if (file.flags & QV2OMG_DAMAGE_SIZE)
            what << QStringLiteral("its size disagrees with its record count (a torn or cut file); its complete "
                                   "records were read");
        Report(omega::DecodeWindows1252(file.symbol) + QStringLiteral(": the data file is damaged: ")
               + what.join(QStringLiteral("; ")));
    }
    return !damage.empty();
}

// How one security's import is followed on the terminal.
struct Follow {
    std::function<void(const std::string& name, int32_t estimate)> start;
    std::function<void(int32_t recordsRead)> update;
    std::function<void(int32_t rows)> finish;
};

// What one run has written to: each security once, each into a file of its own.
struct RunState {
    OutputNames names;
    QSet<QByteArray> imported;  // symbols as held
};

// Imports one security, adding its rows to `rows`; the reason when it fails.
std::optional<QString> ImportSecurity(const omega::DataLibrary& library, const Options& options, const Target& target,
                                      const Follow& follow, ImportCheck* check, RunState& run, int64_t& rows)
{
    ImportRequest request;
    if (std::optional<QString> failure =
            PrepareImport(library, options.dataDir, target.symbol, options.from, options.to, request))
        return failure;
    if (run.imported.contains(request.symbol)) {
        Report(target.name + QStringLiteral(": given more than once; imported once"));
        return std::nullopt;
    }
    run.imported.insert(request.symbol);
    request.openInterest = options.openInterest;
    request.fileType = options.fileType;
    QString path = options.outputFile;
    if (!options.outputDir.isEmpty()) {
        const QString extension = QString::fromStdString(FormatExtension(options.fileType));
        const QString usual = SymbolFileName(request.symbol) + extension;
        const QString fileName = run.names.Take(SymbolFileName(request.symbol), extension);
        if (fileName != usual)
            Report(QStringLiteral("%1: %2 is taken by another security of this run (symbols that differ only in "
                                  "letter case); written to %3")
                       .arg(target.name, usual, fileName));
        path = QDir(options.outputDir).filePath(fileName);
        // Only a link named with -o is followed.
        if (OutputNames::IsLink(path))
            return QStringLiteral("%1 is a symbolic link; --out-dir does not write through links (remove it, or "
                                  "name it with -o)")
                .arg(path);
    }
    request.patternFile = QFile::encodeName(path).toStdString();

    const std::string name = native::ShownUtf8(target.name.toUtf8().toStdString());
    ImportHooks hooks;
    hooks.started = [&](int32_t estimate) { follow.start(name, estimate); };
    hooks.progress = [&](int32_t recordsRead) { follow.update(recordsRead); };
    hooks.skipInvalid = [&] { return !options.keepInvalid; };
    if (check) {
        // The period of the security record sets the thresholds.
        SecurityRecord security{};
        library.SearchSecurity(request.dataDir.constData(), request.symbol.constData(), &security);
        check->Start(name, security.period, options.openInterest);
        hooks.rowWritten = [check](const PriceRecord& record) { check->Row(record); };
    }
    const ImportOutcome outcome = RunImport(library, request, hooks);
    if (outcome.result != kSheetOk) {
        if (check)
            check->Abandon();
        return QStringLiteral("cannot write %1: %2").arg(path, QString::fromStdString(SheetErrorText(outcome.result)));
    }
    rows += outcome.rowsWritten;
    follow.finish(outcome.rowsWritten);
    if (outcome.datesAsText > 0)
        Report(path + QStringLiteral(": ") + DatesAsTextNote(outcome.datesAsText));
    if (check)
        check->Finish();
    return std::nullopt;
}

int RunImports(const Options& options)
{
    omega::DataLibrary& library = omega::TheDataLibrary();
    if (!library.Load()) {
        Report(QStringLiteral("cannot load the data-access library: %1").arg(library.ErrorString()));
        return kExitFailed;
    }
    library.Initialize();
    struct Uninitialize {
        omega::DataLibrary& library;
        ~Uninitialize() { library.Uninitialize(); }
    } uninitialize{library};

    omega::HeaderFile header(options.dataDir);
    if (header.Count() <= 0) {
        Report(QStringLiteral("%1 holds no database (no valid master.omg)").arg(options.dataDir));
        return kExitFailed;
    }
    if (!options.outputDir.isEmpty() && !QDir().mkpath(options.outputDir)) {
        Report(QStringLiteral("cannot make the folder %1").arg(options.outputDir));
        return kExitFailed;
    }
    bool anyFailed = false;
    int64_t refused = 0;  // empty symbols given
    // Each security of --all by the symbol its own entry holds, blanks and case as they are;
    // one at a time, so a header with many entries costs no list of them all.
    const auto forEachTarget = [&](const std::function<void(const Target&)>& take) {
        for (int32_t i = 0; options.all && i < header.Count(); ++i) {
            const QByteArray symbol = header.Symbol(i);
            if (!symbol.isEmpty())
                take({omega::DecodeWindows1252(symbol), symbol});
        }
        for (const QString& symbol : options.symbols) {
            const QString trimmed = omega::TrimBlanks(symbol);
            if (trimmed.isEmpty()) {
                Report(QStringLiteral("an empty symbol names no security"));
                anyFailed = true;
                ++refused;
                continue;
            }
            take({symbol, omega::EncodeWindows1252(trimmed)});
        }
    };

    QElapsedTimer clock;
    clock.start();
    // "3 files, 6000 rows, 0 left out, 0.4 s": the last line of every run, unless quiet.
    auto summarize = [&](int64_t files, int64_t rows, int64_t leftOut) {
        if (options.quiet)
            return;
        std::fprintf(stderr, "tessaport-import: %lld %s, %lld %s, %lld left out, %.1f s\n",
                     static_cast<long long>(files), files == 1 ? "file" : "files", static_cast<long long>(rows),
                     rows == 1 ? "row" : "rows", static_cast<long long>(leftOut),
                     static_cast<double>(clock.elapsed()) / 1000.0);
    };

    if (options.merge.shape) {
        TerminalProgress progress(stderr, options.quiet);
        MergeCommand merge{library, options.dataDir, options.from, options.to, options.keepInvalid, options.fileType,
                           options.outputFile, options.merge};
        forEachTarget([&](const Target& target) { merge.Add(target.name, target.symbol); });
        if (anyFailed && merge.IsEmpty())
            return kExitFailed;
        const bool merged = merge.Run(progress, Report);
        anyFailed = ReportDamage(library) || anyFailed;
        summarize(merge.Written() ? 1 : 0, merge.RowsWritten(), merge.LeftOut() + refused);
        return merged && !anyFailed ? kExitOk : kExitFailed;
    }
    std::optional<ImportCheck> check;
    if (options.check)
        check.emplace(stderr);
    // One security keeps its own bar; several share one line for the whole run. The count
    // is the header's entries (empty ones are passed over) plus the symbols named.
    const int64_t total = (options.all ? static_cast<int64_t>(std::max<int32_t>(header.Count(), 0)) : 0)
        + static_cast<int64_t>(options.symbols.size());
    TerminalProgress single(stderr, options.quiet);
    RunLine line(stderr, static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX)), options.verbose, options.quiet);
    const bool several = total > 1;
    int32_t index = 0;
    Follow follow;
    if (several) {
        follow.start = [&](const std::string& name, int32_t estimate) { line.Begin(index, name, estimate); };
        follow.update = [&](int32_t done) { line.Update(done); };
        follow.finish = [&](int32_t rows) { line.Finish(rows); };
    } else {
        follow.start = [&](const std::string& name, int32_t estimate) { single.Start(name, estimate); };
        follow.update = [&](int32_t done) { single.Update(done); };
        follow.finish = [&](int32_t rows) { single.Finish(rows); };
    }
    int64_t files = 0;
    int64_t rows = 0;
    int64_t leftOut = 0;
    RunState run;
    // The files of --out-dir are made durable and put in place together, some dozens at a time.
    std::optional<SheetOutputBatch> batch;
    if (!options.outputDir.isEmpty())
        batch.emplace();
    forEachTarget([&](const Target& target) {
        const qsizetype before = run.imported.size();
        if (const std::optional<QString> failure = ImportSecurity(library, options, target, follow,
                                                                  check ? &*check : nullptr, run, rows)) {
            single.Abandon();
            line.Clear();
            Report(target.name + QStringLiteral(": ") + *failure);
            ++leftOut;
        } else if (run.imported.size() > before) {  // not a symbol given again
            ++files;
        }
        if (ReportDamage(library)) {
            line.Clear();
            anyFailed = true;
        }
        ++index;
    });
    for (const SheetOutputBatch::Failure& lost : batch ? batch->Commit() : std::vector<SheetOutputBatch::Failure>{}) {
        Report(QStringLiteral("cannot write %1: %2")
                   .arg(QFile::decodeName(QByteArray::fromStdString(lost.path)),
                        QString::fromStdString(SheetErrorText(lost.error))));
        --files, ++leftOut;
    }
    line.Clear();
    if (check)
        check->Summarize();
    summarize(files, rows, leftOut + refused);
    return leftOut > 0 || anyFailed ? kExitFailed : kExitOk;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const CommandLine line = ParseCommandLine(QCoreApplication::arguments());
    if (line.help) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (!line.error.isEmpty()) {
        Report(line.error);
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    return RunImports(line.options);
}
