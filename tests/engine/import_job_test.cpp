// The import without a window: what lands in the pattern file, row by row.

#include "import_test_support.h"

#include "engine/import_run.h"
#include "import/library_source.h"
#include "sheet/sheet_reader.h"

#include <cmath>
#include <limits>

namespace {

// The import of the engine, reading through the loaded data-access library.
ImportOutcome RunImport(const TestDatabase& db, const ImportRequest& request, const ImportHooks& hooks)
{
    return ::RunImport(LibrarySource(Library(), db.Dir()), request, hooks);
}

ImportRequest Request(const TestDatabase& db, const std::vector<qv2omg::PriceRow>& rows)
{
    ImportRequest request;
    request.symbol = "XYZ";
    request.firstDay = DayOf(rows.front().date);
    request.lastDay = DayOf(rows.back().date);
    request.patternFile = db.Path("out.pat");
    return request;
}

TEST(ImportValues, MissingIsAtOrAboveTheMarkerOrNoNumber)
{
    EXPECT_FALSE(IsMissingPrice(std::nextafter(QV2OMG_MISSING_PRICE, 0.0f)));
    EXPECT_TRUE(IsMissingPrice(QV2OMG_MISSING_PRICE));
    EXPECT_TRUE(IsMissingPrice(std::numeric_limits<float>::infinity()));
}

class ImportRowsTest : public testing::TestWithParam<std::tuple<bool, bool>> {};

// 6 or 7 columns; a record with a missing price skipped or written with "*"; volume and
// open interest through single precision.
TEST_P(ImportRowsTest, WritesHeaderThenOneRowPerRecord)
{
    const auto [openInterest, skip] = GetParam();
    TestDatabase db;
    std::vector<qv2omg::PriceRow> rows = WeekdayRows(5);
    rows[1].volume = 123456789;
    rows[1].close = qv2omg::MissingPrice();
    rows[2].open = std::numeric_limits<float>::quiet_NaN();
    rows[3].openInterest = 16777217;
    db.Add("XYZ", rows);
    ImportRequest request = Request(db, rows);
    request.openInterest = openInterest;
    ImportHooks hooks;
    hooks.skipInvalid = [skip = skip] { return skip; };

    const ImportOutcome outcome = RunImport(db, request, hooks);

    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.rowsWritten, skip ? 3 : 5);
    const Grid grid = ReadGrid(request.patternFile);
    EXPECT_EQ(grid, ExpectedGrid("XYZ", rows, openInterest, skip));
    ASSERT_EQ(grid.size(), skip ? 4u : 6u);
    EXPECT_EQ(grid[0].back(), openInterest ? "XYZ_Open_Interest" : "XYZ_Volume");
    EXPECT_EQ(grid[1][0], "35856");  // 2 March 1998
    EXPECT_EQ(grid[2][0], skip ? "35859" : "35857");  // the next written record takes the row
    if (!skip) {
        EXPECT_EQ(grid[2][4], "*");
        EXPECT_EQ(grid[2][5], "123456792");
        EXPECT_EQ(grid[3][1], "*");
    }
    if (openInterest) {
        EXPECT_EQ(grid[skip ? 2 : 4][6], "16777216");
    }
    const SheetContents sheet = ReadSheetFile(request.patternFile).sheet;
    ASSERT_EQ(sheet.names.size(), 2u);
    EXPECT_EQ(sheet.names[0].name + ' ' + std::to_string(sheet.names[0].area.firstRow), "WK1LABEL 0");
    EXPECT_EQ(sheet.names[1].name + ' ' + std::to_string(sheet.names[1].area.firstRow), "WK1BEGIN 1");
}

INSTANTIATE_TEST_SUITE_P(OpenInterestAndSkip, ImportRowsTest, testing::Combine(testing::Bool(), testing::Bool()));

TEST(ImportJob, AsksWhetherToSkipForEveryRecord)
{
    TestDatabase db;
    std::vector<qv2omg::PriceRow> rows = WeekdayRows(3);
    rows[1].low = rows[2].low = qv2omg::MissingPrice();
    db.Add("XYZ", rows);
    int asked = 0;
    ImportHooks hooks;
    hooks.skipInvalid = [&asked] { return ++asked == 2; };  // ticked during the second record only

    EXPECT_EQ(RunImport(db, Request(db, rows), hooks).rowsWritten, 2);
    EXPECT_EQ(ReadGrid(db.Path("out.pat")), ExpectedGrid("XYZ", {rows[0], rows[2]}, false, false));
}

// Dates before 1900 go into xlsx as text, and the outcome counts them for the run to say so;
// the other formats have numbers for them.
TEST(ImportJob, CountsTheDatesXlsxHoldsAsText)
{
    TestDatabase db;
    std::vector<qv2omg::PriceRow> rows = WeekdayRows(4);
    const uint32_t dates[] = {18500102, 18991230, 18991231, 19000101};
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].date = dates[i];
    db.Add("XYZ", rows);
    for (const auto& [format, expected] : {std::pair<int16_t, int64_t>{kOutputXlsx, 3}, {kOutputCsv, 0}, {kSheetWk1, 0}}) {
        ImportRequest request = Request(db, rows);
        request.fileType = format;
        const ImportOutcome outcome = RunImport(db, request, {});
        EXPECT_EQ(outcome.result, 0) << format;
        EXPECT_EQ(outcome.datesAsText, expected) << format;
    }
    EXPECT_EQ(DatesAsTextNote(3), "3 dates before 1900 written as yyyy-mm-dd text: the xlsx date system begins in 1900");
    EXPECT_EQ(DatesAsTextNote(1), "1 date before 1900 written as yyyy-mm-dd text: the xlsx date system begins in 1900");
}

} // namespace
