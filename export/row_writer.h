#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// One output file written a row at a time: a header row of column names, then rows that
// each start with a date. The import job and the merges write through this, whatever the
// format. Every call returns 0 or a SheetError code (sheet/sheet_errors.h); after a failure
// the file is abandoned and an earlier file at the path stays as it was. A writer destroyed
// without Close abandons its file too.

// A cell after the date.
struct RowValue {
    enum class Kind : uint8_t {
        Empty,    // nothing on this date (a merged security without a record)
        Missing,  // a missing price: "*" in the pattern file formats, an empty cell elsewhere
        Price,    // a single-precision price
        Count,    // volume or open interest
        Text,     // Windows-1252 bytes
    };
    Kind kind = Kind::Empty;
    float price = 0;
    int64_t count = 0;
    std::string_view text;

    static RowValue OfPrice(float value) { return {Kind::Price, value, 0, {}}; }
    static RowValue OfMissing() { return {Kind::Missing, 0, 0, {}}; }
    static RowValue OfCount(int64_t value) { return {Kind::Count, 0, value, {}}; }
    static RowValue OfText(std::string_view value) { return {Kind::Text, 0, 0, value}; }
};

class RowWriter {
public:
    virtual ~RowWriter() = default;
    // Names in Windows-1252 bytes, the date column's first.
    virtual int16_t WriteHeader(std::span<const std::string> names) = 0;
    // `day` counts from 30 December 1899 (day 0), as the pattern file's date cells do.
    virtual int16_t WriteRow(int32_t day, std::span<const RowValue> values) = 0;
    // Finishes the file and puts it in place of any earlier one.
    virtual int16_t Close() = 0;
    // Dates that went in as yyyy-mm-dd text because the format has no number for them (xlsx
    // before 1900), so that the run can say how many.
    virtual int64_t DatesWrittenAsText() const { return 0; }
};

// Opens a writer for an output format (output_format.h) at `path` (file system encoding).
// On failure returns null with the code in `result`.
std::unique_ptr<RowWriter> OpenRowWriter(int16_t format, const std::string& path, int16_t& result);
