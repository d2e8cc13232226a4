// The workbook readers on files built here: the cells of xlsx and CSV, each kind of damage
// refused with its message, a zip64 archive, and the hostile files refused or printed by
// sheetdump in bounded memory.

#include "hostile_files.h"
#include "test_files.h"
#include "workbook/workbook_reader.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

namespace {

namespace fs = std::filesystem;
using test_support::ReadText;
using test_support::WriteText;

struct Read {
    WorkbookInfo info;
    std::vector<WorkbookCell> cells;
    const WorkbookCell* At(int row, int column) const
    {
        for (const WorkbookCell& cell : cells)
            if (cell.row == row && cell.column == column)
                return &cell;
        return nullptr;
    }
};

Read ReadFile(const std::string& path)
{
    Read read;
    const WorkbookCellSink sink = [&read](const WorkbookCell& cell) {
        read.cells.push_back(cell);
        return true;
    };
    read.info = WorkbookKindOf(path) == WorkbookKind::Xlsx ? ReadXlsxFile(path, sink) : ReadCsvFile(path, sink);
    return read;
}

class Workbook : public testing::Test {
protected:
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    test_support::TempFolder temp_;
    const fs::path folder_ = temp_.Path();
};

TEST_F(Workbook, XlsxCellsOfEveryKind)
{
    const std::string path = Path("kinds.xlsx");
    hostile::WriteXlsx(path, {
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"r\"><sheets><sheet name=\"My 'x'\" r:id=\"rId7\"/></sheets><definedNames>"
         "<definedName name=\"WK1LABEL\">'My ''x'''!$A$1</definedName><definedName name=\"Other\">Other!$A$1</definedName>"
         "</definedNames></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId7\" Type=\"x/worksheet\" Target=\"worksheets/data.xml\"/>"
         "<Relationship Id=\"rId8\" Type=\"x/styles\" Target=\"/xl/s.xml\"/></Relationships>"},
        {"xl/s.xml", "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy\\-mm\\-dd\"/></numFmts>"
                     "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>"},
        {"xl/sharedStrings.xml", "<sst><si><t>plain</t></si><si><r><t>ru</t></r><r><t xml:space=\"preserve\">n &amp; </t></r>"
                                 "<rPh><t>guide</t></rPh></si></sst>"},
        {"xl/worksheets/data.xml",
         "<?xml version=\"1.0\"?><!-- made by hand --><worksheet><dimension ref=\"A1:F3\"/><sheetData>"
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c><c r=\"C1\" t=\"inlineStr\"><is><t>&#x41;&#66;&lt;</t></is></c>"
         "<c r=\"D1\" t=\"str\"><f>1+1</f><v>2</v></c><c r=\"E1\"><v> 1.5E3 </v></c><c r=\"F1\"/></row>"
         "<row r=\"3\"><c r=\"A3\" s=\"1\"><v>1</v></c><c r=\"B3\" s=\"2\"><v>59</v></c><c r=\"C3\" s=\"1\"><v>61</v></c>"
         "<c r=\"D3\" s=\"0\"><v>1</v></c><c r=\"E3\" t=\"d\"><v>1850-01-02T00:00:00</v></c><c r=\"F3\" t=\"inlineStr\"><is><t><![CDATA[<x>]]></t></is></c>"
         "<c r=\"AB3\"><v>7</v></c></row>"
         "</sheetData></worksheet>"},
    });
    const Read read = ReadFile(path);
    ASSERT_TRUE(read.info.ok()) << read.info.error;
    EXPECT_EQ(read.info.fileTypeName, "xlsx");
    EXPECT_EQ(read.info.usedRange, "A1:F3");
    ASSERT_EQ(read.info.names.size(), 1u);
    EXPECT_EQ(read.info.names[0].name, "WK1LABEL");

    const std::tuple<int, int, int16_t, double, std::string> expected[] = {
        {0, 0, CellLabel, 0, "plain"}, {0, 1, CellLabel, 0, "run & "}, {0, 2, CellLabel, 0, "AB<"},
        {0, 3, CellLabel, 0, "2"},     {0, 4, CellNumber, 1500, ""},   {2, 0, CellNumber, 2, ""},
        {2, 1, CellNumber, 60, ""},    {2, 2, CellNumber, 61, ""},    {2, 3, CellNumber, 1, ""},
        {2, 4, CellNumber, -18259, ""}, {2, 5, CellLabel, 0, "<x>"},   {2, 27, CellNumber, 7, ""}};
    ASSERT_EQ(read.cells.size(), std::size(expected));
    for (const auto& [row, column, kind, value, text] : expected) {
        const WorkbookCell* cell = read.At(row, column);
        ASSERT_NE(cell, nullptr) << row << "," << column;
        EXPECT_EQ(std::tie(cell->kind, cell->value, cell->text), std::tie(kind, value, text)) << row << "," << column;
    }
}

TEST_F(Workbook, CsvCellsOfEveryKind)
{
    const std::string path = Path("kinds.csv");
    WriteText(path, "\xEF\xBB\xBF" "Date,\"A,1\",B\r\n"
                             "2000-01-03,\"say \"\"hi\"\"\nthere\",-1.5e3\n"
                             "2000-02-30,,12\r"
                             "0001-01-01,nan,0x10\r\n");
    const Read read = ReadFile(path);
    ASSERT_TRUE(read.info.ok()) << read.info.error;
    EXPECT_EQ(read.info.usedRange, "A1:C4");
    EXPECT_EQ(read.At(0, 1)->text, "A,1");
    EXPECT_EQ(read.At(1, 0)->value, 36528);
    EXPECT_EQ(read.At(1, 1)->text, "say \"hi\"\nthere");
    EXPECT_EQ(read.At(1, 2)->value, -1500);
    EXPECT_EQ(read.At(3, 0)->value, -693593);
    // Not a day of the calendar, not a finite number, not decimal: texts.
    for (const auto& [row, column, text] : {std::tuple{2, 0, "2000-02-30"}, {3, 1, "nan"}, {3, 2, "0x10"}}) {
        EXPECT_EQ(read.At(row, column)->kind, CellLabel);
        EXPECT_EQ(read.At(row, column)->text, text);
    }
    EXPECT_EQ(read.At(2, 1), nullptr);
}

// Only a whole byte order mark goes; a first cell that merely starts with its first bytes
// keeps them.
TEST_F(Workbook, CsvFirstCellKeepsWhatIsNotAByteOrderMark)
{
    for (const auto& [bytes, text] : {std::pair{"\xEF\xBB\xBF" "ab", "ab"}, {"\xEF\x91\xA1" "1a", "\xEF\x91\xA1" "1a"},
                                      {"\xEF\xBB" "x", "\xEF\xBB" "x"}}) {
        WriteText(Path("mark.csv"), bytes);
        const Read read = ReadFile(Path("mark.csv"));
        ASSERT_TRUE(read.info.ok()) << read.info.error;
        EXPECT_EQ(read.At(0, 0)->text, text);
    }
}

// Texts past kMaxCellText are cut, at a character's start, and marked.
TEST_F(Workbook, LongTextsAreCutAndMarked)
{
    const std::string long_(kMaxCellText + 10, 'y');
    const std::string euro = "\xE2\x82\xAC";
    std::string euros;
    while (euros.size() < kMaxCellText + 10)
        euros += euro;
    WriteText(Path("long.csv"), "A,B\r\n" + long_ + "," + euros + "\r\n");
    hostile::WriteSheetXlsx(Path("long.xlsx"), "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + long_ + "</t></is></c>"
                                               "<c r=\"B1\" t=\"s\"><v>0</v></c></row>",
                            "<sst><si><t>" + euros + "</t></si></sst>");
    for (const char* name : {"long.csv", "long.xlsx"}) {
        const Read read = ReadFile(Path(name));
        ASSERT_TRUE(read.info.ok()) << name << ": " << read.info.error;
        EXPECT_EQ(read.info.cutCells, 2) << name;
        const int row = std::string(name).ends_with("csv") ? 1 : 0;
        EXPECT_EQ(read.At(row, 0)->text, std::string(kMaxCellText, 'y') + kCutMark) << name;
        const std::string& cut = read.At(row, 1)->text;
        EXPECT_TRUE(cut.ends_with(kCutMark) && cut.size() <= kMaxCellText + 3 && (cut.size() - 3) % 3 == 0) << name;
    }
}

// Each kind of damage, with the message that says what is wrong.
TEST_F(Workbook, DamageIsRefusedWithItsMessage)
{
    const std::string good = Path("good.xlsx");
    hostile::WriteSheetXlsx(good, "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>0</v></c></row>",
                            "<sst><si><t>text</t></si></sst>");
    ASSERT_TRUE(ReadFile(good).info.ok());
    const std::string bytes = ReadText(good);

    // The archive cut short, and a changed byte of the sheet's packed data (its local header
    // holds no extra field: the data follow the name).
    WriteText(Path("cut.xlsx"), bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(ReadFile(Path("cut.xlsx")).info.error, "the zip directory is missing or damaged (the file is cut short or is no xlsx file)");
    const std::size_t data = bytes.find("xl/worksheets/sheet1.xml") + 24;
    for (const std::size_t at : {data, data + 8}) {
        std::string changed = bytes;
        changed[at] = static_cast<char>(~changed[at]);
        WriteText(Path("changed.xlsx"), changed);
        EXPECT_TRUE(ReadFile(Path("changed.xlsx")).info.error.starts_with("the part xl/worksheets/sheet1.xml is damaged")) << at;
    }

    std::string nested;
    for (int i = 0; i < 100; ++i)
        nested += "<x>";
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"deep", "<row r=\"1\">" + nested + "</row>", "elements nested deeper than 64"},
        {"doctype", "<!DOCTYPE x [<!ENTITY a \"aa\">]><row/>", "a document type declaration, which an xlsx part never has"},
        {"entity", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&a;</t></is></c></row>", "an unknown entity &a;"},
        {"attribute", "<row r=\"1\" spans=\"" + std::string(70000, '1') + "\"/>", "an attribute spans longer than 65536 bytes"},
        {"unclosed", "<row r=\"1\">", "the end tag </sheetData> closes no open element"},
        {"string", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>", "cell A1 names shared string 7, which does not exist"},
        {"order", "<row r=\"2\"/><row r=\"1\"/>", "a row number 1 out of order or outside a worksheet"},
        {"reference", "<row r=\"1\"><c r=\"A2\"><v>1</v></c></row>", "a cell reference A2 outside its row or the worksheet"},
        {"number", "<row r=\"1\"><c r=\"A1\"><v>1x</v></c></row>", "cell A1 holds no number"},
    };
    for (const auto& [name, sheet, error] : cases) {
        const std::string path = Path(std::string(name) + ".xlsx");
        hostile::WriteSheetXlsx(path, sheet);
        const WorkbookInfo info = ReadFile(path).info;
        EXPECT_NE(info.error.find(error), std::string::npos) << name << ": " << info.error;
    }

    // A part whose data inflate to more than its entry declares.
    WriteText(Path("shrunk.xlsx"), bytes);
    hostile::PatchEntry(Path("shrunk.xlsx"), "xl/worksheets/sheet1.xml", 22, 24, 10);
    EXPECT_EQ(ReadFile(Path("shrunk.xlsx")).info.error, "the part xl/worksheets/sheet1.xml is damaged (it unpacks to more than its entry declares)");

    for (const auto& [csv, error] :
         {std::pair<std::string, const char*>{"", "the file is empty"},
          {"Date,A\r\n2000-01-03,\"1\r\n2000-01-04,2\r\n", "line 2: a quoted field is not closed (the file is cut short)"},
          {"Date,A\r\n\"x\"y,1\r\n", "line 2: text follows a closing quote"},
          {std::string("Date,A\r\n1,\0\r\n", 13), "not a CSV file: it holds binary data"}}) {
        WriteText(Path("bad.csv"), csv);
        EXPECT_EQ(ReadFile(Path("bad.csv")).info.error, error);
    }
}

// An archive whose entries carry zip64 extra fields, as zip -fz writes them.
TEST_F(Workbook, Zip64ArchiveIsRead)
{
    const fs::path parts = folder_ / "parts";
    fs::create_directories(parts / "xl" / "worksheets");
    WriteText((parts / "xl" / "workbook.xml").string(), "<workbook><sheets><sheet name=\"S\"/></sheets></workbook>");
    WriteText((parts / "xl" / "worksheets" / "sheet1.xml").string(),
                       "<worksheet><sheetData><row r=\"2\"><c r=\"B2\"><v>42.5</v></c><c r=\"C2\" t=\"inlineStr\"><is><t>zip64</t></is></c>"
                       "</row></sheetData></worksheet>");
    ASSERT_EQ(std::system(("cd '" + parts.string() + "' && zip -q -fz ../zip64.xlsx xl/workbook.xml xl/worksheets/sheet1.xml").c_str()), 0);
    const Read read = ReadFile(Path("zip64.xlsx"));
    ASSERT_TRUE(read.info.ok()) << read.info.error;
    ASSERT_EQ(read.cells.size(), 2u);
    EXPECT_EQ(read.At(1, 1)->value, 42.5);
    EXPECT_EQ(read.At(1, 2)->text, "zip64");
}

// The hostile files: sheetdump refuses each with a message and exit 1, or prints it, in
// 512 MB of address space (hostile::Run's limit) and at its peak within the bound given.
TEST_F(Workbook, SheetdumpRefusesHostileFilesInBoundedMemory)
{
    hostile::ClaimedPartSizeZip(Path("size.xlsx"), (1u << 30) - 1);
    hostile::SharedStringsXlsx(Path("strings.xlsx"), 2000000);
    hostile::ClaimedDirectoryZip(Path("directory.xlsx"), 1u << 30);
    hostile::HugeCellCsv(Path("cell.csv"), 300u << 20, false);
    hostile::HugeCellCsv(Path("quoted.csv"), 300u << 20, true);
    hostile::HonestStringsXlsx(Path("honest.xlsx"), uint64_t{1} << 30);
    hostile::LyingPackedSizeXlsx(Path("lying.xlsx"), 500u << 20);
    hostile::ManyCellsXlsx(Path("cells.xlsx"), 2u << 20);
    hostile::JunkEntriesXlsx(Path("junk.xlsx"), 9990);
    hostile::SparseWk1(Path("sparse.wk1"), uint64_t{3} << 30);
    hostile::BlankRecordsWk1(Path("repeated.wk1"), 5000000);
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    // The file, the exit code, a text in the standard error when refused (else in the output)
    // and the bound of the peak memory in MiB.
    const std::tuple<std::string, int, const char*, long> cases[] = {
        {"strings.xlsx", 1, "more than 1048576 shared strings", 64},
        {"directory.xlsx", 1, "the zip directory is missing or damaged", 64},
        {"size.xlsx", 1, "the part xl/worksheets/sheet1.xml would unpack to 1073741823 bytes", 64},
        {"cell.csv", 1, "line 2: longer than 16 MiB", 64},
        {"quoted.csv", 1, "line 2: longer than 16 MiB", 64},
        {"honest.xlsx", 1, "the shared strings need more than 448 MB of memory (a file is read within 512 MB)", 512},
        {"lying.xlsx", 1, "the part xl/worksheets/sheet1.xml unpacks to more than 200 times its packed size", 64},
        {"cells.xlsx", 0, "\nP131072,131071,15,number,", 64},
        {"junk.xlsx", 0, "\nA1,0,0,number,7\n", 64},
        {"sparse.wk1", 1, "the file is 3072 MB, larger than a WK1 worksheet can be", 64},
        {"repeated.wk1", 1, "the cells need more than 448 MB of memory", 512},
        {"fifo", 1, "cannot read the file: it is a pipe or socket, not a regular file", 64},
        {"/dev/zero", 1, "cannot read the file: it is a device, not a regular file", 64},
    };
    for (const auto& [name, exitCode, text, peakMiB] : cases) {
        const std::string path = name.starts_with("/") ? name : Path(name);
        const hostile::Measured run = hostile::Run(TESSAPORT_PROGRAM_DIR "/sheetdump", {path});
        EXPECT_EQ(run.exitCode, exitCode) << name << ": " << run.err;
        EXPECT_NE((exitCode ? run.err : run.out).find(text), std::string::npos) << name << ": " << run.err;
        EXPECT_LT(run.peakKiB, peakMiB * 1024 * hostile::kMemoryScale) << name;
    }
}

} // namespace
