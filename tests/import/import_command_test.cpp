// tessaport-import: usage errors, failures one line each while the others go on, file names.

#include "import_test_support.h"

#include <QDir>

namespace {

TEST(ImportCommand, UsageErrorsExitWithTwo)
{
    TestDatabase db;
    const QString data = db.Dir();
    const std::pair<QStringList, std::string> cases[] = {
        {{}, "--data DIR is missing"},
        {{"--data", data, "XYZ"}, "give either -o FILE or --out-dir DIR"},
        {{"--data", data, "-o", "f", "XYZ", "ABC"}, "-o FILE takes exactly one SYMBOL"},
        {{"--data", data, "--out-dir", "d", "--all", "XYZ"}, "--out-dir DIR takes either SYMBOL... or --all"},
        {{"--data", data, "--format", "xls", "-o", "f", "XYZ"},
         "--format: \"xls\" is none of wk1, biff2, biff3, biff4, xlsx, csv"},
        {{"--data", data, "--merge", "tall", "-o", "f", "--all"}, "--merge: \"tall\" is neither wide nor long"},
        {{"--data", data, "--merge", "wide", "XYZ"}, "--merge writes one file: give -o FILE (and no --out-dir)"},
        {{"--data", data, "--merge", "long", "-o", "f"}, "--merge takes either SYMBOL... or --all"},
        {{"--data", data, "--merge", "long", "--common-dates", "-o", "f", "--all"},
         "--common-dates goes with --merge wide"},
        {{"--data", data, "--fields", "close", "-o", "f", "XYZ"}, "--fields goes with --merge"},
        {{"--data", data, "--merge", "wide", "--fields", "close,", "-o", "f", "--all"},
         "--fields: \"\" is none of open, high, low, close, volume, oi"},
        {{"--data", data, "--from", "1998-02-30", "-o", "f", "XYZ"}, "--from: \"1998-02-30\" is not a date"},
        {{"--data", data, "--from", "1998-03-06", "--to", "1998-03-05", "-o", "f", "XYZ"}, "--from is later than --to"},
        {{"--data", data, "--bogus", "-o", "f", "XYZ"}, "Unknown option 'bogus'."},
    };
    for (const auto& [arguments, error] : cases)
        EXPECT_EQ(RunImportCommand(arguments).err.substr(0, error.size() + 25),
                  "tessaport-import: " + error + "\nUsage:")
            << arguments.join(' ').toStdString();
    EXPECT_EQ(RunImportCommand({"--help"}).exitCode, 0);
    EXPECT_EQ(RunImportCommand({"--data", data}).exitCode, 2);
}

TEST(ImportCommand, AFailedSecurityIsOneLineAndTheOthersGoOn)
{
    TestDatabase db;
    for (const char* symbol : {"XYZ", "GONE", "ABC"})
        db.Add(symbol, WeekdayRows(5));
    db.RemoveDataFile("GONE");
    const QString out = QString::fromStdString(db.Path("out"));

    const CommandResult result =
        RunImportCommand({"--data", db.Dir(), "--out-dir", out, "XYZ", "NOPE", "GONE", "abc", "--to", "1998-03-03"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tessaport-import: NOPE: no such security in " + db.Dir().toStdString() +
                              "\ntessaport-import: GONE: its data are unavailable (the data file is missing, "
                              "unreadable or empty)\n");
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList({"ABC.pat", "XYZ.pat"}));
    EXPECT_EQ(ReadGrid((out + "/ABC.pat").toStdString()), ExpectedGrid("ABC", WeekdayRows(2), false, true));

    const CommandResult outside = RunImportCommand({"--data", db.Dir(), "-o", "x", "--from", "2001-01-01", "XYZ"});
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_EQ(outside.err,
              "tessaport-import: XYZ: no data in the dates asked for (it holds 1998-03-02 to 1998-03-06)\n");
}

// --all: one file per security named after its symbol; what a file name cannot hold is %XX.
TEST(ImportCommand, AllWritesOneFilePerSecurityNamedAfterItsSymbol)
{
    TestDatabase db;
    for (const char* symbol : {"BRK.A", "A/B", ".X", "50%", "C:D*?"})
        db.Add(symbol, WeekdayRows(2));
    const QString out = QString::fromStdString(db.Path("all"));

    EXPECT_EQ(RunImportCommand({"--data", db.Dir(), "--out-dir", out, "--all", "--format", "biff3"}).exitCode, 0);
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden),
              QStringList({"%2EX.pat", "50%25.pat", "A%2FB.pat", "BRK.A.pat", "C%3AD%2A%3F.pat"}));
    EXPECT_EQ(ReadGrid((out + "/A%2FB.pat").toStdString()), ExpectedGrid("A/B", WeekdayRows(2), false, true));
}

} // namespace
