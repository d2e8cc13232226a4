// tessaport-import: usage errors, failures one line each while the others go on, file names,
// the progress of a run and the summary line that ends it.

#include "import_test_support.h"

#include "import/date_text.h"

#include <QDir>
#include <QRegularExpression>

#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

TEST(ImportCommand, UsageErrorsExitWithTwo)
{
    TestDatabase db;
    const QString data = db.Dir();
    const std::pair<QStringList, std::string> cases[] = {
        {{}, "--data DIR is missing"},
        {{"--data", data, "XYZ"}, "give either -o FILE or --out-dir DIR"},
        {{"--data", data, "-o", "f", "XYZ", "ABC"}, "-o FILE takes exactly one SYMBOL"},
        {{"--data", data, "-o", "f", "--all"}, "-o FILE takes exactly one SYMBOL"},
        {{"--data", data, "-q", "--verbose", "-o", "f", "XYZ"}, "--quiet and --verbose contradict each other"},
        {{"--data", data, "--out-dir", "d", "--all", "XYZ"}, "--out-dir DIR takes either SYMBOL... or --all"},
        {{"--data", data, "--format", "xls", "-o", "f", "XYZ"},
         "--format: \"xls\" is none of wk1, biff2, biff3, biff4, xlsx, csv"},
        {{"--data", data, "--merge", "tall", "-o", "f", "--all"}, "--merge: \"tall\" is neither wide nor long"},
        {{"--data", data, "--merge", "wide", "XYZ"}, "--merge writes one file: give -o FILE (and no --out-dir)"},
        {{"--data", data, "--merge", "long", "-o", "f"}, "--merge takes either SYMBOL... or --all"},
        {{"--data", data, "--merge", "long", "--common-dates", "-o", "f", "--all"},
         "--common-dates goes with --merge wide"},
        {{"--data", data, "--fields", "close", "-o", "f", "XYZ"}, "--fields goes with --merge"},
        {{"--data", data, "--csv-raw-text", "-o", "f", "XYZ"}, "--csv-raw-text goes with --format csv"},
        {{"--data", data, "--merge", "wide", "--fields", "close,", "-o", "f", "--all"},
         "--fields: \"\" is none of open, high, low, close, volume, oi"},
        {{"--data", data, "--from", "1998-02-30", "-o", "f", "XYZ"},
         "--from: \"1998-02-30\" is not a date; dates read: " + DateFormsText().toStdString()},
        {{"--data", data, "--from", "1998-03-06", "--to", "1998-03-05", "-o", "f", "XYZ"}, "--from is later than --to"},
        {{"--data", data, "--bogus", "-o", "f", "XYZ"}, "Unknown option 'bogus'."},
        {{"--data", data, "-o", "f", "-MINUS"},
         "Unknown options: M, I, N, U, S. (a SYMBOL that begins with - goes after --)"},
    };
    for (const auto& [arguments, error] : cases)
        EXPECT_EQ(RunImportCommand(arguments).err.substr(0, error.size() + 25),
                  "tessaport-import: " + error + "\nUsage:")
            << arguments.join(' ').toStdString();
    EXPECT_EQ(RunImportCommand({"--help"}).exitCode, 0);
    EXPECT_EQ(RunImportCommand({"--data", data}).exitCode, 2);
    // The database has no securities yet.
    const CommandResult empty = RunImportCommand({"--data", data, "-o", "f", "XYZ"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "tessaport-import: " + data.toStdString() + " holds no database (no valid master.omg)\n");
}

TEST(ImportCommand, AFailedSecurityIsOneLineAndTheOthersGoOn)
{
    TestDatabase db;
    for (const char* symbol : {"XYZ", "GONE", "ABC"})
        db.Add(symbol, WeekdayRows(5));
    db.RemoveDataFile("GONE");
    const QString out = QString::fromStdString(db.Path("out"));

    const CommandResult result =
        RunImportCommand({"-q", "--data", db.Dir(), "--out-dir", out, "XYZ", "NOPE", "GONE", " abc ", "--to", "1998-03-03"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tessaport-import: NOPE: no such security in " + db.Dir().toStdString() +
                              "\ntessaport-import: GONE: its data are unavailable (the data file is missing, "
                              "unreadable or empty)\n");
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList({"ABC.pat", "XYZ.pat"}));
    EXPECT_EQ(ReadGrid((out + "/ABC.pat").toStdString()), ExpectedGrid("ABC", WeekdayRows(2), false, true));

    const CommandResult outside = RunImportCommand({"--quiet", "--data", db.Dir(), "-o", "x", "--from", "2001-01-01", "XYZ"});
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_EQ(outside.err,
              "tessaport-import: XYZ: no data in the dates asked for (it holds 1998-03-02 to 1998-03-06)\n");
    const CommandResult empty = RunImportCommand({"-q", "--data", db.Dir(), "--out-dir", out, " "});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "tessaport-import: an empty symbol names no security\n");
}

// --all: one file per security named after its symbol; what a file name cannot hold is %XX.
TEST(ImportCommand, AllWritesOneFilePerSecurityNamedAfterItsSymbol)
{
    TestDatabase db;
    for (const char* symbol : {"BRK.A", "A/B", ".X", "50%", "C:D*?", "D\x7F"})
        db.Add(symbol, WeekdayRows(2));
    const QString out = QString::fromStdString(db.Path("all"));

    EXPECT_EQ(RunImportCommand({"--data", db.Dir(), "--out-dir", out, "--all", "--format", "biff3"}).exitCode, 0);
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden),
              QStringList({"%2EX.pat", "50%25.pat", "A%2FB.pat", "BRK.A.pat", "C%3AD%2A%3F.pat", "D%7F.pat"}));
    EXPECT_EQ(ReadGrid((out + "/A%2FB.pat").toStdString()), ExpectedGrid("A/B", WeekdayRows(2), false, true));
}

// The last line of every run: files, rows, securities left out and seconds; -q leaves it
// out, and --verbose adds a line per security where standard error is no terminal.
TEST(ImportCommand, EndsWithASummaryLine)
{
    TestDatabase db;
    for (const char* symbol : {"XYZ", "ABC"})
        db.Add(symbol, WeekdayRows(5));
    const QString out = QString::fromStdString(db.Path("out"));
    const QString data = db.Dir();
    const QString seconds = R"(, \d+\.\d s\n$)";
    const std::pair<QStringList, QString> cases[] = {
        {{"--out-dir", out, "--all"}, "^tessaport-import: 2 files, 10 rows, 0 left out" + seconds},
        {{"--out-dir", out, "XYZ", "NOPE", "ABC"},
         "^tessaport-import: NOPE: no such security in [^\n]+\ntessaport-import: 2 files, 10 rows, 1 left out" + seconds},
        {{"-o", out + "/one.pat", "--from", "1998-03-03", "--to", "1998-03-03", "XYZ"},
         "^tessaport-import: 1 file, 1 row, 0 left out" + seconds},
        {{"--merge", "wide", "-o", out + "/wide.csv", "--all"}, "^tessaport-import: 1 file, 5 rows, 0 left out" + seconds},
        {{"--verbose", "--out-dir", out, "--all"},
         "^1 of 2 XYZ: 5 rows\n2 of 2 ABC: 5 rows\ntessaport-import: 2 files, 10 rows, 0 left out" + seconds},
        {{"-q", "--out-dir", out, "--all"}, "^$"},
    };
    for (const auto& [arguments, expected] : cases) {
        const CommandResult result = RunImportCommand(QStringList{"--data", data} + arguments);
        EXPECT_TRUE(QRegularExpression(expected).match(QString::fromStdString(result.err)).hasMatch())
            << arguments.join(' ').toStdString() << "\n" << result.err;
    }
}

// On a terminal several securities share one line, drawn again in place, which says which
// of how many; it is wiped before the summary, so no line is left ending in a carriage return.
TEST(ImportCommandTerminal, OneLineForTheWholeRun)
{
    TestDatabase db;
    for (const char* symbol : {"XYZ", "ABC", "DEF"})
        db.Add(symbol, WeekdayRows(400));
    const std::string program = TESSAPORT_PROGRAM_DIR "/tessaport-import";
    const std::string data = db.Dir().toStdString(), out = db.Path("out");
    int terminal = -1, side = -1;
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    ASSERT_EQ(openpty(&terminal, &side, nullptr, nullptr, &size), 0);
    termios raw{};
    tcgetattr(side, &raw);
    cfmakeraw(&raw);  // the bytes as written: no \n turned into \r\n
    tcsetattr(side, TCSANOW, &raw);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(side, STDERR_FILENO);
        close(terminal);
        execl(program.c_str(), program.c_str(), "--data", data.c_str(), "--out-dir", out.c_str(), "--all",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(side);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;

    for (const char* line : {"\r1 of 3 XYZ ", "\r3 of 3 DEF "})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
    // Drawn over with blanks: no terminal control sequence at all.
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_TRUE(QRegularExpression(R"(\r +\rtessaport-import: 3 files, 1200 rows, 0 left out, \d+\.\d s\n$)")
                    .match(QString::fromStdString(text))
                    .hasMatch())
        << text;
    EXPECT_EQ(text.find("rows\n"), std::string::npos) << "no finished line per security: " << text;
}

} // namespace
