// sheetdump FILE: prints a pattern file (WK1, BIFF2-4), an xlsx or a CSV file as text: its
// type, used range and names, then every cell as CSV (cell,row,column,kind,value; rows and
// columns 0-based).

#include "base/csv_field.h"
#include "platform/native/shown_text.h"
#include "sheet/sheet_reader.h"
#include "workbook/workbook_reader.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

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

// A backslash marks an escaped control character: such a field is quoted.
std::string CsvField(const std::string& text)
{
    return base::CsvField(text, "\\");
}

std::string KindAndValue(const SheetCellValue& cell)
{
    switch (cell.kind) {
    case CellBlank: return "blank,";
    case CellInteger: return "integer," + std::to_string(cell.integerValue);
    case CellNumber: return "number," + NumberText(cell.numberValue);
    case CellLabel: return "label," + CsvField(native::ShownWindows1252(cell.text));
    default: return "unknown,";
    }
}

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
        PrintLine("name: " + native::ShownWindows1252(name.name) + " " + AreaName(name.area));
    PrintLine("cell,row,column,kind,value");
    for (const auto& cell : sheet.cells)
        PrintLine(CellName(cell.column, cell.row) + "," + std::to_string(cell.row) + ","
                  + std::to_string(cell.column) + "," + KindAndValue(cell));
}

// An xlsx or CSV file: the used range that heads the cell lines is known only at the end
// when the file does not record it, so the file is read twice, the second time printing
// each cell as it comes: the output is never held in memory.
int PrintWorkbook(const std::string& path, WorkbookKind kind)
{
    const auto read = [&](const WorkbookCellSink& sink) {
        return kind == WorkbookKind::Xlsx ? ReadXlsxFile(path, sink) : ReadCsvFile(path, sink);
    };
    const auto failed = [&path](const WorkbookInfo& info) {
        std::fprintf(stderr, "sheetdump: %s: %s\n", native::ShownUtf8(path).c_str(), native::ShownUtf8(info.error).c_str());
        return 1;
    };
    const WorkbookInfo info = read([](const WorkbookCell&) { return true; });
    if (!info.ok())
        return failed(info);
    PrintLine("file type: " + info.fileTypeName);
    PrintLine("used range: " + info.usedRange);
    for (const WorkbookName& name : info.names)
        PrintLine("name: " + native::ShownUtf8(name.name) + " "
                  + AreaName({name.firstColumn, name.firstRow, name.lastColumn, name.lastRow}));
    PrintLine("cell,row,column,kind,value");
    std::string line;
    const WorkbookInfo again = read([&line](const WorkbookCell& cell) {
        line = CellName(cell.column, cell.row) + "," + std::to_string(cell.row) + "," + std::to_string(cell.column) + ",";
        line += cell.kind == CellLabel ? "label," + CsvField(native::ShownUtf8(cell.text)) : "number," + NumberText(cell.value);
        PrintLine(line);
        return true;
    });
    if (!again.ok())
        return failed(again);
    if (info.cutCells > 0)
        std::fprintf(stderr, "sheetdump: %s: %lld cells longer than %zu bytes shown cut, ending in \"%s\"\n",
                     native::ShownUtf8(path).c_str(),
                     static_cast<long long>(info.cutCells), kMaxCellText, kCutMark);
    return std::ferror(stdout) ? 1 : 0;
}

constexpr const char* kUsage =
    "Usage:\n"
    "  sheetdump [--] FILE\n"
    "  sheetdump --help\n"
    "\n"
    "Prints a pattern file (a WK1, BIFF2, BIFF3 or BIFF4 worksheet), an xlsx workbook's\n"
    "first sheet or a CSV file as text: a line with its type, one with its used range,\n"
    "one per name, then every cell as CSV. A file is read as xlsx when it is a zip\n"
    "archive or named .xlsx, as CSV when named .csv; dates in them are day numbers\n"
    "counted from 30 December 1899, as in the pattern files.\n"
    "\n"
    "  --help   print this text and exit\n"
    "\n"
    "The cell lines are cell,row,column,kind,value with rows and columns counted from 0;\n"
    "kind is number, integer, label or blank. Numbers are printed in the shortest form\n"
    "that reads back to the same double. Control characters in labels and names are\n"
    "written as \\xNN (and such a label is quoted).\n"
    "Exit status: 0 printed, 1 the file cannot be read or is damaged, 2 bad usage.\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return std::ferror(stdout) ? 1 : 0;
    }
    // "--" ends the options, for a file whose name begins with "-".
    const bool optionsEnded = argc == 3 && std::string_view(argv[1]) == "--";
    const char* file = optionsEnded ? argv[2] : argc == 2 ? argv[1] : nullptr;
    if (!file || (!optionsEnded && std::string_view(file).starts_with("-") && std::string_view(file) != "-")) {
        if (file)
            std::fprintf(stderr, "sheetdump: unknown option %s\n", native::ShownUtf8(file).c_str());
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (const WorkbookKind kind = WorkbookKindOf(file); kind != WorkbookKind::Other)
        return PrintWorkbook(file, kind);
    const SheetReadResult result = ReadSheetFile(file);
    if (!result.ok()) {
        std::fprintf(stderr, "sheetdump: %s: %s\n", native::ShownUtf8(file).c_str(),
                     native::ShownUtf8(result.error).c_str());
        return 1;
    }
    Print(result.sheet);
    return std::ferror(stdout) ? 1 : 0;
}
