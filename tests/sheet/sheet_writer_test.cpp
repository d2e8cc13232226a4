// The written bytes: whole files laid out record by record, then single records at the edges.

#include "sheet_test_support.h"

namespace {

const Bytes kWk1Bof = Hex("00 00 02 00  06 04");
const Bytes kWk1Eof = Hex("01 00 00 00");
const Bytes kBiffEof = Hex("0A 00 00 00");
const Bytes kBiffStyle = Hex("93 02 04 00  00 80 00 FF");

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes Wk1Name(const std::string& name, const std::string& row)
{
    return Join({Hex("0B 00 18 00"), Text(name), Hex("00 20 20 20 20 20 20 20  00 00"), Hex(row), Hex("00 00"),
                 Hex(row)});
}

Bytes Biff2Name(const std::string& name, const std::string& row)
{
    return Join({Hex("18 00 12 00  20 6D 2F 08 04"), Text(name), Hex("2C"), Hex(row), Hex("00 04")});
}

Bytes Biff34Name(const std::string& name, const std::string& row)
{
    return Join({Hex("18 02 12 00  00 00 0C 08 04 00"), Text(name), Hex("2C"), Hex(row), Hex("00")});
}

Bytes SixteenXf(const std::string& xf)
{
    Bytes bytes;
    for (int i = 0; i < 16; ++i)
        bytes = Join({bytes, Hex(xf)});
    return bytes;
}

const char* const kBiff3Xf = "43 02 0C 00  00 00 05 00 F0 FF 00 CE 00 00 00 00";

// BIFF3 and BIFF4 differ in the BOF type and the XF records only.
Bytes Biff34File(const std::string& bofType, const std::string& xf)
{
    return Join({Hex(bofType), Hex("06 00  00 00 10 00 00 00"),
                 Hex("00 02 0A 00  00 00 02 00 00 00 03 00 00 00"),
                 SixteenXf(xf),
                 kBiffStyle,
                 Biff34Name("WK1BEGIN", "01 00"),
                 Biff34Name("WK1LABEL", "00 00"),
                 Hex("04 02 0C 00  00 00 00 00 00 00  04 00 44 61 74 65"),
                 Hex("03 02 0E 00  01 00 00 00 00 00  00 00 00 00 C0 D5 E1 40"),
                 Hex("02 00 09 00  01 00 01 00 00 00 03  07 00"),
                 Hex("01 02 06 00  01 00 02 00 00 00"),
                 kBiffEof});
}

// A whole file: with the import's settings (label row 0, begin row 1) and A1 "Date", A2 36526,
// B2 7, C2 blank; or without names and only a cell of kind 16, which writes nothing and leaves
// the used range as it was.
struct WholeFileCase {
    const char* name;
    int16_t fileType;
    bool importSettings;
    Bytes expected;
};

const WholeFileCase kWholeFiles[] = {
    {"Wk1", kSheetWk1, true,
     Join({kWk1Bof,
           Hex("06 00 08 00  00 00 00 00 02 00 01 00"),
           Wk1Name("WK1LABEL", "00 00"),
           Wk1Name("WK1BEGIN", "01 00"),
           Hex("0F 00 0B 00  F1 00 00 00 00  27 44 61 74 65 00"),
           Hex("0E 00 0D 00  F1 00 00 01 00  00 00 00 00 C0 D5 E1 40"),
           Hex("0D 00 07 00  F1 01 00 01 00  07 00"),
           Hex("0C 00 05 00  F1 02 00 01 00"),
           kWk1Eof})},
    {"Biff2", kSheetBiff2, true,
     Join({Hex("09 00 04 00  00 00 10 00"),
           Hex("00 00 08 00  00 00 02 00 00 00 03 00"),
           Biff2Name("WK1BEGIN", "01 00"),
           Biff2Name("WK1LABEL", "00 00"),
           Hex("04 00 0C 00  00 00 00 00 00 00 03  04 44 61 74 65"),
           Hex("03 00 0F 00  01 00 00 00 00 00 03  00 00 00 00 C0 D5 E1 40"),
           Hex("02 00 09 00  01 00 01 00 00 00 03  07 00"),
           Hex("01 00 07 00  01 00 02 00 00 00 03"),
           kBiffEof})},
    {"Biff3", kSheetBiff3, true, Biff34File("09 02", kBiff3Xf)},
    {"Biff4", kSheetBiff4, true, Biff34File("09 04", "43 04 0C 00  00 00 F5 FF 20 00 00 CE 00 00 00 00")},
    {"EmptyWk1", kSheetWk1, false, Join({kWk1Bof, Hex("06 00 08 00  0F 27 00 00 00 00 00 00"), kWk1Eof})},
    {"EmptyUnknownTypeIsWk1", 9, false, Join({kWk1Bof, Hex("06 00 08 00  0F 27 00 00 00 00 00 00"), kWk1Eof})},
    {"EmptyBiff2", kSheetBiff2, false,
     Join({Hex("09 00 04 00  00 00 10 00  00 00 08 00  00 00 01 00 0F 27 01 00"), kBiffEof})},
};

class SheetWholeFileTest : public SheetTest, public testing::WithParamInterface<WholeFileCase> {};

TEST_P(SheetWholeFileTest, ReplacesAnEarlierFileWithExactlyTheseBytes)
{
    const WholeFileCase& c = GetParam();
    const auto path = folder_ / "pattern";
    WriteBytes(path, Bytes(5000, 0xEE));  // an earlier, longer file is replaced whole
    SheetFileOptions options;
    options.fileType = c.fileType;
    options.beginRow = c.importSettings ? 1 : 0;
    options.names = c.importSettings;
    SheetCell kind16 = Blank(0, 1);
    kind16.kind = 16;
    const int16_t result = c.importSettings
        ? WriteSheet(path, {Label(0, 1, "Date"), Number(1, 1, 36526), Integer(1, 2, 7), Blank(1, 3)}, options)
        : WriteSheet(path, {kind16}, options);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(path), c.expected);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"pattern"});
}

INSTANTIATE_TEST_SUITE_P(Types, SheetWholeFileTest, testing::ValuesIn(kWholeFiles), CaseName());

// One cell in a file without names: its record and the used range.
struct CellCase {
    const char* name;
    int16_t fileType;
    SheetCell cell;
    SheetCellStyle style;
    Bytes record;
    Bytes usedRange;
};

const SheetCellStyle kPlain;
const SheetCellStyle kStyled{true, 0x40, 0x0015, '^'};

const CellCase kCells[] = {
    {"Wk1EmptyLabel", kSheetWk1, Label(0, 1, ""), kPlain, Hex("0F 00 07 00  F1 00 00 00 00  27 00"),
     Hex("00 00 00 00 00 00 00 00")},
    {"Wk1Row65535", kSheetWk1, Blank(65535, 1), kPlain, Hex("0C 00 05 00  F1 00 00 FF FF"),
     Hex("00 00 00 00 00 00 FF FF")},
    {"Wk1NegativeIntegerStaysInteger", kSheetWk1, Integer(3, 1, -5), kPlain,
     Hex("0D 00 07 00  F1 00 00 03 00  FB FF"), Hex("00 00 00 00 00 00 03 00")},
    {"Wk1Styled", kSheetWk1, Label(0, 1, "x"), kStyled, Hex("0F 00 08 00  40 00 00 00 00  5E 78 00"),
     Hex("00 00 00 00 00 00 00 00")},
    {"Biff2Row40000", kSheetBiff2, Blank(40000, 1), kPlain, Hex("01 00 07 00  40 9C 00 00 00 00 03"),
     Hex("00 00 41 9C 00 00 01 00")},
    {"Biff2NegativeIntegerIsNumber", kSheetBiff2, Integer(2, 1, -1), kPlain,
     Hex("03 00 0F 00  02 00 00 00 00 00 03  00 00 00 00 00 00 F0 BF"), Hex("00 00 03 00 00 00 01 00")},
    {"Biff2Styled", kSheetBiff2, Blank(0, 2), kStyled, Hex("01 00 07 00  00 00 01 00 15 00 40"),
     Hex("00 00 01 00 01 00 02 00")},
    {"Biff4Styled", kSheetBiff4, Blank(0, 2), kStyled, Hex("01 02 06 00  00 00 01 00 15 00"),
     Hex("00 00 01 00 01 00 02 00")},
};

class SheetCellTest : public SheetTest, public testing::WithParamInterface<CellCase> {};

TEST_P(SheetCellTest, RecordAndUsedRange)
{
    const CellCase& c = GetParam();
    const auto path = folder_ / "cell";
    SheetFile sheet;
    ASSERT_EQ(sheet.Open(path.string(), {.fileType = c.fileType, .names = false}), 0);
    ASSERT_EQ(sheet.Write(c.cell, c.style), 0);
    ASSERT_EQ(sheet.Close(), 0);

    const std::size_t rangeAt = c.fileType == kSheetWk1 ? 10 : c.fileType == kSheetBiff2 ? 12 : 14;
    const std::size_t recordAt = c.fileType == kSheetWk1 ? 18 : c.fileType == kSheetBiff2 ? 20 : 288;
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), recordAt + c.record.size() + 4);
    EXPECT_EQ(Bytes(file.begin() + rangeAt, file.begin() + rangeAt + 8), c.usedRange);
    EXPECT_EQ(Bytes(file.begin() + recordAt, file.end() - 4), c.record);
}

INSTANTIATE_TEST_SUITE_P(Cells, SheetCellTest, testing::ValuesIn(kCells), CaseName());

TEST_F(SheetTest, CellsOutOfOrderOnlyWidenTheUsedRangeOfTheirOwnFile)
{
    const auto wk1 = folder_ / "order.wk1";
    const auto biff = folder_ / "order.xls";
    SheetFile wk1File, biffFile;
    ASSERT_EQ(wk1File.Open(wk1.string(), {.names = false}), 0);
    ASSERT_EQ(biffFile.Open(biff.string(), {.fileType = kSheetBiff2, .names = false}), 0);
    for (SheetFile* file : {&wk1File, &biffFile})
        ASSERT_EQ(WriteCells(*file, {Integer(5, 4, 1), Integer(2, 2, 1), Integer(9, 3, 1), Integer(1, 6, 1)}),
                  0);
    ASSERT_EQ(biffFile.Close(), 0);
    ASSERT_EQ(wk1File.Close(), 0);
    const Bytes wk1Bytes = ReadBytes(wk1);
    const Bytes biffBytes = ReadBytes(biff);
    ASSERT_EQ(wk1Bytes.size(), 18u + 4 * 11 + 4);
    ASSERT_EQ(biffBytes.size(), 20u + 4 * 13 + 4);
    EXPECT_EQ(Bytes(wk1Bytes.begin() + 10, wk1Bytes.begin() + 18), Hex("01 00 00 00  05 00 09 00"));
    EXPECT_EQ(Bytes(biffBytes.begin() + 12, biffBytes.begin() + 20), Hex("00 00 0A 00  01 00 06 00"));
}

}  // namespace
