#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Reads the worksheets that the pattern file writer makes (WK1, BIFF2, BIFF3, BIFF4), and
// files of the same formats from elsewhere as far as their cell records go: records of other
// types are skipped. Damaged input gives an error text, never a crash or a read past the end.

// A rectangle of cells in file terms: 0-based, both ends included. An empty sheet's used
// range has its first column above its last (the writer's 9999 and 0).
struct SheetArea {
    int32_t firstColumn = 0;
    int32_t firstRow = 0;
    int32_t lastColumn = 0;
    int32_t lastRow = 0;
};

struct SheetName {
    std::string name;
    SheetArea area;
};

struct SheetCellValue {
    int32_t row = 0;  // 0-based
    int32_t column = 0;  // 0-based, as stored in the file
    int16_t kind = 0;  // CellBlank, CellInteger, CellNumber or CellLabel
    int32_t integerValue = 0;  // CellInteger: signed 16-bit in WK1, unsigned in BIFF
    double numberValue = 0;  // CellNumber
    std::string text;  // CellLabel, Windows-1252 bytes
};

struct SheetContents {
    int16_t fileType = 0;  // a SheetFileTypes value
    std::optional<SheetArea> usedRange;  // absent when the file has no RANGE/DIMENSIONS record
    std::vector<SheetName> names;
    std::vector<SheetCellValue> cells;  // in file order
};

struct SheetReadResult {
    SheetContents sheet;
    std::string error;  // empty on success; otherwise what is wrong and where, and sheet holds
                        // what was read before it
    bool ok() const { return error.empty(); }
};

namespace base {
class ReadBudget;
}

// Only a regular file is read, one record at a time, and only when no larger than its format
// can be; the cells are counted against the budget (by default a reading's whole budget).
SheetReadResult ReadSheetFile(const std::string& path);
SheetReadResult ReadSheetFile(const std::string& path, base::ReadBudget& budget);
SheetReadResult ReadSheetBytes(std::span<const uint8_t> bytes);

// "WK1", "BIFF2", ...; "unknown" for anything else.
std::string SheetFileTypeName(int16_t fileType);

// Label texts are Windows-1252; this is how a viewer or a terminal shows them.
std::string SheetTextToUtf8(std::string_view text);
