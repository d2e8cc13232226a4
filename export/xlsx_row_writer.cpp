#include "export/row_writers.h"

#include "export/shortest_float.h"
#include "export/xlsx_parts.h"
#include "sheet/sheet_output.h"
#include "sheet/sheet_reader.h"

#include <minizip/zip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// Deflate level of every part: level 1 made a quarter larger files than level 6 in 40 % of
// its time (straight_write levels in bench/export).
constexpr int kDefaultDeflateLevel = 1;
// Sheet XML gathered before it goes to deflate.
constexpr std::size_t kChunk = 64 * 1024;
// The first day of the 1900 date system that counts as a spreadsheet does: 1 March 1900.
// Before it the system counts a 29 February 1900 that never was.
constexpr int32_t kFirstTrueSerial = 61;
// 1 January 1900, serial 1; earlier days have no serial.
constexpr int32_t kFirstSerialDay = 2;

// minizip's file functions over a SheetOutput: parts are appended, and the local header of
// a finished part is patched in place.
struct ZipOutput {
    SheetOutput* output = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
};

voidpf ZCALLBACK ZipOpen(voidpf opaque, const void*, int) { return opaque; }
uLong ZCALLBACK ZipRead(voidpf, voidpf, void*, uLong) { return 0; }
uLong ZCALLBACK ZipWrite(voidpf, voidpf stream, const void* data, uLong size)
{
    auto* zip = static_cast<ZipOutput*>(stream);
    if (zip->position == zip->size)
        zip->output->Append(data, size);
    else
        zip->output->WriteAt(zip->position, data, size);
    zip->position += size;
    zip->size = std::max(zip->size, zip->position);
    return zip->output->Error() == kSheetOk ? size : 0;
}
ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream) { return static_cast<ZipOutput*>(stream)->position; }
long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* zip = static_cast<ZipOutput*>(stream);
    const uint64_t base = origin == ZLIB_FILEFUNC_SEEK_CUR ? zip->position : origin == ZLIB_FILEFUNC_SEEK_END ? zip->size : 0;
    if (base + offset > zip->size)
        return -1;
    zip->position = base + offset;
    return 0;
}
int ZCALLBACK ZipClose(voidpf, voidpf) { return 0; }
int ZCALLBACK ZipError(voidpf, voidpf stream) { return static_cast<ZipOutput*>(stream)->output->Error() != kSheetOk; }

// xlsx written by hand into a zip archive that minizip deflates as it goes: the fixed parts
// first, then the sheet, row by row, so memory does not grow with the rows. The archive
// goes through SheetOutput: a temporary file beside the destination, renamed at the end.
class XlsxRowWriter final : public RowWriter {
public:
    explicit XlsxRowWriter(int level) : level_(level) {}

    ~XlsxRowWriter() override { Abandon(); }

    int16_t Open(const std::string& path)
    {
        SheetError error = kSheetOk;
        output_ = SheetOutput::Create(path, error);
        if (!output_)
            return error;
        stream_.output = output_.get();
        zlib_filefunc64_def functions{ZipOpen, ZipRead, ZipWrite, ZipTell, ZipSeek, ZipClose, ZipError, &stream_};
        zip_ = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &functions);
        if (!zip_)
            return Fail();
        const XlsxPartsInfo info = XlsxPartsNow();
        // minizip's fields are unsigned in some releases and int in others.
        using Field = decltype(time_.tm_sec);
        time_ = {static_cast<Field>(info.second), static_cast<Field>(info.minute), static_cast<Field>(info.hour),
                 static_cast<Field>(info.day), static_cast<Field>(info.month - 1), static_cast<Field>(info.year)};
        for (const XlsxPart& part : FixedXlsxParts(info))
            if (!OpenPart(part.name, false) || !WritePart(part.text.data(), part.text.size()) || !ClosePart())
                return Fail();
        // A sheet is no larger than 4 GiB only as long as the rows allow: zip64 sizes for it.
        if (!OpenPart("xl/worksheets/sheet1.xml", true))
            return Fail();
        xml_.reserve(2 * kChunk);
        xml_ = XlsxSheetStart();
        return kSheetOk;
    }

    int16_t WriteHeader(std::span<const std::string> names) override
    {
        if (!zip_)
            return kSheetBadHandle;
        StartRow();
        for (const std::string& name : names)
            AppendText(SheetTextToUtf8(name));
        return EndRow();
    }

    int16_t WriteRow(int32_t day, std::span<const RowValue> values) override
    {
        if (!zip_)
            return kSheetBadHandle;
        StartRow();
        AppendDate(day);
        for (const RowValue& value : values) {
            switch (value.kind) {
            case RowValue::Kind::Empty:
            case RowValue::Kind::Missing:
                ++column_;
                break;
            case RowValue::Kind::Price:
                AppendPrice(value.price);
                break;
            case RowValue::Kind::Count: {
                char text[24];
                AppendNumber(std::string_view(text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value.count).ptr - text)));
                break;
            }
            case RowValue::Kind::Text:
                AppendText(SheetTextToUtf8(value.text));
                break;
            }
        }
        return EndRow();
    }

    int16_t Close() override
    {
        if (!zip_)
            return kSheetBadHandle;
        xml_ += XlsxSheetEnd();
        const bool written = WritePart(xml_.data(), xml_.size()) && ClosePart();
        const int closed = zipClose(zip_, nullptr);
        zip_ = nullptr;
        if (!written || closed != ZIP_OK)
            return Fail();
        const SheetError result = output_->Commit();
        output_.reset();
        return result;
    }

    int64_t DatesWrittenAsText() const override { return textDates_; }

private:
    bool OpenPart(const char* name, bool zip64)
    {
        zip_fileinfo info{};
        info.tmz_date = time_;
        return zipOpenNewFileInZip3_64(zip_, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, level_, 0, -MAX_WBITS,
                                       8, Z_DEFAULT_STRATEGY, nullptr, 0, zip64 ? 1 : 0)
            == ZIP_OK;
    }

    bool WritePart(const char* data, std::size_t size)
    {
        while (size > 0) {
            const auto piece = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
            if (zipWriteInFileInZip(zip_, data, piece) != ZIP_OK)
                return false;
            data += piece;
            size -= piece;
        }
        return true;
    }

    bool ClosePart() { return zipCloseFileInZip(zip_) == ZIP_OK; }

    // The first failure abandons the file; an earlier one at the path stays as it was.
    int16_t Fail()
    {
        const SheetError error = output_ && output_->Error() != kSheetOk ? output_->Error() : kSheetDeviceIoError;
        Abandon();
        return error;
    }

    void Abandon()
    {
        if (zip_)
            zipClose(zip_, nullptr);
        zip_ = nullptr;
        if (output_)
            output_->Discard();
        output_.reset();
    }

    void StartRow()
    {
        ++row_;
        column_ = 0;
        rowText_.assign(rowDigits_, std::to_chars(rowDigits_, rowDigits_ + sizeof rowDigits_, row_).ptr);
        xml_ += "<row r=\"";
        xml_ += rowText_;
        xml_ += "\">";
    }

    int16_t EndRow()
    {
        xml_ += "</row>";
        if (xml_.size() >= kChunk) {
            if (!WritePart(xml_.data(), xml_.size()))
                return Fail();
            xml_.clear();
        }
        return kSheetOk;
    }

    // `<c r="B12"` with the cell's place.
    void StartCell()
    {
        xml_ += "<c r=\"";
        XlsxAppendColumnName(xml_, column_++);
        xml_ += rowText_;
        xml_ += '"';
    }

    void AppendNumber(std::string_view text, bool date = false)
    {
        StartCell();
        xml_ += date ? " s=\"1\"><v>" : "><v>";
        xml_ += text;
        xml_ += "</v></c>";
    }

    // A price as the same shortest decimal the CSV writer writes; a value no spreadsheet
    // number holds (NaN, infinity) as that text.
    void AppendPrice(float price)
    {
        char text[16];
        const std::string_view shortest(text, ShortestFloatText(price, text));
        if (std::isfinite(price))
            AppendNumber(shortest);
        else
            AppendText(std::string(shortest));
    }

    // Dates in the 1900 date system: from 1 March 1900 the day number; in January and
    // February 1900 one less; earlier dates have no serial and go in as yyyy-mm-dd text, as
    // a spreadsheet keeps such a typed date.
    void AppendDate(int32_t day)
    {
        if (day < kFirstSerialDay) {
            char text[12];
            AppendText(std::string(text, IsoDateText(day, text)));
            ++textDates_;
            return;
        }
        const int32_t serial = day >= kFirstTrueSerial ? day : day - 1;
        char text[16];
        AppendNumber(std::string_view(text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, serial).ptr - text)), true);
    }

    void AppendText(const std::string& utf8)
    {
        StartCell();
        xml_ += " t=\"inlineStr\"><is>";
        XlsxAppendTextElement(xml_, utf8);
        xml_ += "</is></c>";
    }

    int level_;
    std::unique_ptr<SheetOutput> output_;
    ZipOutput stream_;
    zipFile zip_ = nullptr;
    tm_zip time_{};
    std::string xml_;
    int64_t row_ = 0;
    int32_t column_ = 0;
    char rowDigits_[24] = {};
    std::string rowText_;
    int64_t textDates_ = 0;
};

} // namespace

std::unique_ptr<RowWriter> OpenXlsxRowWriterAtLevel(const std::string& path, int level, int16_t& result)
{
    auto writer = std::make_unique<XlsxRowWriter>(level);
    result = writer->Open(path);
    if (result != kSheetOk)
        return nullptr;
    return writer;
}

std::unique_ptr<RowWriter> OpenXlsxRowWriter(const std::string& path, int16_t& result)
{
    return OpenXlsxRowWriterAtLevel(path, kDefaultDeflateLevel, result);
}

std::string_view XlsxWriterAbsence() { return {}; }
