// The row writers of every output format, read back by the readers of the pattern file
// formats and of xlsx and CSV; and that a writer that does not finish leaves nothing behind.

#include "export/output_format.h"
#include "export/row_writers.h"
#include "sheet/cell_kinds.h"
#include "sheet/sheet_errors.h"
#include "sheet/sheet_reader.h"
#include "sheet/sheet_file.h"
#include "workbook/workbook_reader.h"

#include <gtest/gtest.h>

#include "test_files.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace test_support;

namespace {

struct Row {
    int32_t day;
    std::vector<RowValue> values;
};

const std::vector<std::string> kHeader = {"Date", "Close", "Volume", "Name"};
// Days 0, 60 and 61 are 30 December 1899, 28 February and 1 March 1900; 36526 is 1 January
// 2000; -700000 lies before year 1.
const std::vector<Row> kRows = {
    {0, {RowValue::OfPrice(1.5f), RowValue::OfCount(1000), RowValue::OfText("=1+2")}},
    {60, {RowValue::OfMissing(), RowValue{}, RowValue::OfText("a,\"b\"")}},
    {61, {RowValue::OfPrice(0.1f), RowValue::OfCount(3000000000), RowValue::OfText("caf\xE9")}},
    {36526, {RowValue::OfPrice(-2.25f), RowValue::OfCount(0), RowValue::OfText("-1")}},
    {-700000, {RowValue::OfPrice(7.0f), RowValue{}, RowValue{}}},
};

// A cell as any reader gives it: a number, or text in UTF-8.
struct Cell {
    int32_t row;
    int32_t column;
    bool number;
    double value;
    std::string text;
    bool operator==(const Cell&) const = default;
};

Cell Number(int32_t row, int32_t column, double value) { return {row, column, true, value, {}}; }
Cell Text(int32_t row, int32_t column, std::string text) { return {row, column, false, 0, std::move(text)}; }

class RowWriterTest : public testing::Test {
protected:
    // Writes kHeader and kRows; the first failure, else Close's result.
    int16_t WriteTable(int16_t format, const fs::path& path, int64_t* textDates = nullptr)
    {
        int16_t result = kSheetOk;
        std::unique_ptr<RowWriter> writer = OpenRowWriter(format, path.string(), result);
        if (!writer)
            return result;
        if ((result = writer->WriteHeader(kHeader)) != kSheetOk)
            return result;
        for (const Row& row : kRows) {
            if ((result = writer->WriteRow(row.day, row.values)) != kSheetOk)
                return result;
        }
        if (textDates)
            *textDates = writer->DatesWrittenAsText();
        return writer->Close();
    }

    std::vector<std::string> FolderEntries() const { return temp_.Entries(); }

    TempFolder temp_;
    const fs::path folder_ = temp_.Path();
};

// The raw flavour keeps a text a spreadsheet would evaluate as it is; the other guards it.
TEST_F(RowWriterTest, CsvBytesAreRfc4180WithIsoDates)
{
    for (const auto& [format, expected] : {std::pair{kOutputCsv, "Date,Close,Volume,Name\r\n"
                                                                 "1899-12-30,1.5,1000,'=1+2\r\n"
                                                                 "1900-02-28,,,\"a,\"\"b\"\"\"\r\n"
                                                                 "1900-03-01,0.1,3000000000,caf\xC3\xA9\r\n"
                                                                 "2000-01-01,-2.25,0,'-1\r\n"
                                                                 "0001-01-01,7,,\r\n"},
                                           {kOutputCsvRawText, "Date,Close,Volume,Name\r\n"
                                                               "1899-12-30,1.5,1000,=1+2\r\n"
                                                               "1900-02-28,,,\"a,\"\"b\"\"\"\r\n"
                                                               "1900-03-01,0.1,3000000000,caf\xC3\xA9\r\n"
                                                               "2000-01-01,-2.25,0,-1\r\n"
                                                               "0001-01-01,7,,\r\n"}}) {
        ASSERT_EQ(WriteTable(format, folder_ / "out.csv"), kSheetOk);
        EXPECT_EQ(ReadText(folder_ / "out.csv"), expected) << "format " << format;
    }
}

class PatternFileCells : public RowWriterTest, public testing::WithParamInterface<int16_t> {};

// Dates as day numbers, a missing price as "*", counts through single precision, text as
// its Windows-1252 bytes.
TEST_P(PatternFileCells, ReadBackAsWritten)
{
    const fs::path path = folder_ / "out.pat";
    ASSERT_EQ(WriteTable(GetParam(), path), kSheetOk);
    const SheetReadResult read = ReadSheetFile(path.string());
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.sheet.fileType, GetParam());
    std::vector<Cell> cells;
    for (const SheetCellValue& cell : read.sheet.cells) {
        if (cell.kind == CellLabel)
            cells.push_back(Text(cell.row, cell.column, cell.text));
        else if (cell.kind == CellNumber)
            cells.push_back(Number(cell.row, cell.column, cell.numberValue));
    }
    const std::vector<Cell> expected = {
        Text(0, 0, "Date"), Text(0, 1, "Close"), Text(0, 2, "Volume"), Text(0, 3, "Name"),
        Number(1, 0, 0), Number(1, 1, 1.5), Number(1, 2, 1000), Text(1, 3, "=1+2"),
        Number(2, 0, 60), Text(2, 1, "*"), Text(2, 3, "a,\"b\""),
        Number(3, 0, 61), Number(3, 1, 0.1f), Number(3, 2, 3000000000.0f), Text(3, 3, "caf\xE9"),
        Number(4, 0, 36526), Number(4, 1, -2.25), Number(4, 2, 0), Text(4, 3, "-1"),
        Number(5, 0, -700000), Number(5, 1, 7),
    };
    EXPECT_EQ(cells, expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, PatternFileCells, testing::Values(kSheetWk1, kSheetBiff2, kSheetBiff3, kSheetBiff4));

// Dates from 1900 as serials (the workbook reader counts them back into day numbers),
// earlier ones as yyyy-mm-dd text and counted; missing prices and absent values as no cell.
TEST_F(RowWriterTest, XlsxReadsBackAsWrittenOrIsRefusedWithItsReason)
{
    const fs::path path = folder_ / "out.xlsx";
    int64_t textDates = -1;
    const int16_t result = WriteTable(kOutputXlsx, path, &textDates);
    if (!XlsxWriterAbsence().empty()) {
        EXPECT_EQ(result, kSheetFeatureUnavailable) << SheetErrorText(result);
        EXPECT_TRUE(FolderEntries().empty()) << "a refused format makes no file";
        const auto refusal = LimitRefusal(kOutputXlsx, 4, 5);
        ASSERT_TRUE(refusal.has_value());
        EXPECT_NE(refusal->find("without minizip"), std::string::npos) << *refusal;
        EXPECT_EQ(LimitRefusal(kOutputCsv, 4, 5), std::nullopt);
        GTEST_SKIP() << XlsxWriterAbsence();
    }
    ASSERT_EQ(result, kSheetOk) << SheetErrorText(result);
    EXPECT_EQ(textDates, 2);
    std::vector<Cell> cells;
    const WorkbookInfo info = ReadXlsxFile(path.string(), [&cells](const WorkbookCell& cell) {
        cells.push_back(cell.kind == CellNumber ? Number(cell.row, cell.column, cell.value) : Text(cell.row, cell.column, cell.text));
        return true;
    });
    ASSERT_TRUE(info.ok()) << info.error;
    const std::vector<Cell> expected = {
        Text(0, 0, "Date"), Text(0, 1, "Close"), Text(0, 2, "Volume"), Text(0, 3, "Name"),
        Text(1, 0, "1899-12-30"), Number(1, 1, 1.5), Number(1, 2, 1000), Text(1, 3, "=1+2"),
        Number(2, 0, 60), Text(2, 3, "a,\"b\""),
        Number(3, 0, 61), Number(3, 1, 0.1), Number(3, 2, 3000000000.0), Text(3, 3, "caf\xC3\xA9"),
        Number(4, 0, 36526), Number(4, 1, -2.25), Number(4, 2, 0), Text(4, 3, "-1"),
        Text(5, 0, "0001-01-01"), Number(5, 1, 7),
    };
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(info.usedRange, "A1:D6");
}

class UnfinishedFile : public RowWriterTest, public testing::WithParamInterface<int16_t> {};

// A writer given up before Close, or one whose folder is missing, leaves an earlier file as
// it was and no temporary file beside it.
TEST_P(UnfinishedFile, LeavesTheEarlierFileAndNothingElse)
{
    if (GetParam() == kOutputXlsx && !XlsxWriterAbsence().empty())
        GTEST_SKIP() << XlsxWriterAbsence();
    const fs::path earlier = folder_ / "earlier";
    WriteText(earlier, "EARLIER");
    {
        int16_t result = kSheetOk;
        std::unique_ptr<RowWriter> writer = OpenRowWriter(GetParam(), earlier.string(), result);
        ASSERT_TRUE(writer) << SheetErrorText(result);
        ASSERT_EQ(writer->WriteHeader(kHeader), kSheetOk);
        for (int repeat = 0; repeat < 3000; ++repeat)  // past any buffer
            ASSERT_EQ(writer->WriteRow(kRows[0].day, kRows[0].values), kSheetOk);
    }
    EXPECT_EQ(ReadText(earlier), "EARLIER");

    const fs::path nowhere = folder_ / "missing" / "out";
    EXPECT_EQ(WriteTable(GetParam(), nowhere), kSheetPathNotFound);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"earlier"});
}

INSTANTIATE_TEST_SUITE_P(Formats, UnfinishedFile,
                         testing::Values(kSheetWk1, kSheetBiff2, kSheetBiff3, kSheetBiff4, kOutputXlsx, kOutputCsv));

TEST(OutputFormat, NamesExtensionsAndLimits)
{
    struct Case {
        const char* name;
        int16_t format;
        const char* extension;
    };
    for (const Case& c : {Case{"a.XLSX", kOutputXlsx, ".xlsx"}, Case{"C:\\out\\b.Csv", kOutputCsv, ".csv"},
                          Case{"c.pat", kSheetWk1, ".pat"}, Case{"d.xls", kSheetWk1, ".pat"}, Case{"xlsx", kSheetWk1, ".pat"}}) {
        EXPECT_EQ(FormatForFileName(c.name), c.format) << c.name;
        EXPECT_EQ(FormatExtension(c.format), c.extension) << c.name;
    }
    struct Limit {
        int16_t format;
        int64_t columns, rows;
        const char* refusal;  // null: it fits
    };
    for (const Limit& c : {
             Limit{kSheetWk1, 256, 65535, nullptr},
             Limit{kSheetWk1, 257, 10, "the result has 257 columns, but WK1 holds at most 256: write xlsx or CSV instead"},
             Limit{kSheetBiff4, 3, 65535, "the result has 65,535 data rows, but BIFF4 holds at most 65,534: write xlsx or CSV instead"},
             Limit{kOutputCsv, 1000000, 100000000, nullptr},
         }) {
        const auto refusal = LimitRefusal(c.format, c.columns, c.rows);
        EXPECT_EQ(refusal.value_or("fits"), c.refusal ? c.refusal : "fits");
    }
    if (XlsxWriterAbsence().empty()) {
        EXPECT_EQ(LimitRefusal(kOutputXlsx, 16384, 1048575), std::nullopt);
        EXPECT_EQ(LimitRefusal(kOutputXlsx, 16385, 1).value_or(""),
                  "the result has 16,385 columns, but xlsx holds at most 16,384: write CSV instead");
    }
}

} // namespace
