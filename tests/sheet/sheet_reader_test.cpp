// The reader: what the writer wrote comes back, and damaged input gives an error text.

#include "sheet/sheet_reader.h"
#include "sheet_test_support.h"

#include <tuple>

namespace {

auto AreaOf(const SheetArea& a)
{
    return std::make_tuple(a.firstColumn, a.firstRow, a.lastColumn, a.lastRow);
}

auto CellOf(const SheetCellValue& c)
{
    return std::make_tuple(c.row, c.column, c.kind, c.integerValue, c.numberValue, c.text);
}

class SheetRoundTripTest : public SheetTest, public testing::WithParamInterface<int16_t> {
protected:
    // A price sheet as the import writes it, plus the other kinds and edge values.
    std::filesystem::path WriteSample()
    {
        const auto path = folder_ / "sample";
        EXPECT_EQ(WriteSheet(path, {Label(0, 1, "Date"), Label(0, 2, "XYZ_Close \x80\xE9"), Number(1, 1, 36526),
                                    Number(1, 2, -1.25e-300), Label(2, 2, "*"), Label(2, 3, ""),
                                    Integer(3, 1, 32767), Integer(3, 2, -2), Blank(40000, 4)},
                             {.fileType = GetParam(), .beginRow = 1}),
                  0);
        return path;
    }
};

TEST_P(SheetRoundTripTest, ReaderReturnsWhatWasWritten)
{
    const SheetReadResult read = ReadSheetFile(WriteSample().string());
    ASSERT_TRUE(read.ok()) << read.error;
    const SheetContents& sheet = read.sheet;
    EXPECT_EQ(sheet.fileType, GetParam());
    ASSERT_TRUE(sheet.usedRange);
    EXPECT_EQ(AreaOf(*sheet.usedRange), std::make_tuple(0, 0, 3, 40000));

    const bool wk1 = GetParam() == kSheetWk1;
    ASSERT_EQ(sheet.names.size(), 2u);
    EXPECT_EQ(sheet.names[wk1 ? 0 : 1].name, "WK1LABEL");
    EXPECT_EQ(AreaOf(sheet.names[wk1 ? 0 : 1].area), std::make_tuple(0, 0, 0, 0));
    EXPECT_EQ(sheet.names[wk1 ? 1 : 0].name, "WK1BEGIN");
    EXPECT_EQ(AreaOf(sheet.names[wk1 ? 1 : 0].area), std::make_tuple(0, 1, 0, 1));

    using Cell = decltype(CellOf(SheetCellValue{}));
    const std::vector<Cell> expected = {
        {0, 0, CellLabel, 0, 0, "Date"},
        {0, 1, CellLabel, 0, 0, "XYZ_Close \x80\xE9"},
        {1, 0, CellNumber, 0, 36526, ""},
        {1, 1, CellNumber, 0, -1.25e-300, ""},
        {2, 1, CellLabel, 0, 0, "*"},
        {2, 2, CellLabel, 0, 0, ""},
        {3, 0, CellInteger, 32767, 0, ""},
        wk1 ? Cell{3, 1, CellInteger, -2, 0, ""} : Cell{3, 1, CellNumber, 0, -2, ""},
        {40000, 3, CellBlank, 0, 0, ""},
    };
    std::vector<Cell> actual;
    for (const auto& cell : sheet.cells)
        actual.push_back(CellOf(cell));
    EXPECT_EQ(actual, expected);
}

// Every cut of a good file is damaged (changed bytes are the sheet reader fuzzer's).
TEST_P(SheetRoundTripTest, CutFiles)
{
    const Bytes good = ReadBytes(WriteSample());
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(ReadSheetBytes(std::span(good.data(), size)).ok()) << "cut at " << size;
}

INSTANTIATE_TEST_SUITE_P(Types, SheetRoundTripTest,
                         testing::Values(kSheetWk1, kSheetBiff2, kSheetBiff3, kSheetBiff4),
                         [](const auto& type) { return SheetFileTypeName(type.param); });

struct MalformedCase {
    const char* name;
    Bytes bytes;
    std::string error;
};

const MalformedCase kMalformed[] = {
    {"Empty", {}, "not a worksheet: the file is too short"},
    {"Zip", Hex("50 4B 03 04 14 00"), "not a WK1 or BIFF2-4 worksheet (first record 0x4B50)"},
    {"Biff8", Hex("09 08 10 00"), "BIFF5 and later workbooks are not supported"},
    {"Wk1WithoutEof", Hex("00 00 02 00 06 04"), "damaged file: no end-of-file record (the file is cut short)"},
    {"RecordPastTheEnd", Hex("00 00 02 00 06 04  0E 00 0D 00 F1 00 00"),
     "damaged file: the record at offset 6 (type 0x000E) runs past the end of the file"},
    {"Wk1ShortNumber", Hex("00 00 02 00 06 04  0E 00 05 00 F1 00 00 00 00  01 00 00 00"),
     "damaged file: the NUMBER record at offset 6 is too short"},
    {"Biff2LabelPastRecord", Hex("09 00 04 00 00 00 10 00  04 00 09 00 00 00 00 00 00 00 03 05 41  0A 00 00 00"),
     "damaged file: the LABEL record at offset 8 is too short"},
    {"Biff4NameFormulaPastRecord", Hex("09 04 06 00 00 00 10 00 00 00  18 02 08 00 00 00 0C 01 40 00 41 2C  0A 00 00 00"),
     "damaged file: the NAME record at offset 10 is too short"},
};

class SheetMalformedTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(SheetMalformedTest, GivesTheError)
{
    EXPECT_EQ(ReadSheetBytes(GetParam().bytes).error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Inputs, SheetMalformedTest, testing::ValuesIn(kMalformed), CaseName());

TEST(SheetReaderTest, UnknownRecordsAndRecordsAfterTheEndAreSkipped)
{
    const auto read = ReadSheetBytes(
        Hex("00 00 02 00 06 04  10 00 03 00 AA BB CC  0C 00 05 00 F1 02 00 03 00  01 00 00 00  0C 00 05 00"));
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_FALSE(read.sheet.usedRange);
    ASSERT_EQ(read.sheet.cells.size(), 1u);
    EXPECT_EQ(std::tie(read.sheet.cells[0].row, read.sheet.cells[0].column), std::make_tuple(3, 2));
    EXPECT_EQ(ReadSheetFile("/nonexistent/file.wk1").error, "cannot open the file: No such file or directory");
    EXPECT_EQ(SheetTextToUtf8("\x80 caf\xE9 \x93q\x94"), "\u20AC caf\u00E9 \u201Cq\u201D");
}

TEST_F(SheetTest, SheetdumpPrintsTheSheetOrWhatIsWrong)
{
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: runs the tool through a POSIX shell; scripts/test-windows runs sheetdump itself";
#else
    const auto path = folder_ / "dump.wk1";
    const auto sheetdump = [this](const std::string& argument) {
        const ProcessRun run = RunShell(folder_, TESSAPORT_PROGRAM_DIR "/sheetdump " + ShellWord(argument));
        return std::tuple(run.exitCode, run.out, run.err);
    };
    ASSERT_EQ(WriteSheet(path, {Label(0, 1, "Date"), Label(0, 28, "say \"hi\", \xE9"), Number(1, 1, 0.1),
                                Integer(1, 2, -3), Blank(2, 2)},
                         {.beginRow = 1}),
              0);
    const std::string expected = "file type: WK1\nused range: A1:AB3\nname: WK1LABEL A1:A1\nname: WK1BEGIN A2:A2\n"
                                 "cell,row,column,kind,value\nA1,0,0,label,Date\n"
                                 "AB1,0,27,label,\"say \"\"hi\"\", \u00E9\"\n"
                                 "A2,1,0,number,0.1\nB2,1,1,integer,-3\nB3,2,1,blank,\n";
    EXPECT_EQ(sheetdump(path.string()), std::tuple(0, expected, ""));
    // A label's control characters are escaped, and such a field is quoted.
    ASSERT_EQ(WriteSheet(path, {Label(0, 1, "\x1B]52;c;aGk=\x07"), Label(0, 26, "\x9B" "1m")}), 0);
    const std::string escaped = std::get<1>(sheetdump(path.string()));
    EXPECT_NE(escaped.find("A1,0,0,label,\"\\x1B]52;c;aGk=\\x07\"\n"), std::string::npos) << escaped;
    EXPECT_NE(escaped.find("\nZ1,0,25,label,\u203A1m\n"), std::string::npos) << escaped;
    WriteBytes(path, Hex("09 00 04 00 00 00 10 00"));
    EXPECT_EQ(sheetdump(path.string()),
              std::tuple(1, "", "sheetdump: " + path.string() + ": damaged file: no end-of-file record (the file is cut short)\n"));
    // An option it does not know is a usage error, not a file name.
    const auto [code, out, err] = sheetdump("--bogus");
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.starts_with("sheetdump: unknown option --bogus\n")) << err;
#endif
}

}  // namespace
