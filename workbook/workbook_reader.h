#pragma once

#include "base/read_budget.h"
#include "sheet/cell_kinds.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Readers of the file types Tessaport writes beside the pattern file formats, xlsx and
// CSV, for the viewer and sheetdump alike. Standard library, zlib and minizip only. Files
// come from anywhere: damage is refused with a message, and every size is bounded before
// anything is allocated for it, so a hostile file costs little time and memory.

// A cell as read: numbers (dates as day numbers counted from 30 December 1899, as the
// pattern file formats count them) or UTF-8 text.
struct WorkbookCell {
    int32_t row = 0;  // 0-based
    int32_t column = 0;  // 0-based
    int16_t kind = CellBlank;  // CellNumber or CellLabel
    double value = 0;
    std::string text;
    bool cut = false;  // the text was longer than kMaxCellText and ends in kCutMark
};

// Text beyond this many bytes is cut and marked, as no spreadsheet holds longer cells.
constexpr std::size_t kMaxCellText = 32767;
constexpr const char* kCutMark = "\xE2\x80\xA6";  // …

// A name pointing into the sheet read, both ends included.
struct WorkbookName {
    std::string name;
    int32_t firstRow = 0;
    int32_t firstColumn = 0;
    int32_t lastRow = 0;
    int32_t lastColumn = 0;
};

struct WorkbookInfo {
    std::string fileTypeName;  // "xlsx", "CSV"
    std::string usedRange;  // "A1:G250", "empty"
    std::vector<WorkbookName> names;
    int64_t cutCells = 0;
    std::string error;  // empty when read
    bool ok() const { return error.empty(); }
};

// Takes each cell as it is read; false stops the reading with `error` set by the reader
// to say the file holds more cells than the caller keeps, or, when the caller has counted
// them past the reading's budget, more than the budget holds.
using WorkbookCellSink = std::function<bool(const WorkbookCell& cell)>;

enum class WorkbookKind { Xlsx, Csv, Other };
// xlsx for a zip archive or a name ending in .xlsx, CSV for a name ending in .csv, else
// Other (a pattern file, or something no reader takes).
WorkbookKind WorkbookKindOf(const std::string& path);

// The first worksheet of an xlsx workbook: numbers, texts, date cells as day numbers, the
// used range and the names that point into that sheet. The shared strings are counted
// against the budget, which the sink may share for the cells it keeps.
WorkbookInfo ReadXlsxFile(const std::string& path, const WorkbookCellSink& sink, base::ReadBudget& budget);
WorkbookInfo ReadXlsxFile(const std::string& path, const WorkbookCellSink& sink);

// RFC 4180 text in UTF-8: the first row labels, then numbers, yyyy-mm-dd dates as day
// numbers, and texts; an empty field is no cell.
WorkbookInfo ReadCsvFile(const std::string& path, const WorkbookCellSink& sink, base::ReadBudget& budget);
WorkbookInfo ReadCsvFile(const std::string& path, const WorkbookCellSink& sink);
// Only regular files are read: a folder, pipe or device is refused at once.

// At most how many fields a CSV file holds (one per comma and line end, and one), for a
// caller that makes room for its cells beforehand; 0 when the file cannot be read.
uint64_t CsvFieldsAtMost(const std::string& path);

// "A1:G250"; "empty" when the range holds no cell. Column letters: A, ..., Z, AA, ...
std::string WorkbookAreaText(int32_t firstRow, int32_t firstColumn, int32_t lastRow, int32_t lastColumn);
std::string WorkbookColumnLetters(int32_t column);
// Day number of a yyyy-mm-dd text (years 1 to 9999), or false.
bool WorkbookDayOfIsoDate(std::string_view text, int32_t& day);
// Cuts UTF-8 text to kMaxCellText bytes at a character's start and appends kCutMark.
void WorkbookCutText(std::string& text);
