#include "database_fixture.h"

#include <cstdlib>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace qv2omg_test {
namespace {

struct ProcessRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Text(const fs::path& path)
{
    const Bytes bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

void WriteText(const fs::path& path, const std::string& text) { WriteBytes(path, {text.begin(), text.end()}); }

class OmegadbTest : public testing::Test {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        GTEST_SKIP() << "POSIX only: runs omegadb through a POSIX shell; scripts/test-windows runs omegadb itself";
#endif
        ASSERT_TRUE(temp_.isValid());
    }

    fs::path Path(const std::string& name) const { return fs::path(temp_.path().toStdString()) / name; }

    // Runs omegadb from the program folder in the temporary directory.
    ProcessRun Omegadb(const std::string& arguments, const std::string& input = {})
    {
        WriteText(Path("stdin"), input);
        const std::string command = "cd '" + temp_.path().toStdString() + "' && '" TESSAPORT_PROGRAM_DIR
            "/omegadb' " + arguments + " <stdin >stdout 2>stderr";
        const int status = std::system(command.c_str());
#if defined(_WIN32)
        const int exitCode = status;
#else
        const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        return {exitCode, Text(Path("stdout")), Text(Path("stderr"))};
    }

    QTemporaryDir temp_;
};

// Missing prices, awkward floats, a price just below the missing-value marker, the
// extremes of the integers.
const std::string kFutures =
    "Date,Open,High,Low,Close,Volume,OpenInterest\n"
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
              "Date,Open,High,Low,Close,Volume,OpenInterest\n"
              "1998-03-06,,2.25,-1,16777215,0,31\n1998-03-09,1e-07,,,,-7,0\n");
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
    WriteText(Path("bad.csv"), "Date,Open,High,Low,Close,Volume\n1998-03-05,1,2,3,4,5\n1998-13-01,1,2,3,4,5\n");
    const std::string header = Text(Path("db/master.omg"));

    const ProcessRun run = Omegadb(GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), GetParam().err);
    EXPECT_EQ(Text(Path("db/master.omg")), header);
}

INSTANTIATE_TEST_SUITE_P(Errors, OmegadbErrorTest, testing::Values(
    ErrorCase{"BadCsvDate", "add db X bad.csv", 1, "omegadb: bad.csv:3: bad date '1998-13-01' (expected YYYY-MM-DD)"},
    ErrorCase{"EmptyStdin", "add db X -", 1, "omegadb: <stdin>: holds no price rows"},
    ErrorCase{"NoDatabase", "add nodb X good.csv", 1, "omegadb: No database in nodb (no master.omg); create it first."},
    ErrorCase{"BadCategory", "add db X --category 1x good.csv", 2, "omegadb: --category needs a whole number from -32768 to 32767, not '1x'"},
    ErrorCase{"UnknownOption", "add db X --colour red good.csv", 2, "omegadb: unknown option --colour"},
    ErrorCase{"UnknownSymbol", "dump db XYZ", 1, "omegadb: no security 'XYZ' in db"},
    ErrorCase{"BadFromDate", "dump db IBM --from 1998-3-5", 2, "omegadb: --from needs a date YYYY-MM-DD, not '1998-3-5'"},
    ErrorCase{"UnknownCommand", "remove db IBM", 2, "omegadb: unknown command 'remove'"}),
    CaseName());

} // namespace
} // namespace qv2omg_test
