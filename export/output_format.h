#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Output formats: the four pattern file types of the sheet writer (kSheetWk1 .. kSheetBiff4,
// numbered 1 to 4) and the two modern ones after them.
enum ModernFormats : int16_t {
    kOutputXlsx = 5,
    kOutputCsv = 6,
    // CSV with text cells as they are, for readers that are no spreadsheet (see csv_row_writer).
    kOutputCsvRawText = 7,
};

// "WK1", "BIFF2", ..., "xlsx", "CSV".
std::string FormatName(int16_t format);

// The format a file name asks for in the window: .xlsx and .csv in any case; every other
// name is a WK1 pattern file.
int16_t FormatForFileName(const std::string& name);

// The extension of the files written one per security: .pat for the pattern file formats.
std::string FormatExtension(int16_t format);

// What a format holds: columns (the date column included) and data rows (the header row
// not counted); 0 for no limit.
struct FormatLimits {
    int64_t columns = 0;
    int64_t dataRows = 0;
};
FormatLimits LimitsOf(int16_t format);

// Why a result of that many columns and data rows cannot be written in the format, naming
// the limit and a format that holds it (or that this build writes no such files); nothing
// when it fits.
std::optional<std::string> LimitRefusal(int16_t format, int64_t columns, int64_t dataRows);
