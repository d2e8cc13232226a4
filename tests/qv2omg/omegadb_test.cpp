#include "database_fixture.h"

#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace qv2omg_test {
namespace {

class OmegadbTest : public testing::Test {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        GTEST_SKIP() << "POSIX only: runs omegadb through a POSIX shell; scripts/test-windows runs omegadb itself";
#endif
    }

    fs::path Path(const std::string& name) const { return temp_ / name; }

    // Runs omegadb from the program folder in the temporary directory.
    ProcessRun Omegadb(const std::string& arguments, const std::string& input = {}, int seconds = 120)
    {
        return RunShell(temp_.Path(), "'" TESSAPORT_PROGRAM_DIR "/omegadb' " + arguments, input, seconds);
    }

    TempFolder temp_;
};

// Missing prices, awkward floats, a price just below the missing-value marker, the
// extremes of the integers.
const std::string kFutures =
    "Date,Open,High,Low,Close,Volume,Open_Interest\n"
    "1998-03-05,1.5,2,0.1,1.75,1200,30\n"
    "1998-03-06,,2.25,-1,16777215,0,31\n"
    "1998-03-09,1e-07,,,,-7,0\n"
    "2000-02-29,3.4028198e+38,0.33333334,1,1,2147483647,-2147483648\n";

TEST_F(OmegadbTest, AddThenDumpGivesBackTheSameCsv)
{
    WriteText(Path("futures.csv"), kFutures);
    ASSERT_EQ(Omegadb("create db/nested").exitCode, 0);
    const ProcessRun add = Omegadb("add db/nested ES --description 'S&P 500 futures' --category 0 --period 0 futures.csv");
    ASSERT_EQ(add.exitCode, 0) << add.err;
    const std::string stock = "Date,Open,High,Low,Close,Volume\n1970-01-02,10,11,9,10.5,100\n";
    ASSERT_EQ(Omegadb("add db/nested 'brk a' --category=1 --period=2 -", stock).exitCode, 0);

    const ProcessRun dump = Omegadb("dump db/nested es");
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_EQ(dump.out, kFutures);
    EXPECT_EQ(dump.err, "");
    EXPECT_EQ(Omegadb("dump db/nested 'BRK A'").out, stock);
    EXPECT_EQ(Omegadb("dump db/nested ES --from 1998-03-06 --to 1998-03-09").out,
              "Date,Open,High,Low,Close,Volume,Open_Interest\n"
              "1998-03-06,,2.25,-1,16777215,0,31\n1998-03-09,1e-07,,,,-7,0\n");
    EXPECT_EQ(Omegadb("dump db/nested ES --from 1998-03-06 --to 1998-03-06").out,
              "Date,Open,High,Low,Close,Volume,Open_Interest\n1998-03-06,,2.25,-1,16777215,0,31\n");
    EXPECT_EQ(Omegadb("list db/nested").out,
              "Symbol\tDescription\tCategory\tPeriod\tRecords\tFirst\tLast\tFile\n"
              "ES\tS&P 500 futures\t0\t0\t4\t1998-03-05\t2000-02-29\td000001.omd\n"
              "brk a\t\t1\t2\t1\t1970-01-02\t1970-01-02\td000002.omd\n");
}

struct ErrorCase {
    const char* name;
    std::string arguments;
    int exitCode;
    std::string err;  // first line of the error output
};

class OmegadbErrorTest : public OmegadbTest, public testing::WithParamInterface<ErrorCase> {};

TEST_P(OmegadbErrorTest, ExplainsAndExitsNonZero)
{
    ASSERT_EQ(Omegadb("create db").exitCode, 0);
    WriteText(Path("good.csv"), "1998-03-05,1,2,3,4,5\n");
    ASSERT_EQ(Omegadb("add db IBM good.csv").exitCode, 0);
    const std::string header = ReadText(Path("db/master.omg"));

    const ProcessRun run = Omegadb(GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), GetParam().err);
    EXPECT_EQ(ReadText(Path("db/master.omg")), header);
}

INSTANTIATE_TEST_SUITE_P(Errors, OmegadbErrorTest, testing::Values(
    ErrorCase{"NoDatabase", "add nodb X good.csv", 1, "omegadb: No database in nodb (no master.omg); create it first."},
    ErrorCase{"UnknownOption", "add db X --colour red good.csv", 2, "omegadb: unknown option --colour"},
    ErrorCase{"BadFromDate", "dump db IBM --from 1998-3-5", 2, "omegadb: --from needs a date YYYY-MM-DD, not '1998-3-5'"},
    ErrorCase{"NoSuchPeriod", "add db X --period 3 good.csv", 2, "omegadb: --period is 0 (daily), 1 (weekly) or 2 (monthly), not 3"},
    ErrorCase{"FromAfterTo", "dump db IBM --from 1998-03-06 --to 1998-03-05", 2, "omegadb: --from is later than --to"},
    ErrorCase{"EscapedArgument", "dump db \"$(printf 'A\\033[2J\\007')\"", 1, "omegadb: no security 'A\\x1B[2J\\x07' in db"},
    ErrorCase{"NotInTheCodePage", "add db \"$(printf 'A\\342\\230\\203')\" good.csv", 1,
              "omegadb: the symbol 'A\u2603' holds '\u2603', which a database (Windows-1252) cannot hold; nothing was changed"}),
    CaseName());

#if !defined(_WIN32)
// Links planted at the names the temporaries used to have are neither followed nor
// replaced, by create or add, and the header keeps its permissions.
TEST_F(OmegadbTest, AddWritesNeitherThroughPlantedLinksNorWithTheDefaultMode)
{
    WriteText(Path("precious"), "mine\n");
    fs::create_directory(Path("db"));
    for (const char* planted : {"db/master.omg.tmp", "db/d000001.omd.tmp", "db/.master.omg.tmp"})
        fs::create_symlink("../precious", Path(planted));
    ASSERT_EQ(Omegadb("create db").exitCode, 0);
    EXPECT_EQ(ReadText(Path("precious")), "mine\n");
    ASSERT_EQ(::chmod(Path("db/master.omg").c_str(), 0600), 0);
    WriteText(Path("good.csv"), "1998-03-05,1,2,3,4,5\n");

    const ProcessRun add = Omegadb("add db X good.csv");
    ASSERT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(ReadText(Path("precious")), "mine\n");
    EXPECT_FALSE(fs::is_symlink(Path("db/master.omg")));
    EXPECT_TRUE(fs::is_symlink(Path("db/master.omg.tmp")));
    struct stat header {};
    ASSERT_EQ(::stat(Path("db/master.omg").c_str(), &header), 0);
    EXPECT_EQ(header.st_mode & 07777, 0600u);
}

#endif

// The terminal speaks UTF-8; the database holds Windows-1252. " X" and "X " are
// securities of their own, but a warning says how alike they look.
TEST_F(OmegadbTest, SymbolsAreStoredInWindows1252AndLookalikesWarnedOf)
{
    ASSERT_EQ(Omegadb("create db").exitCode, 0);
    WriteText(Path("good.csv"), "1998-03-05,1,2,3,4,5\n");
    ASSERT_EQ(Omegadb("add db '\xC3\x9C\xE2\x82\xAC" "X' good.csv").err, "");
    const Bytes header = ReadBytes(Path("db/master.omg"));
    EXPECT_EQ(Bytes(header.begin() + 16, header.begin() + 20), (Bytes{0xDC, 0x80, 'X', 0}));

    ASSERT_EQ(Omegadb("add db X good.csv").err, "");
    const ProcessRun lookalike = Omegadb("add db ' X' good.csv");
    EXPECT_EQ(lookalike.exitCode, 0);
    EXPECT_EQ(lookalike.err,
              "omegadb: warning: ' X' differs from the symbol 'X' of the database only in blanks or letter case\n");
}

// Two adds of different symbols at once, again and again: the lock lets one change at a
// time through, so both land, each with its own prices, and no data file is left unlisted.
TEST_F(OmegadbTest, TwoAddsAtOnceBothLandWithTheirOwnPrices)
{
    ASSERT_EQ(Omegadb("create db").exitCode, 0);
    WriteText(Path("a.csv"), "1998-03-05,1,2,0.5,1.5,10\n");
    WriteText(Path("b.csv"), "1999-01-04,7,8,6,7.5,20\n1999-01-05,7,8,6,7.5,30\n");
    constexpr int kRounds = 200;
    const std::string omegadb = "'" TESSAPORT_PROGRAM_DIR "/omegadb'";
    const std::string script = "cd '" + temp_.Path().string() + "' && for i in $(seq " + std::to_string(kRounds)
        + "); do " + omegadb + " add db A$i a.csv || echo A$i >>failed & " + omegadb
        + " add db B$i b.csv || echo B$i >>failed & wait; done";
    ASSERT_EQ(std::system(script.c_str()), 0);
    EXPECT_FALSE(fs::exists(Path("failed"))) << ReadText(Path("failed"));

    const std::regex line("(A[0-9]+\t\t0\t0\t1\t1998-03-05\t1998-03-05|B[0-9]+\t\t0\t0\t2\t1999-01-04\t1999-01-05)"
                          "\t(d[0-9]{6}\\.omd)");
    std::istringstream list(Omegadb("list db").out);
    std::set<std::string> dataFiles;
    std::string text;
    std::getline(list, text);  // the column names
    for (std::smatch match; std::getline(list, text); dataFiles.insert(match[2]))
        ASSERT_TRUE(std::regex_match(text, match, line)) << text;
    // Each add listed once with a data file of its own; beside the header, no other file.
    EXPECT_EQ(dataFiles.size(), 2u * kRounds);
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("db")), fs::directory_iterator()), 2 * kRounds + 1);
}

#if !defined(_WIN32)
// A header that claims 2^31-1 entries over a hole: only what is stored is read, and
// nothing is allocated per claimed entry.
TEST_F(OmegadbTest, ASparseHeaderCostsWhatItHoldsNotWhatItClaims)
{
    ASSERT_EQ(Omegadb("create db").exitCode, 0);
    uint8_t preamble[qv2omg::kPreambleSize];
    qv2omg::EncodePreamble(qv2omg::FileKind::Header, 0x7FFFFFFF, preamble);
    WriteBytes(Path("db/master.omg"), Bytes(preamble, preamble + sizeof preamble));
    fs::resize_file(Path("db/master.omg"), qv2omg::kPreambleSize + uint64_t{0x7FFFFFFF} * qv2omg::kSecurityEntrySize);

    // A walk through every claimed entry would take minutes and gigabytes: cut it short.
    for (const char* command : {"check db", "check db --csv", "list db"}) {
        const ProcessRun run = Omegadb(command, {}, 20);
        EXPECT_LE(run.exitCode, 1) << command;
        EXPECT_LT(run.err.size() + run.out.size(), 4096u) << command;
        EXPECT_NE(run.err.find("damaged"), std::string::npos) << command;
    }
    rusage usage {};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 64 * 1024);  // kilobytes
}
#endif

} // namespace
} // namespace qv2omg_test
