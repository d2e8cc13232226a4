#include "export/row_writers.h"

#include "export/replace_file.h"
#include "export/shortest_float.h"
#include "sheet/sheet_reader.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr double kDateColumnWidth = 11;

// The writer result for a libxlsxwriter failure.
int16_t ResultOf(lxw_error error)
{
    switch (error) {
    case LXW_NO_ERROR:
        return kSheetOk;
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return kSheetOverflow;
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
    case LXW_ERROR_PARAMETER_VALIDATION:
        return kSheetInvalidArgument;
    default:
        return errno != 0 ? SheetErrorFromErrno(errno) : kSheetDeviceIoError;
    }
}

// The document's creation time: SOURCE_DATE_EPOCH when set, so that the same data give the
// same bytes, else now.
time_t CreationTime()
{
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (end != epoch && *end == '\0' && seconds > 0)
            return static_cast<time_t>(seconds);
    }
    return std::time(nullptr);
}

// xlsx in libxlsxwriter's constant-memory mode: each row goes to a temporary file as it is
// complete, so memory does not grow with the rows. Dates are date cells shown as
// yyyy-mm-dd; prices the double of their shortest decimal; a missing price no cell. The
// header row and the first data row carry the names WK1LABEL and WK1BEGIN, as in the
// pattern file formats.
class XlsxRowWriter final : public RowWriter {
public:
    ~XlsxRowWriter() override
    {
        if (workbook_)
            lxw_workbook_free(workbook_);
    }

    int16_t Open(const std::string& path)
    {
        if (const SheetError result = file_.Create(path))
            return result;
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        workbook_ = workbook_new_opt(file_.TemporaryPath().c_str(), &options);
        if (!workbook_)
            return kSheetDeviceIoError;
        sheet_ = workbook_add_worksheet(workbook_, nullptr);
        date_ = workbook_add_format(workbook_);
        if (!sheet_ || !date_)
            return kSheetDeviceIoError;
        format_set_num_format(date_, "yyyy-mm-dd");
        lxw_doc_properties properties{};
        properties.created = CreationTime();
        if (const lxw_error error = workbook_set_properties(workbook_, &properties))
            return ResultOf(error);
        if (const lxw_error error = workbook_define_name(workbook_, "WK1LABEL", "=Sheet1!$A$1"))
            return ResultOf(error);
        if (const lxw_error error = workbook_define_name(workbook_, "WK1BEGIN", "=Sheet1!$A$2"))
            return ResultOf(error);
        return ResultOf(worksheet_set_column(sheet_, 0, 0, kDateColumnWidth, nullptr));
    }

    int16_t WriteHeader(std::span<const std::string> names) override
    {
        if (!workbook_)
            return kSheetBadHandle;
        lxw_col_t column = 0;
        for (const std::string& name : names) {
            if (const int16_t result = Check(worksheet_write_string(sheet_, 0, column++, SheetTextToUtf8(name).c_str(), nullptr)))
                return result;
        }
        row_ = 1;
        return kSheetOk;
    }

    int16_t WriteRow(int32_t day, std::span<const RowValue> values) override
    {
        if (!workbook_)
            return kSheetBadHandle;
        if (const int16_t result = Check(worksheet_write_number(sheet_, row_, 0, day, date_)))
            return result;
        lxw_col_t column = 0;
        for (const RowValue& value : values) {
            ++column;
            lxw_error error = LXW_NO_ERROR;
            switch (value.kind) {
            case RowValue::Kind::Empty:
            case RowValue::Kind::Missing:
                continue;
            case RowValue::Kind::Price:
                error = worksheet_write_number(sheet_, row_, column, ShortestFloatValue(value.price), nullptr);
                break;
            case RowValue::Kind::Count:
                error = worksheet_write_number(sheet_, row_, column, static_cast<double>(value.count), nullptr);
                break;
            case RowValue::Kind::Text:
                error = worksheet_write_string(sheet_, row_, column, SheetTextToUtf8(value.text).c_str(), nullptr);
                break;
            }
            if (const int16_t result = Check(error))
                return result;
        }
        ++row_;
        return kSheetOk;
    }

    int16_t Close() override
    {
        if (!workbook_)
            return kSheetBadHandle;
        // The library does not look at its own writes of the rows to its temporary file: a
        // full disk there would give a well-formed zip of a cut-off sheet.
        errno = 0;
        if (FILE* rows = sheet_->optimize_tmpfile; rows && (std::fflush(rows) != 0 || std::ferror(rows)))
            return Check(LXW_ERROR_CREATING_TMPFILE);
        const lxw_error error = workbook_close(workbook_);  // frees the workbook either way
        workbook_ = nullptr;
        if (error != LXW_NO_ERROR) {
            file_.Discard();
            return ResultOf(error);
        }
        return file_.Commit();
    }

private:
    // A failed write abandons the file, as the other writers do.
    int16_t Check(lxw_error error)
    {
        if (error == LXW_NO_ERROR)
            return kSheetOk;
        const int16_t result = ResultOf(error);
        lxw_workbook_free(workbook_);
        workbook_ = nullptr;
        file_.Discard();
        return result;
    }

    ReplaceFile file_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_row_t row_ = 0;
};

} // namespace

std::unique_ptr<RowWriter> OpenXlsxRowWriter(const std::string& path, int16_t& result)
{
    auto writer = std::make_unique<XlsxRowWriter>();
    result = writer->Open(path);
    if (result != kSheetOk)
        return nullptr;
    return writer;
}
