// omegadb check on real databases in temporary folders: faults planted at known dates,
// including the ones the writer refuses (two records on a date, dates out of order),
// which are written into the data file by hand.

#include "case_name.h"
#include "clean_series.h"

#include "qv2omg/database_writer.h"
#include "qv2omg/db_format.h"
#include "qv2omg/header_reader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <regex>

namespace quality_test {
namespace {

namespace fs = std::filesystem;
using quality::FindingKind;
using namespace test_support;

class OmegadbCheckTest : public testing::Test {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        GTEST_SKIP() << "POSIX only: runs omegadb through a POSIX shell; scripts/test-windows runs omegadb check itself";
#endif
    }

    fs::path Db() const { return folder_ / "db"; }

    void Add(const std::string& symbol, int16_t period, const std::vector<Bar>& bars)
    {
        std::vector<qv2omg::PriceRow> rows;
        for (const Bar& bar : bars)
            rows.push_back(Row(bar));
        if (!fs::exists(Db() / qv2omg::kHeaderFileName)) {
            ASSERT_TRUE(qv2omg::CreateDatabase(Db()).IsOk());
        }
        const qv2omg::Status status = qv2omg::AddSecurity(Db(), {symbol, "", 2, period, true}, rows);
        ASSERT_TRUE(status.IsOk()) << status.Message();
    }

    // The name of the security's data file, empty if it has none.
    std::string DataFile(const std::string& symbol) const
    {
        qv2omg::HeaderReader header;
        qv2omg::SecurityEntry entry;
        const std::optional<uint32_t> found = header.Open(Db()) ? header.Find(symbol) : std::nullopt;
        return found && header.Read(*found, entry) ? std::string(qv2omg::FieldText(entry.dataFile)) : "";
    }

    // Puts `bar` in place of record `index` of the security's data file, in any order.
    void Overwrite(const std::string& symbol, uint32_t index, const Bar& bar)
    {
        uint8_t bytes[qv2omg::kPriceEntrySize];
        qv2omg::EncodePriceEntry(Row(bar), bytes);
        std::fstream file(Db() / DataFile(symbol), std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(qv2omg::kPreambleSize + index * qv2omg::kPriceEntrySize));
        file.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
        ASSERT_TRUE(file.good());
    }

    ProcessRun Omegadb(const std::string& arguments)
    {
        return RunShell(folder_.Path(), "'" TESSAPORT_PROGRAM_DIR "/omegadb' " + arguments);
    }

    TempFolder folder_;
};

// Symbol, date and kind of each CSV line after the header.
std::vector<std::string> FirstThreeFields(const std::string& csv)
{
    EXPECT_TRUE(csv.starts_with("Symbol,Date,Kind,Values,Reason\n")) << csv;
    const std::regex fields("\n([^,\n]*,[^,\n]*,[^,\n]*),");
    std::vector<std::string> lines;
    for (std::sregex_iterator match(csv.begin(), csv.end(), fields), end; match != end; ++match)
        lines.push_back((*match)[1]);
    return lines;
}

TEST_F(OmegadbCheckTest, FindsEveryPlantedFaultAtItsDateAndNothingInCleanHistories)
{
    std::vector<Bar> faults = RandomWalk(quality::Period::Daily, 400, TypicalSigma(quality::Period::Daily), 11, 1990);
    std::swap(faults[50].high, faults[50].low);
    faults[60].volume = -10;
    faults[70].open = faults[70].high * 1.1f;
    faults[80].low = 0;
    faults[100].close = faults[100].high = faults[99].close * 1.7f;
    Scale(faults, 200, 0.5f);  // a 2:1 split, not adjusted
    for (size_t i = 300; i < faults.size(); ++i)
        faults[i].date = AddDays(faults[i].date, 35);
    faults[320].close = std::numeric_limits<float>::quiet_NaN();  // invalid, not a finding
    ASSERT_NO_FATAL_FAILURE(Add("FAULTS", 0, faults));
    Bar twice = faults[350];
    twice.date = faults[349].date;
    ASSERT_NO_FATAL_FAILURE(Overwrite("FAULTS", 350, twice));
    std::swap(faults[379].date, faults[380].date);
    ASSERT_NO_FATAL_FAILURE(Overwrite("FAULTS", 379, faults[379]));
    ASSERT_NO_FATAL_FAILURE(Overwrite("FAULTS", 380, faults[380]));

    // 20,000 days of a random walk, and the same walk weekly and monthly.
    ASSERT_NO_FATAL_FAILURE(Add("WALK", 0, RandomWalk(quality::Period::Daily, 20000, 0.025, 3, 1920)));
    ASSERT_NO_FATAL_FAILURE(Add("WEEKS", 1, RandomWalk(quality::Period::Weekly, 3000, TypicalSigma(quality::Period::Weekly), 4)));
    ASSERT_NO_FATAL_FAILURE(Add("MONTHS", 2, RandomWalk(quality::Period::Monthly, 900, TypicalSigma(quality::Period::Monthly), 5, 1930)));

    const ProcessRun all = Omegadb("check db --csv");
    EXPECT_EQ(all.exitCode, 1) << all.err;
    auto at = [&](size_t i, const char* kind) { return "FAULTS," + quality::DateText(faults[i].date) + "," + kind; };
    EXPECT_EQ(FirstThreeFields(all.out),
              (std::vector<std::string>{at(50, "high-below-low"), at(60, "negative-volume"), at(70, "outside-range"),
                                        at(80, "bad-price"), at(100, "bad-tick"), at(200, "split"), at(300, "gap"),
                                        at(349, "duplicate-date"), at(380, "out-of-order")}));
    EXPECT_NE(all.err.find("Findings by security:\n  FAULTS          9\n9 findings in 4 securities checked.\n"),
              std::string::npos) << all.err;

    const ProcessRun clean = Omegadb("check db walk WEEKS months");
    EXPECT_EQ(clean.exitCode, 0) << clean.out;
    EXPECT_NE(clean.out.find("  split           0\nFindings by security:\n  none\n0 findings in 3 securities checked.\n"),
              std::string::npos) << clean.out;
    EXPECT_EQ(clean.err, "");

    const ProcessRun table = Omegadb("check db FAULTS");
    EXPECT_EQ(table.exitCode, 1);
    EXPECT_EQ(table.out.substr(0, table.out.find('\n')),
              "Symbol    Date        Kind             Values                              Reason");
    const std::string splitLine = table.out.substr(table.out.find("FAULTS    " + quality::DateText(faults[200].date)));
    EXPECT_NE(splitLine.find("  split  "), std::string::npos);
    EXPECT_NE(splitLine.find("as after an unadjusted 2:1 split\n"), std::string::npos) << splitLine;
}

struct UsageCase {
    const char* name;
    std::string arguments;
    int exitCode;
    std::string err;  // first line of the error output
};

class OmegadbCheckUsageTest : public OmegadbCheckTest, public testing::WithParamInterface<UsageCase> {};

TEST_P(OmegadbCheckUsageTest, ExplainsAndExits)
{
    ASSERT_NO_FATAL_FAILURE(Add("A", 0, RandomWalk(quality::Period::Daily, 30, 0.01, 1)));
    const ProcessRun run = Omegadb(GetParam().arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(Usage, OmegadbCheckUsageTest, testing::Values(
    UsageCase{"NoDirectory", "check", 2, "omegadb: check takes a directory and optionally symbols"},
    UsageCase{"UnknownOption", "check db --table", 2, "omegadb: unknown option --table"},
    UsageCase{"NoDatabase", "check nodb", 1, "omegadb: no readable database in nodb (master.omg missing or not a header file)"},
    UsageCase{"UnknownSymbol", "check db A XYZ", 1, "omegadb: no security 'XYZ' in db"}), CaseName());

// A security that cannot be read is named again, with the reason, in the closing counts,
// where the eye lands last.
TEST_F(OmegadbCheckTest, ClosingCountsNameWhatCouldNotBeRead)
{
    ASSERT_NO_FATAL_FAILURE(Add("A", 0, RandomWalk(quality::Period::Daily, 30, 0.01, 1)));
    ASSERT_NO_FATAL_FAILURE(Add("GONE", 0, RandomWalk(quality::Period::Daily, 30, 0.01, 2)));
    const std::string dataFile = DataFile("GONE");
    ASSERT_TRUE(fs::remove(Db() / dataFile));

    const ProcessRun run = Omegadb("check db");
    EXPECT_EQ(run.exitCode, 1);
    const std::string closing = "Not checked:\n  GONE            the data file " + dataFile
        + " is missing or not a data file\n0 findings in 1 security checked; 1 security could not be read.\n";
    EXPECT_EQ(run.out.substr(run.out.size() - std::min(run.out.size(), closing.size())), closing) << run.out;
}

TEST_F(OmegadbCheckTest, HelpNamesEveryKindAndTheThresholds)
{
    const ProcessRun help = Omegadb("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (int kind = 0; kind < quality::kFindingKinds; ++kind)
        EXPECT_NE(help.out.find(std::string(quality::KindName(static_cast<FindingKind>(kind))) + " ("),
                  std::string::npos) << quality::KindName(static_cast<FindingKind>(kind));
    EXPECT_NE(help.out.find("a gap is more than 10 / 12 / 45 calendar days"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("at least 1.25 / 1.40 / 1.80 times"), std::string::npos) << help.out;
}

} // namespace
} // namespace quality_test
