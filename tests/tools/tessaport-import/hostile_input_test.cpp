// tessaport-import against crafted databases, names and folders: every security exported
// once under a name of its own, nothing written through a planted link, earlier files'
// permissions kept, and text a spreadsheet would evaluate written as text.

#include "import_test_support.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// The data lines of a CSV file, CRLF as LF.
std::vector<std::string> DataLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = text.find('\n') + 1;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// X, " X" and "X " are three securities, and so are "abc" and "ABC" in a header that holds
// both (the writer refuses such a pair; this one is crafted).
class LookalikeSymbols : public testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 5; ++i)
            db_.Add(kSymbols[i], WeekdayRows(i + 1));
        // ABD becomes ABC in the header.
        const std::string header = QDir(db_.Dir()).filePath("master.omg").toStdString();
        std::string bytes = test_support::ReadText(header);
        const size_t at = bytes.find(std::string("ABD\0", 4));
        ASSERT_NE(at, std::string::npos);
        bytes[at + 2] = 'C';
        QFile file(QString::fromStdString(header));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    // What omegadb dump gives for a symbol, the lines without their header.
    std::vector<std::string> Dumped(const std::string& symbol)
    {
        const std::string command =
            "'" TESSAPORT_PROGRAM_DIR "/omegadb' dump '" + db_.Dir().toStdString() + "' '" + symbol + "' 2>&1";
        std::string out;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
                out.append(buffer, n);
            ::pclose(pipe);
        }
        return DataLines(out);
    }

    static constexpr const char* kSymbols[5] = {"X", " X", "X ", "abc", "ABD"};
    TestDatabase db_;
};

TEST_F(LookalikeSymbols, AllWritesEachSecurityOnceUnderANameOfItsOwn)
{
    const QString out = QString::fromStdString(db_.Path("out"));
    const CommandResult run = RunImportCommand(
        {"--data", db_.Dir(), "-q", "--open-interest", "--out-dir", out, "--all", "--format", "csv"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "tessaport-import: ABC: ABC.csv is taken by another security of this run (symbols that "
                       "differ only in letter case); written to ABC~2.csv\n");
    const std::map<std::string, std::string> files = {
        {"X.csv", "X"}, {" X.csv", " X"}, {"X%20.csv", "X "}, {"abc.csv", "abc"}, {"ABC~2.csv", "ABC"}};
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 5);
    for (const auto& [file, symbol] : files)
        EXPECT_EQ(DataLines(test_support::ReadText((out + "/").toStdString() + file)), Dumped(symbol)) << file;
}

TEST(MergeCommand, ASymbolGivenTwiceIsMergedOnce)
{
    TestDatabase db;
    db.Add("ABC", WeekdayRows(2));
    const std::string merged = db.Path("wide.csv");
    const CommandResult run = RunImportCommand({"--data", db.Dir(), "-q", "--merge", "wide", "--format", "csv", "--fields",
                                                "close", "-o", QString::fromStdString(merged), "ABC", "abc", "ABC"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "tessaport-import: abc: given more than once; merged once\n"
                       "tessaport-import: ABC: given more than once; merged once\n");
    const std::string text = test_support::ReadText(merged);
    EXPECT_EQ(text.substr(0, text.find('\n')), "Date,ABC_Close\r");
}

// Inside --out-dir a planted link is refused, naming it; a link named with -o is followed.
TEST(ImportCommand, OutDirDoesNotWriteThroughLinks)
{
    TestDatabase db;
    db.Add("XYZ", WeekdayRows(3));
    const std::string victim = db.Path("victim");
    {
        QFile file(QString::fromStdString(victim));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("mine\n");
    }
    const QString out = QString::fromStdString(db.Path("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    fs::create_symlink(victim, (out + "/XYZ.pat").toStdString());

    const CommandResult run = RunImportCommand({"--data", db.Dir(), "-q", "--out-dir", out, "XYZ"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "tessaport-import: XYZ: " + (out + "/XYZ.pat").toStdString()
                           + " is a symbolic link; --out-dir does not write through links (remove it, or name it "
                             "with -o)\n");
    EXPECT_EQ(test_support::ReadText(victim), "mine\n");

    EXPECT_EQ(RunImportCommand({"--data", db.Dir(), "-o", out + "/XYZ.pat", "XYZ"}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink((out + "/XYZ.pat").toStdString()));
    EXPECT_EQ(ReadGrid(victim), ExpectedGrid("XYZ", WeekdayRows(3), false, true));
}

// A private file stays private when a new import replaces it (every format goes through
// the same replacement).
TEST(ImportCommand, AReplacedFileKeepsItsPermissions)
{
    TestDatabase db;
    db.Add("XYZ", WeekdayRows(3));
    const std::string path = db.Path("out.xlsx");
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier");
    }
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(RunImportCommand({"--data", db.Dir(), "-o", QString::fromStdString(path), "XYZ"}).exitCode, 0);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_NE(test_support::ReadText(path), "earlier");
}

// A text cell a spreadsheet would evaluate is written as text; --csv-raw-text keeps the bytes.
TEST(ImportCommand, CsvTextThatLooksLikeAFormulaIsWrittenAsText)
{
    TestDatabase db;
    db.Add("=1+2", WeekdayRows(1));
    db.Add("@A", WeekdayRows(1));
    const std::string merged = db.Path("long.csv");
    const QStringList merge = {"--data", db.Dir(), "--merge", "long", "--format", "csv", "--fields", "close",
                               "-o", QString::fromStdString(merged), "--all"};
    ASSERT_EQ(RunImportCommand(merge).exitCode, 0);
    EXPECT_EQ(test_support::ReadText(merged), "Date,Symbol,Close\r\n1998-03-02,'=1+2,10.5\r\n1998-03-02,'@A,10.5\r\n");
    ASSERT_EQ(RunImportCommand(QStringList(merge) << "--csv-raw-text").exitCode, 0);
    EXPECT_EQ(test_support::ReadText(merged), "Date,Symbol,Close\r\n1998-03-02,=1+2,10.5\r\n1998-03-02,@A,10.5\r\n");
}

} // namespace
