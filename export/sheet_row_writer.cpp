#include "export/row_writers.h"

#include "sheet/sheet_file.h"

namespace {

constexpr int16_t kDateColumn = 1;

// The pattern file formats, cell by cell through a sheet file of its own: the date as its
// day number, prices and counts as numbers (counts through single precision, as the
// package reads them), a missing price as the label "*". A writer dropped before Close
// abandons its file, so a half-written one never takes the place of an earlier one.
class SheetRowWriter final : public RowWriter {
public:
    explicit SheetRowWriter(SheetFile file) : file_(std::move(file)) {}

    int16_t WriteHeader(std::span<const std::string> names) override
    {
        int16_t column = kDateColumn;
        for (const std::string& name : names) {
            if (const SheetError result = WriteLabel(column++, name))
                return result;
        }
        row_ = 1;
        return kSheetOk;
    }

    int16_t WriteRow(int32_t day, std::span<const RowValue> values) override
    {
        if (const SheetError result = WriteNumber(kDateColumn, day))
            return result;
        int16_t column = kDateColumn;
        for (const RowValue& value : values) {
            ++column;
            SheetError result = kSheetOk;
            switch (value.kind) {
            case RowValue::Kind::Empty: break;
            case RowValue::Kind::Missing: result = WriteLabel(column, "*"); break;
            case RowValue::Kind::Text: result = WriteLabel(column, value.text); break;
            case RowValue::Kind::Price: result = WriteNumber(column, value.price); break;
            case RowValue::Kind::Count: result = WriteNumber(column, static_cast<float>(value.count)); break;
            }
            if (result != kSheetOk)
                return result;
        }
        ++row_;
        return kSheetOk;
    }

    int16_t Close() override { return file_.Close(); }

private:
    SheetError WriteLabel(int16_t column, std::string_view text)
    {
        SheetCell cell;
        cell.row = row_;
        cell.column = column;
        cell.kind = CellLabel;
        cell.text.assign(text);
        return file_.Write(cell);
    }

    SheetError WriteNumber(int16_t column, double value)
    {
        SheetCell cell;
        cell.row = row_;
        cell.column = column;
        cell.kind = CellNumber;
        cell.numberValue = value;
        return file_.Write(cell);
    }

    SheetFile file_;
    int32_t row_ = 0;
};

} // namespace

std::unique_ptr<RowWriter> OpenSheetRowWriter(int16_t fileType, const std::string& path, int16_t& result)
{
    SheetFileOptions options;
    options.fileType = fileType;
    options.labelRow = 0;
    options.beginRow = 1;
    SheetFile file;
    result = file.Open(path, options);
    if (result != kSheetOk)
        return nullptr;
    return std::make_unique<SheetRowWriter>(std::move(file));
}
