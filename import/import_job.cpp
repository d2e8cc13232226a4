#include "import/import_job.h"

#include "omega/omega_date.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr int16_t kDateColumn = 1;
constexpr int16_t kFirstValueColumn = 2;
constexpr int16_t kLastColumn = 6;
constexpr int16_t kLastColumnWithOpenInterest = 7;

constexpr std::array<const char*, 6> kColumnSuffixes = {
    "_Open", "_High", "_Low", "_Close", "_Volume", "_Open_Interest",
};

int LowestFreeHandle()
{
    const auto& table = SheetWriter().SheetFileTable;
    for (int handle = 1; handle < kSheetFileSlots; ++handle) {
        if (!table[static_cast<size_t>(handle)].output)
            return handle;
    }
    return -1;
}

int16_t LastColumn(bool openInterest)
{
    return openInterest ? kLastColumnWithOpenInterest : kLastColumn;
}

// Write the header row: "Date", then the symbol followed by each column's name.
int16_t WriteHeaderRow(int handle, const std::string& symbol, bool openInterest)
{
    SheetCellRecord& cell = SheetWriter().SheetCell;
    cell.row = 0;
    cell.kind = CellLabel;
    cell.column = kDateColumn;
    cell.text = "Date";
    if (const int16_t result = WriteSheetCell(handle))
        return result;
    for (int16_t column = kFirstValueColumn; column <= LastColumn(openInterest); ++column) {
        cell.column = column;
        cell.kind = CellLabel;
        cell.text = symbol + kColumnSuffixes[static_cast<size_t>(column - kFirstValueColumn)];
        if (const int16_t result = WriteSheetCell(handle))
            return result;
    }
    return kSheetOk;
}

int16_t WriteValue(SheetCellRecord& cell, int handle, int16_t column, float value)
{
    cell.column = column;
    if (IsMissingPrice(value)) {
        cell.text = "*";
        cell.kind = CellLabel;
    } else {
        cell.numberValue = value;
        cell.kind = CellNumber;
    }
    return WriteSheetCell(handle);
}

// Write one record as one row. Every field of the cell is set again: events run between
// records, and whatever runs there may have used the writer too.
int16_t WriteRecordRow(int handle, int32_t row, const PriceRecord& record, bool openInterest)
{
    SheetCellRecord& cell = SheetWriter().SheetCell;
    cell.row = row;
    cell.column = kDateColumn;
    cell.kind = CellNumber;
    cell.numberValue = omega::OmegaDateToSerial(record.date);
    if (const int16_t result = WriteSheetCell(handle))
        return result;
    // Volume and open interest go through single precision, as the package reads them.
    const std::array<float, 6> values = {
        record.open, record.high, record.low, record.close,
        static_cast<float>(record.volume), static_cast<float>(record.openInterest),
    };
    const int16_t lastColumn = LastColumn(openInterest);
    for (int16_t column = kFirstValueColumn; column <= lastColumn; ++column) {
        const float value = values[static_cast<size_t>(column - kFirstValueColumn)];
        if (const int16_t result = WriteValue(cell, handle, column, value))
            return result;
    }
    return kSheetOk;
}

// Closes the data file on every way out of the run.
class DataFile {
public:
    DataFile(const omega::DataLibrary& library, const ImportRequest& request) : library_(library)
    {
        const OmegaDate first = omega::SerialToOmegaDate(request.firstDay);
        const OmegaDate last = omega::SerialToOmegaDate(request.lastDay);
        library_.OpenDataFile(request.dataDir.constData(), request.symbol.constData(), &first, &last, &context_);
    }
    ~DataFile() { Close(); }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    int16_t Read(PriceRecord& record) { return open_ ? library_.ReadData(&context_, &record, 1) : int16_t{0}; }
    void Close()
    {
        if (open_)
            library_.CloseDataFile(&context_);
        open_ = false;
    }

private:
    const omega::DataLibrary& library_;
    FileContext context_{};
    bool open_ = true;  // the open's result is not looked at: a failed open reads nothing
};

// Abandons the pattern file if the run is left by an exception: closing it normally would
// put a half-written file in place of the earlier one.
class SheetHandle {
public:
    explicit SheetHandle(int handle) : handle_(handle) {}
    ~SheetHandle()
    {
        if (handle_ >= 0)
            SheetWriter().SheetFileTable[static_cast<size_t>(handle_)].output.reset();
    }
    SheetHandle(const SheetHandle&) = delete;
    SheetHandle& operator=(const SheetHandle&) = delete;

    int16_t Close()
    {
        const int handle = std::exchange(handle_, -1);
        return CloseSheetFile(handle);
    }
    // The writer closed the file itself after a failure.
    void Release() { handle_ = -1; }

private:
    int handle_;
};

} // namespace

int16_t IsValidRecord(const PriceRecord& record)
{
    for (const float price : {record.open, record.high, record.low, record.close}) {
        if (IsMissingPrice(price))
            return 0;
    }
    return -1;
}

int16_t WriteValueCell(int handle, int16_t column, float value)
{
    return WriteValue(SheetWriter().SheetCell, handle, column, value);
}

int32_t EstimateRecordCount(int32_t firstDay, int32_t lastDay)
{
    const double days = static_cast<double>(int64_t{lastDay} - int64_t{firstDay});
    const double estimate = std::nearbyint(days * 5 / 7);  // never exactly halfway: 7 is odd
    return static_cast<int32_t>(std::clamp(estimate, 0.0, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

ImportOutcome RunImport(const omega::DataLibrary& library, const ImportRequest& request, const ImportHooks& hooks)
{
    ImportOutcome outcome;
    SheetWriterState& writer = SheetWriter();
    writer.SheetFileType = request.fileType;
    writer.SheetLabelRow = 0;
    writer.SheetBeginRow = 1;

    const int handle = LowestFreeHandle();
    if (handle < 0) {
        outcome.result = kSheetTooManyFiles;
        return outcome;
    }
    outcome.result = OpenSheetFile(handle, request.patternFile);
    if (outcome.result != kSheetOk)
        return outcome;
    SheetHandle sheet(handle);
    const std::string symbol = request.symbol.toStdString();
    outcome.result = WriteHeaderRow(handle, symbol, request.openInterest);
    if (outcome.result != kSheetOk) {
        sheet.Release();
        return outcome;
    }

    DataFile data(library, request);
    const int32_t estimate = EstimateRecordCount(request.firstDay, request.lastDay);
    if (hooks.started)
        hooks.started(estimate);

    PriceRecord record{};
    int32_t row = 0;
    for (;;) {
        if (hooks.beforeRead)
            hooks.beforeRead();
        const int16_t delivered = data.Read(record);
        if (delivered <= 0)
            break;
        outcome.recordsRead += std::min<int32_t>(delivered, std::numeric_limits<int32_t>::max() - outcome.recordsRead);
        if (hooks.progress)
            hooks.progress(outcome.recordsRead);

        const bool skipInvalid = hooks.skipInvalid && hooks.skipInvalid();
        if (IsValidRecord(record) || !skipInvalid) {
            // The writer refuses a row past the format's last one, so the count cannot run over.
            outcome.result = WriteRecordRow(handle, ++row, record, request.openInterest);
            if (outcome.result != kSheetOk) {
                sheet.Release();
                return outcome;
            }
            ++outcome.rowsWritten;
        }
        if (hooks.interrupted && hooks.interrupted()) {
            outcome.interrupted = true;
            break;
        }
    }
    if (hooks.progress)
        hooks.progress(estimate);
    data.Close();
    outcome.result = sheet.Close();
    return outcome;
}
