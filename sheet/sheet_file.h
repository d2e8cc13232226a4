#pragma once

#include "sheet/cell_kinds.h"
#include "sheet/sheet_errors.h"
#include "sheet/sheet_output.h"

#include <cstdint>
#include <memory>
#include <string>

// Writes a worksheet one cell at a time: WK1 (the pattern file format) or an Excel BIFF2,
// BIFF3 or BIFF4 stream. Open writes the header with a placeholder for the used range,
// each cell is one record in writing order, and close appends the end record and fills in
// the used range.

enum SheetFileTypes : int16_t {
    kSheetWk1 = 1,
    kSheetBiff2 = 2,
    kSheetBiff3 = 3,
    kSheetBiff4 = 4,
};

struct SheetFileOptions {
    int16_t fileType = kSheetWk1;  // a SheetFileTypes value; anything else writes WK1
    bool names = true;  // the one-cell names WK1LABEL and WK1BEGIN in column A
    int16_t labelRow = 0;
    int16_t beginRow = 0;
};

struct SheetCellStyle {
    bool enabled = false;  // when false the writer's plain style is used
    uint8_t format = 0;  // WK1 format byte; in BIFF2 the third attribute byte
    uint16_t xfIndex = 0;  // BIFF
    uint8_t labelPrefix = '\'';  // WK1
};

struct SheetCell {
    int32_t row = 0;  // 0-based
    int16_t column = 0;  // 1-based: column 1 is A
    int16_t kind = 0;  // CellBlank .. CellLabel; any other kind is not written
    std::string text;  // Windows-1252 bytes
    int16_t integerValue = 0;
    double numberValue = 0;
};

// One file being written. A file that is not closed (a failed write, or the object going
// away) is abandoned: an earlier file at the path stays as it was.
class SheetFile {
public:
    SheetFile() = default;
    SheetFile(SheetFile&&) noexcept = default;
    SheetFile& operator=(SheetFile&&) noexcept = default;
    ~SheetFile() = default;

    // Creates the file at path and writes its header. An earlier file at the path is
    // replaced only when the new one is closed successfully. Results: kSheetOk,
    // kSheetFileAlreadyOpen, kSheetInvalidArgument (a negative name row),
    // kSheetBadFileName or kSheetPathFileAccessError (not a file name, a folder) or the
    // file system's failure (kSheetPathNotFound, kSheetPermissionDenied, kSheetDiskFull, ...).
    [[nodiscard]] SheetError Open(const std::string& path, const SheetFileOptions& options);

    // Appends the cell. Results: kSheetOk (also for a kind that is not written),
    // kSheetBadFileName (not open), kSheetOverflow (row outside 0-65535, or 65535 in BIFF
    // whose used range stores the last row + 1), kSheetInvalidArgument (column below 1, a
    // label too long for its record or a WK1 label holding a NUL) or the file system's
    // failure. Any failure abandons the file.
    [[nodiscard]] SheetError Write(const SheetCell& cell, const SheetCellStyle& style = {});

    // Appends the end record, fills in the used range and puts the file in place. Results:
    // kSheetOk, kSheetBadFileName (not open) or the file system's failure, after which the
    // file is abandoned. The object is closed afterwards either way.
    [[nodiscard]] SheetError Close();

    // Drops the file being written, leaving an earlier one in place.
    void Abandon() { output_.reset(); }
    bool IsOpen() const { return output_ != nullptr; }

private:
    // The used range in file terms (0-based); its first row is always 0.
    int16_t fileType_ = kSheetWk1;
    int16_t firstColumn_ = 0;
    int16_t lastColumn_ = 0;
    int32_t lastRow_ = 0;
    std::unique_ptr<SheetOutput> output_;
};
