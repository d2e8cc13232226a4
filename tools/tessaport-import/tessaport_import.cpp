// tessaport-import: the import of Import > Begin Import without a window, for many
// securities at once and for scripts.

#include "terminal_progress.h"

#include "import/date_text.h"
#include "import/import_job.h"
#include "omega/data_library.h"
#include "omega/omega_date.h"
#include "omega/security_table.h"
#include "omega/security_text.h"
#include "omega/windows1252.h"
#include "sheet/sheet_errors.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>

#include <cstdio>
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
    "  tessaport-import --help\n";

constexpr char kHelp[] =
    "\n"
    "Imports the price history of securities from the database in DIR into pattern\n"
    "files, with the same rows and bytes as Import > Begin Import in Tessaport.\n"
    "\n"
    "  --data DIR        the database folder (the one holding master.omg)\n"
    "  --from DATE       first date to import (default: the first date held)\n"
    "  --to DATE         last date to import (default: the last date held)\n"
    "  --open-interest   add the open interest column\n"
    "  --keep-invalid    also write records with a missing price (the price as \"*\")\n"
    "  --format FORMAT   wk1 (default), biff2, biff3 or biff4\n"
    "  -o FILE           write the one SYMBOL into FILE\n"
    "  --out-dir DIR     write one file per security into DIR (made if missing), named\n"
    "                    after its symbol with the extension .pat; a character a file\n"
    "                    name cannot hold is written as %XX\n"
    "  --all             every security of the database\n"
    "\n"
    "Dates are written in the system's short date format, with a two-digit (1930 to\n"
    "2029) or four-digit year, or as YYYY-MM-DD.\n"
    "A security that fails is reported on one line, and the others go on.\n"
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
    QStringList symbols;
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
    parser.addOptions({help, data, from, to, openInterest, keepInvalid, format, output, outputDir, all});

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
            return fail(QStringLiteral("--%1: \"%2\" is not a date")
                            .arg(option->names().first(), parser.value(*option)));
    }
    if (options.from && options.to && *options.from > *options.to)
        return fail("--from is later than --to");
    if (parser.isSet(format)) {
        const QStringList formats = {"wk1", "biff2", "biff3", "biff4"};
        const qsizetype index = formats.indexOf(parser.value(format).toLower());
        if (index < 0)
            return fail(QStringLiteral("--format: \"%1\" is none of wk1, biff2, biff3, biff4")
                            .arg(parser.value(format)));
        options.fileType = static_cast<int16_t>(kSheetWk1 + index);
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

QByteArray TrimBlanks(QByteArray text)
{
    while (text.startsWith(' '))
        text.remove(0, 1);
    while (text.endsWith(' '))
        text.chop(1);
    return text;
}

QString IsoDate(int32_t day)
{
    return QDate(1899, 12, 30).addDays(day).toString(Qt::ISODate);
}

// The symbol as a file name: a character that a file name cannot hold on one of the usual
// systems becomes %XX (its byte), and so does '%', so two symbols never share a name.
QString SafeFileName(const QByteArray& symbol)
{
    static const QByteArray kUnsafe = "/\\:*?\"<>|%";
    QString name;
    for (qsizetype i = 0; i < symbol.size(); ++i) {
        const auto byte = static_cast<unsigned char>(symbol[i]);
        const QString shown = omega::DecodeWindows1252(symbol.mid(i, 1));
        const bool edge = (i == 0 && byte == '.') || (i == symbol.size() - 1 && (byte == '.' || byte == ' '));
        if (!shown[0].isPrint() || kUnsafe.contains(static_cast<char>(byte)) || edge)
            name += QStringLiteral("%%1").arg(byte, 2, 16, QChar(u'0')).toUpper();
        else
            name += shown;
    }
    return name;
}

// Imports one security; the reason when it fails.
std::optional<QString> ImportSecurity(const omega::DataLibrary& library, const Options& options, const Target& target,
                                      TerminalProgress& progress)
{
    const QByteArray dataDir = omega::LibraryPath(options.dataDir);
    SecurityRecord security{};
    if (!target.symbol || library.SearchSecurity(dataDir.constData(), target.symbol->constData(), &security) != 0)
        return QStringLiteral("no such security in %1").arg(options.dataDir);
    DateRange range{};
    if (library.GetDateRange(dataDir.constData(), target.symbol->constData(), &range) != 0 || range.available == 0)
        return QStringLiteral("its data are unavailable (the data file is missing, unreadable or empty)");

    const int32_t dataFirst = omega::OmegaDateToSerial(range.first);
    const int32_t dataLast = omega::OmegaDateToSerial(range.last);
    ImportRequest request;
    request.firstDay = std::max(options.from.value_or(dataFirst), dataFirst);
    request.lastDay = std::min(options.to.value_or(dataLast), dataLast);
    if (request.firstDay > request.lastDay) {
        return QStringLiteral("no data in the dates asked for (it holds %1 to %2)")
            .arg(IsoDate(dataFirst), IsoDate(dataLast));
    }
    request.dataDir = dataDir;
    request.symbol = TrimBlanks(NulToBlanks(QByteArray(security.symbol, sizeof security.symbol)));
    request.openInterest = options.openInterest;
    request.fileType = options.fileType;
    const QString path = options.outputDir.isEmpty()
                             ? options.outputFile
                             : QDir(options.outputDir).filePath(SafeFileName(request.symbol) + QStringLiteral(".pat"));
    request.patternFile = QFile::encodeName(path).toStdString();

    const std::string name = target.name.toLocal8Bit().toStdString();
    ImportHooks hooks;
    hooks.started = [&](int32_t estimate) { progress.Start(name, estimate); };
    hooks.progress = [&](int32_t recordsRead) { progress.Update(recordsRead); };
    hooks.skipInvalid = [&] { return !options.keepInvalid; };
    const ImportOutcome outcome = RunImport(library, request, hooks);
    if (outcome.result != kSheetOk)
        return QStringLiteral("cannot write %1: %2").arg(path, QString::fromStdString(SheetErrorText(outcome.result)));
    progress.Finish(outcome.rowsWritten);
    return std::nullopt;
}

void Report(const QString& text)
{
    std::fprintf(stderr, "tessaport-import: %s\n", qPrintable(text));
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

    std::vector<Target> targets;
    {
        omega::HeaderFile header(options.dataDir);
        if (header.Count() <= 0) {
            Report(QStringLiteral("%1 holds no database (no valid master.omg)").arg(options.dataDir));
            return kExitFailed;
        }
        for (int32_t i = 0; options.all && i < header.Count(); ++i) {
            const QByteArray symbol = TrimBlanks(header.Entry(i).left(omega::kSymbolFieldLength));
            targets.push_back({omega::DecodeWindows1252(symbol), symbol});
        }
    }
    for (const QString& symbol : options.symbols)
        targets.push_back({symbol, omega::EncodeWindows1252(omega::TrimBlanks(symbol))});
    if (!options.outputDir.isEmpty() && !QDir().mkpath(options.outputDir)) {
        Report(QStringLiteral("cannot make the folder %1").arg(options.outputDir));
        return kExitFailed;
    }

    TerminalProgress progress(stderr);
    bool anyFailed = false;
    for (const Target& target : targets) {
        if (const std::optional<QString> failure = ImportSecurity(library, options, target, progress)) {
            progress.Abandon();
            Report(target.name + QStringLiteral(": ") + *failure);
            anyFailed = true;
        }
    }
    return anyFailed ? kExitFailed : kExitOk;
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
