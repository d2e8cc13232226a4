#include "database_fixture.h"
#include "qv2omg/price_csv.h"
#include "platform/native/native_file.h"
#include "platform/native/native_path.h"

#include <bit>
#include <csignal>
#include <cstring>
#include <functional>
#include <sstream>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace qv2omg_test {
namespace {

// A change that must be refused; the database already holds "IBM" with two rows.
struct RefusedCase {
    const char* name;
    std::function<qv2omg::Status(const fs::path&)> change;
    std::string message;
};

class RefusedChangeTest : public DatabaseTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedChangeTest, LeavesTheDatabaseAsItWas)
{
    Add("IBM", {Row(19980305), Row(19980306)});
    const auto before = Snapshot(Dir());
    const qv2omg::Status status = GetParam().change(Dir());
    // The writer names the folder, or a file in it with the system's separator.
    std::string message = status.Message();
    for (const auto& [named, shown] : {std::pair{(Dir() / "").string(), "DIR/"}, std::pair{Dir().string(), "DIR"}})
        if (const size_t at = message.find(named); at != std::string::npos)
            message.replace(at, named.size(), shown);
    EXPECT_EQ(message, GetParam().message);
    EXPECT_EQ(Snapshot(Dir()), before);
}

qv2omg::Status AddRows(const fs::path& dir, std::vector<PriceRow> rows)
{
    return qv2omg::AddSecurity(dir, {"NEW", "", 0, 0, false}, rows);
}

std::function<qv2omg::Status(const fs::path&)> Adding(qv2omg::SecurityInfo info)
{
    return [info](const fs::path& dir) { return qv2omg::AddSecurity(dir, info, {}); };
}

#if defined(_WIN32)
// Windows sets no limit on a file's size: tests/windows_skips.cmake leaves these cases out.
std::function<qv2omg::Status(const fs::path&)> Limiting(uint64_t) { return [](const fs::path& dir) { return AddRows(dir, {}); }; }
#else
// Adds a row while no file may grow past `bytes`: a data file takes 44, the new header 176.
std::function<qv2omg::Status(const fs::path&)> Limiting(rlim_t bytes)
{
    return [bytes](const fs::path& dir) {
        rlimit earlier {};
        ::getrlimit(RLIMIT_FSIZE, &earlier);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = earlier;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const qv2omg::Status status = AddRows(dir, {Row(19980305)});
        ::setrlimit(RLIMIT_FSIZE, &earlier);
        std::signal(SIGXFSZ, handler);
        return status;
    };
}
#endif

INSTANTIATE_TEST_SUITE_P(Changes, RefusedChangeTest, testing::Values(
    RefusedCase{"SymbolTooLong", Adding({"ABCDEFGHIJKLMNOP", ""}),
                "Symbol 'ABCDEFGHIJKLMNOP' is 16 bytes long; at most 15 are allowed."},
    RefusedCase{"EmptySymbol", Adding({"", ""}), "A symbol must not be empty."},
    RefusedCase{"NulInSymbol", Adding({std::string("A\0B", 3), ""}), "Symbol 'A\\x00B' holds a NUL byte."},
    RefusedCase{"DescriptionTooLong", Adding({"E", std::string(31, 'x')}),
                "The description of 'E' is 31 bytes long; at most 30 are allowed."},
    RefusedCase{"DuplicateDate", [](auto& d) { return AddRows(d, {Row(19980305), Row(19980305)}); },
                "Row 2 of 'NEW': date 1998-03-05 is not after 1998-03-05; rows must be in date order, each date once."},
    RefusedCase{"InvalidDate", [](auto& d) { return AddRows(d, {Row(19990229)}); },
                "Row 1 of 'NEW' has the invalid date 19990229."},
    RefusedCase{"SymbolTakenIgnoringCase", Adding({"ibm", ""}),
                "The database already holds the symbol 'ibm'; nothing was changed."},
    RefusedCase{"HeaderCannotBeWritten", Limiting(100),
                "Cannot write DIR/master.omg: File too large; nothing was changed."},
    RefusedCase{"AnotherWriterHoldsTheLock", [](auto& d) {
                    const std::string path = native::TextFromPath(d / qv2omg::kLockFileName);
                    const intptr_t lock = native::LockFile(path, 0);
                    EXPECT_NE(lock, -1);
                    std::vector<qv2omg::NewSecurity> batch{{{"NEW", ""}, {Row(19980305)}}};
                    const qv2omg::Status status = qv2omg::AddSecurities(d, batch, std::chrono::milliseconds(50));
                    native::UnlockFile(lock, path);
                    return status; },
                "Another program is changing this database (DIR/master.omg.lock stayed locked for 0.05 seconds); "
                "nothing was changed. Try again when it is done."},
    RefusedCase{"CreateOverDatabase", [](auto& d) { return qv2omg::CreateDatabase(d); },
                "DIR already holds a database; nothing was changed."},
    RefusedCase{"DamagedHeader", [](auto& d) {
                    Damage(d / "master.omg", [](auto& b) { PutCount(b, 2); });
                    const qv2omg::Status status = AddRows(d, {});
                    Damage(d / "master.omg", [](auto& b) { PutCount(b, 1); });
                    return status; },
                "DIR/master.omg is damaged; nothing was changed."}),
    CaseName());

TEST_F(DatabaseTest, NewDataFilesNeverOverwriteStrayFiles)
{
    Add("A", {});
    WriteBytes(Dir() / "d000002.omd", {'x'});
    Add("B", {Row(19980305)});
    EXPECT_EQ(ReadBytes(Dir() / "d000002.omd"), std::vector<uint8_t>{'x'});
    EXPECT_EQ(ReadBytes(Dir() / "d000003.omd").size(), qv2omg::kPreambleSize + qv2omg::kPriceEntrySize);
}

struct CsvCase {
    const char* name;
    std::string text;
    std::string message;           // empty: read
    std::vector<PriceRow> rows{};  // when read
    bool hasOpenInterest = false;
};

class PriceCsvTest : public testing::TestWithParam<CsvCase> {};

TEST_P(PriceCsvTest, ReadsRowsOrNamesTheLineAtFault)
{
    std::istringstream in(GetParam().text);
    qv2omg::PriceTable table;
    const qv2omg::Status status = qv2omg::ReadPriceCsv(in, "prices.csv", table);
    EXPECT_EQ(status.Message(), GetParam().message);
    if (!status.IsOk())
        return;
    EXPECT_EQ(table.hasOpenInterest, GetParam().hasOpenInterest);
    ASSERT_EQ(table.rows.size(), GetParam().rows.size());
    for (size_t i = 0; i < table.rows.size(); ++i)
        EXPECT_EQ(std::memcmp(&table.rows[i], &GetParam().rows[i], sizeof(PriceRow)), 0) << "row " << i;
}

const float kMissing = std::bit_cast<float>(0x7F7FFFEEu);

INSTANTIATE_TEST_SUITE_P(Texts, PriceCsvTest, testing::Values(
    CsvCase{"HeaderAndMissingPrices", "Date,Open,High,Low,Close,Volume\n1998-03-05,,2.5,-1,0.1,12\n1998-03-06,1,1,1,1,\n",
            "", {{19980305, kMissing, 2.5f, -1, 0.1f, 12, 0}, {19980306, 1, 1, 1, 1, 0, 0}}},
    CsvCase{"OpenInterestCrLfBomBlankLines", "\xEF\xBB\xBF" "Date,Open,High,Low,Close,Volume,OpenInterest\r\n1998-03-05, 1 ,2,3,4,5,6\r\n\r\n \n1999-12-31,1e-05,2,3,4,-5,7\r\n",
            "", {{19980305, 1, 2, 3, 4, 5, 6}, {19991231, 1e-5f, 2, 3, 4, -5, 7}}, true},
    CsvCase{"BadDate", "Date,Open,High,Low,Close,Volume\n1998-02-30,1,2,3,4,5\n",
            "prices.csv:2: bad date '1998-02-30' (expected YYYY-MM-DD)"},
    CsvCase{"NonNumericPrice", "1998-03-05,1,abc,3,4,5\n", "prices.csv:1: bad High price 'abc'"},
    CsvCase{"PriceAtMarker", "1998-03-05,1,2,3,3.5e38,5\n", "prices.csv:1: bad Close price '3.5e38'"},
    CsvCase{"NotANumber", "1998-03-05,nan,2,3,4,5\n", "prices.csv:1: bad Open price 'nan'"},
    CsvCase{"FractionalVolume", "1998-03-05,1,2,3,4,5.5\n", "prices.csv:1: bad Volume '5.5' (expected a whole number)"},
    CsvCase{"VolumePastItsRange", "1998-03-05,1,2,3,4,2147483648\n",
            "prices.csv:1: bad Volume '2147483648' (out of the range held, -2147483648 to 2147483647)"},
    CsvCase{"TooFewColumns", "1998-03-05,1,2,3\n",
            "prices.csv:1: expected 6 or 7 columns (Date,Open,High,Low,Close,Volume[,Open_Interest]), found 4"},
    CsvCase{"TooManyColumns", "1998-03-05,1,2,3,4,5,6,7\n",
            "prices.csv:1: expected 6 or 7 columns (Date,Open,High,Low,Close,Volume[,Open_Interest]), found 8"},
    CsvCase{"ColumnsChange", "1998-03-05,1,2,3,4,5\n1998-03-06,1,2,3,4,5,6\n",
            "prices.csv:2: found 7 columns where the rows before have 6"},
    CsvCase{"DuplicateDate", "1998-03-05,1,2,3,4,5\n\n1998-03-05,1,2,3,4,5\n",
            "prices.csv:3: date 1998-03-05 appears twice (also on line 1)"},
    CsvCase{"OutOfOrder", "1998-03-05,1,2,3,4,5\n1998-03-04,1,2,3,4,5\n",
            "prices.csv:2: date 1998-03-04 comes after 1998-03-05 on line 1; rows must be in date order"},
    CsvCase{"EmptyFile", "", "prices.csv: holds no price rows"}),
    CaseName());

} // namespace
} // namespace qv2omg_test
