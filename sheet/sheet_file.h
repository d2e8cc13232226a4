#pragma once

#include "sheet/cell_kinds.h"
#include "sheet/sheet_errors.h"
#include "sheet/sheet_output.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// Writes a worksheet one cell at a time: WK1 (the pattern file format) or an Excel BIFF2,
// BIFF3 or BIFF4 stream. Open writes the header with a placeholder for the used range,
// each cell is one record in writing order, and close appends the end record and fills in
// the used range. Every call returns 0 or a SheetError code.

enum SheetFileTypes : int16_t {
    kSheetWk1 = 1,
    kSheetBiff2 = 2,
    kSheetBiff3 = 3,
    kSheetBiff4 = 4,
};


struct SheetCellStyleRecord {
    int16_t enabled = 0;  // 16-bit boolean; when false the writer's plain style is used
    uint8_t format = 0;  // WK1 format byte; in BIFF2 the third attribute byte
    uint16_t xfIndex = 0;  // BIFF
    uint8_t labelPrefix = '\'';  // WK1
};

// The cell that the next WriteSheetCell writes. Fields keep their values between calls.
struct SheetCellRecord {
    int32_t row = 0;  // 0-based
    int16_t column = 0;  // 1-based: column 1 is A
    int16_t kind = 0;  // CellBlank .. CellLabel; any other kind is not written
    std::string text;  // Windows-1252 bytes
    int16_t integerValue = 0;
    double numberValue = 0;
};

// One open file. The used range is kept in file terms (0-based); its first row is always 0.
struct SheetFileSlot {
    int16_t fileType = 0;
    int16_t firstColumn = 0;
    int16_t lastColumn = 0;
    int32_t lastRow = 0;
    std::unique_ptr<SheetOutput> output;  // null while the slot is free
};

constexpr int kSheetFileSlots = 16;

// The writer's process-wide state. The settings are read when a file is opened, except
// SheetCellStyle, which each WriteSheetCell reads.
struct SheetWriterState {
    int16_t SheetFileType = 0;  // a SheetFileTypes value; anything else means WK1
    int16_t SheetLabelRow = 0;  // the row named "WK1LABEL"
    int16_t SheetBeginRow = 0;  // the row named "WK1BEGIN"
    int16_t SheetNoNames = 0;  // 16-bit boolean: true leaves the two names out
    SheetCellStyleRecord SheetCellStyle;
    SheetCellRecord SheetCell;
    std::array<SheetFileSlot, kSheetFileSlots> SheetFileTable;
};

SheetWriterState& SheetWriter();

// Creates the file at path for the handle (0-15) and writes its header. An earlier file at
// the path is replaced only when the new one is closed successfully. Results: 0, 9 (handle),
// 55 (handle already open), 5 (negative name row), 52/75 (not a file name, a folder) or the
// file system's failure (76, 70, 61, ...).
int16_t OpenSheetFile(int handle, const std::string& path);

// Appends SheetCell to the handle's file. Results: 0 (also for a kind that is not written),
// 9, 52 (handle not open), 6 (row outside 0-65535, or 65535 in BIFF whose used range stores
// the last row + 1), 5 (column below 1, a label too long for its record or a WK1 label
// holding a NUL) or the file system's failure. Any failure abandons the file.
int16_t WriteSheetCell(int handle);

// Appends the end record, fills in the used range and puts the file in place. Results: 0, 9,
// 52 (handle not open) or the file system's failure, after which the file is abandoned. The
// handle is free afterwards either way.
int16_t CloseSheetFile(int handle);
