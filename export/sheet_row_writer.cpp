#include "export/row_writers.h"

#include "sheet/sheet_file.h"

#include <utility>

namespace {

constexpr int16_t kDateColumn = 1;

int LowestFreeHandle()
{
    const auto& table = SheetWriter().SheetFileTable;
    for (int handle = 1; handle < kSheetFileSlots; ++handle) {
        if (!table[static_cast<size_t>(handle)].output)
            return handle;
    }
    return -1;
}

// The pattern file formats, cell by cell through the sheet writer: the date as its day
// number, prices and counts as numbers (counts through single precision, as the package
// reads them), a missing price as the label "*". Every field of the writer's cell is set
// again for each cell: events may run between rows, and whatever runs there may use the
// writer too.
class SheetRowWriter final : public RowWriter {
public:
    explicit SheetRowWriter(int handle) : handle_(handle) {}
    ~SheetRowWriter() override
    {
        // Closing normally would put a half-written file in place of the earlier one.
        if (handle_ >= 0)
            SheetWriter().SheetFileTable[static_cast<size_t>(handle_)].output.reset();
    }

    int16_t WriteHeader(std::span<const std::string> names) override
    {
        int16_t column = kDateColumn;
        for (const std::string& name : names) {
            if (const int16_t result = WriteLabel(column++, name))
                return result;
        }
        row_ = 1;
        return kSheetOk;
    }

    int16_t WriteRow(int32_t day, std::span<const RowValue> values) override
    {
        SheetCellRecord& cell = SheetWriter().SheetCell;
        cell.row = row_;
        cell.column = kDateColumn;
        cell.kind = CellNumber;
        cell.numberValue = day;
        if (const int16_t result = Write())
            return result;
        int16_t column = kDateColumn;
        for (const RowValue& value : values) {
            ++column;
            switch (value.kind) {
            case RowValue::Kind::Empty:
                continue;
            case RowValue::Kind::Missing:
                if (const int16_t result = WriteLabel(column, "*"))
                    return result;
                continue;
            case RowValue::Kind::Text:
                if (const int16_t result = WriteLabel(column, value.text))
                    return result;
                continue;
            case RowValue::Kind::Price:
                cell.numberValue = value.price;
                break;
            case RowValue::Kind::Count:
                cell.numberValue = static_cast<float>(value.count);
                break;
            }
            cell.row = row_;
            cell.column = column;
            cell.kind = CellNumber;
            if (const int16_t result = Write())
                return result;
        }
        ++row_;
        return kSheetOk;
    }

    int16_t Close() override { return CloseSheetFile(std::exchange(handle_, -1)); }

private:
    int16_t WriteLabel(int16_t column, std::string_view text)
    {
        SheetCellRecord& cell = SheetWriter().SheetCell;
        cell.row = row_;
        cell.column = column;
        cell.kind = CellLabel;
        cell.text.assign(text);
        return Write();
    }

    int16_t Write()
    {
        const int16_t result = WriteSheetCell(handle_);
        if (result != kSheetOk)
            handle_ = -1;  // the writer has abandoned the file itself
        return result;
    }

    int handle_;
    int32_t row_ = 0;
};

} // namespace

std::unique_ptr<RowWriter> OpenSheetRowWriter(int16_t fileType, const std::string& path, int16_t& result)
{
    SheetWriterState& writer = SheetWriter();
    writer.SheetFileType = fileType;
    writer.SheetLabelRow = 0;
    writer.SheetBeginRow = 1;
    const int handle = LowestFreeHandle();
    if (handle < 0) {
        result = kSheetTooManyFiles;
        return nullptr;
    }
    result = OpenSheetFile(handle, path);
    if (result != kSheetOk)
        return nullptr;
    return std::make_unique<SheetRowWriter>(handle);
}
