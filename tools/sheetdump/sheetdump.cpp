// sheetdump FILE: prints a pattern file (WK1, BIFF2-4) as text: its type, used range and
// names, then every cell as CSV (cell,row,column,kind,value; rows and columns 0-based).

#include "sheet/sheet_reader.h"
#include "sheet/sheet_writer.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace {

// A, B, ..., Z, AA, AB, ...
std::string ColumnName(int32_t column)
{
    std::string name;
    for (int64_t n = static_cast<int64_t>(column) + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

std::string CellName(int32_t column, int32_t row)
{
    return ColumnName(column) + std::to_string(static_cast<int64_t>(row) + 1);
}

std::string AreaName(const SheetArea& area)
{
    if (area.firstColumn > area.lastColumn || area.firstRow > area.lastRow)
        return "empty";
    return CellName(area.firstColumn, area.firstRow) + ":" + CellName(area.lastColumn, area.lastRow);
}

// Shortest text that reads back as the same double.
std::string NumberText(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string KindAndValue(const SheetCellValue& cell)
{
    switch (cell.kind) {
    case CellBlank: return "blank,";
    case CellInteger: return "integer," + std::to_string(cell.integerValue);
    case CellNumber: return "number," + NumberText(cell.numberValue);
    case CellLabel: return "label," + CsvField(SheetTextToUtf8(cell.text));
    default: return "unknown,";
    }
}

// Labels may hold NUL bytes, so lines go out whole rather than as C strings.
void PrintLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

void Print(const SheetContents& sheet)
{
    PrintLine("file type: " + SheetFileTypeName(sheet.fileType));
    PrintLine("used range: " + (sheet.usedRange ? AreaName(*sheet.usedRange) : "not recorded"));
    for (const auto& name : sheet.names)
        PrintLine("name: " + SheetTextToUtf8(name.name) + " " + AreaName(name.area));
    PrintLine("cell,row,column,kind,value");
    for (const auto& cell : sheet.cells)
        PrintLine(CellName(cell.column, cell.row) + "," + std::to_string(cell.row) + ","
                  + std::to_string(cell.column) + "," + KindAndValue(cell));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sheetdump FILE\n"
                             "Prints a WK1 or BIFF2-4 worksheet: its type, used range, names and cells.\n");
        return 2;
    }
    const SheetReadResult result = ReadSheetFile(argv[1]);
    if (!result.ok()) {
        std::fprintf(stderr, "sheetdump: %s: %s\n", argv[1], result.error.c_str());
        return 1;
    }
    Print(result.sheet);
    return std::ferror(stdout) ? 1 : 0;
}
