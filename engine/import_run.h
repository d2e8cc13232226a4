#pragma once

#include "engine/data_source.h"
#include "export/output_format.h"
#include "export/row_writer.h"
#include "sheet/sheet_file.h"

#include <qv2omg.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One security's price history between two days, copied record by record into a pattern
// file or an xlsx or CSV file: a header row, then one row per record. Nothing is held in
// memory beyond the record being written, so a history of any length costs the same.
// Standard C++ only: the window, the command line and the Python module run the same code.

// Inline: it is asked for every value of every record.
inline bool IsMissingPrice(float value)
{
    return QV2OMG_IsMissingPrice(value) != 0;
}

// A record is valid when open, high, low and close are all present.
inline bool HasAllPrices(float open, float high, float low, float close)
{
    return !IsMissingPrice(open) && !IsMissingPrice(high) && !IsMissingPrice(low) && !IsMissingPrice(close);
}
// -1 when the record is valid, 0 when not.
int16_t IsValidRecord(const PriceRecord& record);

// The price as a row value: missing, or the price.
RowValue PriceValue(float value);

// Records expected between two days for daily data (five trading days a week).
int32_t EstimateRecordCount(int32_t firstDay, int32_t lastDay);

// The day number of a record's date.
int32_t DayOfRecord(const PriceRecord& record);

struct ImportRequest {
    std::string symbol;  // single-byte text as the database holds it, no NUL
    int32_t firstDay = 0;  // day numbers, both included
    int32_t lastDay = 0;
    bool openInterest = false;
    int16_t fileType = kSheetWk1;  // a pattern file type, kOutputXlsx or kOutputCsv
    std::string patternFile;  // in the file system's encoding
};

// How the caller follows and steers a run; any of them may be left empty.
struct ImportHooks {
    std::function<void(int32_t estimate)> started;  // the data are open, nothing read yet
    std::function<void()> beforeRead;  // let pending events run
    std::function<void(int32_t recordsRead)> progress;  // after every read; at the end with the estimate
    std::function<bool()> skipInvalid;  // asked again for every record
    std::function<bool()> interrupted;  // after every record: true ends the run, keeping the rows
    std::function<void(const PriceRecord& record)> rowWritten;  // after each data row is written
    // False: an interrupted run abandons its file, and an earlier file at the path stays.
    bool keepRowsWhenInterrupted = true;
};

struct ImportOutcome {
    int16_t result = 0;  // 0, or the writer's failure code; the pattern file is then not in place
    bool interrupted = false;
    int32_t recordsRead = 0;
    int32_t rowsWritten = 0;  // data rows, the header not counted
    int64_t datesAsText = 0;  // dates the format has no number for, written as yyyy-mm-dd text
};

// What a run says when it wrote dates as text: "3 dates before 1900 ... as text ...".
std::string DatesAsTextNote(int64_t count);

// The security a symbol names: the one held under exactly these bytes, else the one the
// symbol names without blanks around it, letter case aside.
std::optional<engine::HeldSecurity> FindSecurity(const engine::DataSource& source, std::string_view symbol);

// Looks a security up (as FindSecurity) and fills in the request's symbol (as the database holds it) and
// days: its data narrowed to `from` and `to` where given. Returns nothing, or why it
// cannot be imported. `symbol` is nothing when the code page cannot hold it.
std::optional<std::string> PrepareImport(const engine::DataSource& source, const std::optional<std::string>& symbol,
                                         std::optional<int32_t> from, std::optional<int32_t> to,
                                         ImportRequest& request);

// The symbol as a file name (UTF-8): a character that a file name cannot hold on one of
// the usual systems becomes %XX (its byte), and so does '%', so two symbols never share a
// name.
std::string SymbolFileName(const std::string& symbol);

// The header row of one security's file: "Date", then "SYM_Open" and the rest.
std::vector<std::string> ImportHeaderRow(const std::string& symbol, bool openInterest);

// Opens the pattern file, writes the header row and the records, closes both files. On a
// writer failure the data are closed and the code returned; the writer leaves any earlier
// file at the path as it was.
ImportOutcome RunImport(const engine::DataSource& source, const ImportRequest& request, const ImportHooks& hooks);
