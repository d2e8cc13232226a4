#include "export/row_writers.h"

#include "base/csv_field.h"
#include "export/shortest_float.h"
#include "sheet/sheet_output.h"
#include "sheet/sheet_reader.h"

namespace {

// RFC 4180 in UTF-8: comma-separated fields, CRLF after every row, a field holding a comma,
// a quote or a line break in quotes with its quotes doubled. Dates as yyyy-mm-dd, numbers
// with a '.' decimal point, a missing price or an absent record as an empty field.
// A text cell that a spreadsheet would take for a formula (a symbol "=1+2", or "-1" read as
// a number) starts with a ', as the common advice against CSV injection has it; the bytes
// as they are only on request.
class CsvRowWriter final : public RowWriter {
public:
    CsvRowWriter(std::unique_ptr<SheetOutput> output, bool rawText) : output_(std::move(output)), rawText_(rawText) {}

    int16_t WriteHeader(std::span<const std::string> names) override
    {
        line_.clear();
        for (const std::string& name : names) {
            if (!line_.empty())
                line_ += ',';
            AppendText(name);
        }
        return EndLine();
    }

    int16_t WriteRow(int32_t day, std::span<const RowValue> values) override
    {
        char text[24];
        line_.assign(text, IsoDateText(day, text));
        for (const RowValue& value : values) {
            line_ += ',';
            switch (value.kind) {
            case RowValue::Kind::Empty:
            case RowValue::Kind::Missing:
                break;
            case RowValue::Kind::Price:
                line_.append(text, ShortestFloatText(value.price, text));
                break;
            case RowValue::Kind::Count:
                line_.append(text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value.count).ptr - text));
                break;
            case RowValue::Kind::Text:
                AppendText(value.text);
                break;
            }
        }
        return EndLine();
    }

    int16_t Close() override { return output_->Commit(); }

private:
    void AppendText(std::string_view windows1252)
    {
        std::string text = SheetTextToUtf8(windows1252);
        if (!rawText_ && !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
            text.insert(0, 1, '\'');
        base::AppendCsvField(line_, text);
    }

    int16_t EndLine()
    {
        line_ += "\r\n";
        output_->Append(line_.data(), line_.size());
        return output_->Error();
    }

    std::unique_ptr<SheetOutput> output_;
    bool rawText_;
    std::string line_;
};

} // namespace

std::unique_ptr<RowWriter> OpenCsvRowWriter(const std::string& path, int16_t& result, bool rawText)
{
    SheetError error = kSheetOk;
    std::unique_ptr<SheetOutput> output = SheetOutput::Create(path, error);
    result = error;
    if (!output)
        return nullptr;
    return std::make_unique<CsvRowWriter>(std::move(output), rawText);
}
