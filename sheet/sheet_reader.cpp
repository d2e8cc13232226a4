#include "sheet/sheet_reader.h"

#include "base/read_budget.h"
#include "base/utf8.h"
#include "base/windows1252.h"
#include "platform/native/native_file.h"
#include "sheet/sheet_file.h"
#include "sheet/sheet_records.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

namespace wk1 = sheet_records::wk1;
namespace biff = sheet_records::biff;
constexpr std::size_t kRecordHeaderSize = sheet_records::kHeaderSize;

// Little-endian reads inside one record; a read past its end gives zeros, though the
// handlers check a record's length before they read.
class RecordData {
public:
    explicit RecordData(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    std::size_t size() const { return bytes_.size(); }
    uint8_t Byte(std::size_t at) const { return at < bytes_.size() ? bytes_[at] : 0; }
    uint16_t Word(std::size_t at) const { return static_cast<uint16_t>(Byte(at) | Byte(at + 1) << 8); }
    double Double(std::size_t at) const
    {
        uint64_t bits = 0;
        for (std::size_t i = 0; i < 8; ++i)
            bits |= static_cast<uint64_t>(Byte(at + i)) << (8 * i);
        return std::bit_cast<double>(bits);
    }
    std::string Text(std::size_t at, std::size_t length) const
    {
        if (at > bytes_.size() || length > bytes_.size() - at)
            return {};
        return std::string(reinterpret_cast<const char*>(bytes_.data() + at), length);
    }
    // Text up to the first NUL or the end of the record.
    std::string TextToNul(std::size_t at, std::size_t limit) const
    {
        std::size_t end = at;
        while (end < limit && end < bytes_.size() && bytes_[end] != 0)
            ++end;
        return Text(at, end - at);
    }

private:
    std::span<const uint8_t> bytes_;
};

struct Record {
    uint16_t type;
    std::size_t offset;
    RecordData data;
};

std::string Hex(uint16_t value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x0000";
    for (int i = 0; i < 4; ++i)
        text[5 - i] = kDigits[(value >> (4 * i)) & 0xF];
    return text;
}

std::string TooShort(const char* what, const Record& record)
{
    return std::string("damaged file: the ") + what + " record at offset " + std::to_string(record.offset)
        + " is too short";
}

int16_t FileTypeOfFirstRecord(uint16_t type, uint16_t length)
{
    switch (type) {
    case wk1::kBof: return length == wk1::kBofLength ? kSheetWk1 : 0;
    case biff::kBof2: return kSheetBiff2;
    case biff::kBof3: return kSheetBiff3;
    case biff::kBof4: return kSheetBiff4;
    default: return 0;
    }
}

// A formula that refers to one cell: a cell reference token, row word, column byte.
std::optional<SheetArea> CellOfNameFormula(const RecordData& data, std::size_t at, std::size_t length)
{
    const uint8_t token = data.Byte(at);
    const bool cellReference = token == 0x24 || token == 0x44 || token == 0x64 || token == 0x2C
        || token == 0x4C || token == 0x6C;
    if (length != 4 || !cellReference)
        return std::nullopt;
    const int32_t row = data.Word(at + 1);
    const int32_t column = data.Byte(at + 3);
    return SheetArea{column, row, column, row};
}

SheetCellValue& AddCell(SheetContents& sheet, int32_t row, int32_t column, int16_t kind)
{
    SheetCellValue& cell = sheet.cells.emplace_back();
    cell.row = row;
    cell.column = column;
    cell.kind = kind;
    return cell;
}

// One record of a WK1 file; returns an error text or "".
std::string ReadWk1Record(const Record& record, SheetContents& sheet)
{
    const RecordData& data = record.data;
    const auto needs = [&](std::size_t length, const char* what) {
        return data.size() < length ? TooShort(what, record) : std::string();
    };
    std::string error;
    switch (record.type) {
    case wk1::kRange:
        if ((error = needs(wk1::kRangeLength, "RANGE")).empty())
            sheet.usedRange = SheetArea{data.Word(0), data.Word(2), data.Word(4), data.Word(6)};
        break;
    case wk1::kName:
        if ((error = needs(wk1::kNameLength, "NAME")).empty())
            sheet.names.push_back({data.TextToNul(0, wk1::kNameFieldSize),
                                   {data.Word(16), data.Word(18), data.Word(20), data.Word(22)}});
        break;
    case wk1::kBlank:
        if ((error = needs(wk1::kBlankLength, "BLANK")).empty())
            AddCell(sheet, data.Word(3), data.Word(1), CellBlank);
        break;
    case wk1::kInteger:
        if ((error = needs(wk1::kIntegerLength, "INTEGER")).empty())
            AddCell(sheet, data.Word(3), data.Word(1), CellInteger).integerValue =
                static_cast<int16_t>(data.Word(5));
        break;
    case wk1::kNumber:
        if ((error = needs(wk1::kNumberLength, "NUMBER")).empty())
            AddCell(sheet, data.Word(3), data.Word(1), CellNumber).numberValue = data.Double(5);
        break;
    case wk1::kLabel:
        if ((error = needs(wk1::kShortestLabel, "LABEL")).empty())
            AddCell(sheet, data.Word(3), data.Word(1), CellLabel).text = data.TextToNul(6, data.size());
        break;
    }
    return error;
}

// One record of a BIFF2, BIFF3 or BIFF4 stream; returns an error text or "".
std::string ReadBiffRecord(const Record& record, int16_t fileType, SheetContents& sheet)
{
    const RecordData& data = record.data;
    const auto needs = [&](std::size_t length, const char* what) {
        return data.size() < length ? TooShort(what, record) : std::string();
    };
    std::string error;
    switch (record.type) {
    case biff::kDimensions2:
    case biff::kDimensions:
        if ((error = needs(biff::kDimensions2Length, "DIMENSIONS")).empty())
            sheet.usedRange = SheetArea{data.Word(4), data.Word(0), data.Word(6) - 1, data.Word(2) - 1};
        break;
    case biff::kBlank2:
    case biff::kBlank:
        if ((error = needs(record.type == biff::kBlank2 ? biff::kCell2Length : biff::kCellLength, "BLANK")).empty())
            AddCell(sheet, data.Word(0), data.Word(2), CellBlank);
        break;
    case biff::kInteger:
        if ((error = needs(biff::kIntegerLength, "INTEGER")).empty())
            AddCell(sheet, data.Word(0), data.Word(2), CellInteger).integerValue = data.Word(7);
        break;
    case biff::kNumber2:
    case biff::kNumber: {
        const std::size_t at = record.type == biff::kNumber2 ? biff::kCell2Length : biff::kCellLength;
        if ((error = needs(at + 8, "NUMBER")).empty())
            AddCell(sheet, data.Word(0), data.Word(2), CellNumber).numberValue = data.Double(at);
        break;
    }
    case biff::kLabel2:
    case biff::kLabel: {
        const bool biff2 = record.type == biff::kLabel2;
        const std::size_t length = biff2 ? data.Byte(7) : data.Word(6);
        if ((error = needs(biff::kLabelLength + length, "LABEL")).empty())
            AddCell(sheet, data.Word(0), data.Word(2), CellLabel).text = data.Text(biff::kLabelLength, length);
        break;
    }
    case biff::kName2:
    case biff::kName: {
        if ((record.type == biff::kName2) != (fileType == kSheetBiff2))
            break;  // the other generation's layout: not ours to read
        const bool biff2 = record.type == biff::kName2;
        const std::size_t nameAt = biff2 ? 5 : 6;
        const std::size_t nameLength = data.Byte(3);
        const std::size_t formulaLength = biff2 ? data.Byte(4) : data.Word(4);
        if ((error = needs(nameAt + nameLength + formulaLength, "NAME")).empty()) {
            const auto area = CellOfNameFormula(data, nameAt + nameLength, formulaLength);
            if (area)
                sheet.names.push_back({data.Text(nameAt, nameLength), *area});
        }
        break;
    }
    }
    return error;
}

// Records from bytes in memory.
class SpanRecords {
public:
    explicit SpanRecords(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool Header(uint8_t (&header)[kRecordHeaderSize])
    {
        if (bytes_.size() - offset_ < kRecordHeaderSize)
            return false;
        std::memcpy(header, bytes_.data() + offset_, kRecordHeaderSize);
        return true;
    }
    // The data of the record whose header is at the offset, when the bytes hold it all.
    std::optional<std::span<const uint8_t>> Data(std::size_t length)
    {
        if (bytes_.size() - offset_ - kRecordHeaderSize < length)
            return std::nullopt;
        return bytes_.subspan(offset_ + kRecordHeaderSize, length);
    }
    void Skip(std::size_t length) { offset_ += kRecordHeaderSize + length; }
    std::size_t Offset() const { return offset_; }
    const std::string& Error() const { return error_; }

private:
    std::span<const uint8_t> bytes_;
    std::size_t offset_ = 0;
    std::string error_;
};

// Records read from a file a buffer at a time: only the record being read is in memory.
class FileRecords {
public:
    explicit FileRecords(int fd) : fd_(fd), buffer_(64 * 1024 + kRecordHeaderSize + 0xFFFF) {}
    bool Header(uint8_t (&header)[kRecordHeaderSize])
    {
        if (!Fill(kRecordHeaderSize))
            return false;
        std::memcpy(header, buffer_.data() + at_, kRecordHeaderSize);
        return true;
    }
    std::optional<std::span<const uint8_t>> Data(std::size_t length)
    {
        if (!Fill(kRecordHeaderSize + length))
            return std::nullopt;
        return std::span<const uint8_t>(buffer_.data() + at_ + kRecordHeaderSize, length);
    }
    void Skip(std::size_t length)
    {
        at_ += kRecordHeaderSize + length;
        offset_ += kRecordHeaderSize + length;
    }
    std::size_t Offset() const { return offset_; }
    const std::string& Error() const { return error_; }

private:
    // Makes `size` bytes from the current record on lie in the buffer; false at the end.
    bool Fill(std::size_t size)
    {
        if (end_ - at_ >= size)
            return true;
        std::memmove(buffer_.data(), buffer_.data() + at_, end_ - at_);
        end_ -= at_;
        at_ = 0;
        while (end_ < size && error_.empty()) {
            const long long got = native::Read(fd_, buffer_.data() + end_, buffer_.size() - end_);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                error_ = std::string("cannot read the file: ") + std::strerror(errno);
            if (got <= 0)
                break;
            end_ += static_cast<std::size_t>(got);
        }
        return end_ >= size;
    }

    int fd_;
    std::vector<uint8_t> buffer_;
    std::size_t at_ = 0, end_ = 0;
    std::size_t offset_ = 0;
    std::string error_;
};

// What a cell's text costs beside the cell, for the reading's budget.
uint64_t TextCost(const SheetCellValue& cell) { return cell.text.size() > 15 ? cell.text.capacity() + 1 : 0; }

// The largest file of a format: a full grid (8,192 rows of WK1, 16,384 of BIFF, 256
// columns) whose every cell holds a label of the longest kind, and 16 MB for the rest.
uint64_t MaxFileSize(int16_t fileType)
{
    const uint64_t rest = uint64_t{16} << 20;
    return fileType == kSheetWk1 ? uint64_t{8192} * 256 * (4 + 6 + 240 + 6) + rest : uint64_t{16384} * 256 * (4 + 8 + 255 + 5) + rest;
}

template <typename Records>
SheetReadResult ReadRecords(Records& records, base::ReadBudget& budget, uint64_t fileSize)
{
    SheetReadResult result;
    uint8_t first[kRecordHeaderSize];
    if (!records.Header(first)) {
        result.error = records.Error().empty() ? "not a worksheet: the file is too short" : records.Error();
        return result;
    }
    const RecordData start(first);
    const uint16_t firstType = start.Word(0);
    const int16_t fileType = FileTypeOfFirstRecord(firstType, start.Word(2));
    if (fileType == 0) {
        result.error = firstType == biff::kBof5
            ? "BIFF5 and later workbooks are not supported"
            : "not a WK1 or BIFF2-4 worksheet (first record " + Hex(firstType) + ")";
        return result;
    }
    result.sheet.fileType = fileType;
    const uint16_t eofType = fileType == kSheetWk1 ? wk1::kEof : biff::kEof;

    if (fileSize > MaxFileSize(fileType)) {
        // No worksheet of the format is this large, so none is read to find it out.
        result.error = "the file is " + std::to_string(fileSize >> 20) + " MB, larger than a " + SheetFileTypeName(fileType)
            + " worksheet can be (at most " + std::to_string(MaxFileSize(fileType) >> 20) + " MB)";
        return result;
    }
    std::vector<SheetCellValue>& cells = result.sheet.cells;
    for (;;) {
        uint8_t header[kRecordHeaderSize];
        if (!records.Header(header)) {
            result.error = records.Error().empty() ? "damaged file: no end-of-file record (the file is cut short)" : records.Error();
            break;
        }
        const RecordData head(header);
        const std::size_t length = head.Word(2);
        const std::optional<std::span<const uint8_t>> data = records.Data(length);
        if (!data) {
            result.error = !records.Error().empty() ? records.Error()
                : "damaged file: the record at offset " + std::to_string(records.Offset()) + " (type " + Hex(head.Word(0))
                    + ") runs past the end of the file";
            break;
        }
        const Record record{head.Word(0), records.Offset(), RecordData(*data)};
        if (record.type == eofType)
            break;
        if (records.Offset() > 0) {
            // Room for more cells is counted before it is taken, and the list it replaces,
            // which is held until the cells are moved.
            if (cells.size() == cells.capacity()) {
                const std::size_t more = std::max<std::size_t>(1024, cells.capacity() / 2);
                if (!budget.Take(more * sizeof(SheetCellValue))
                    || budget.Used() + cells.capacity() * sizeof(SheetCellValue) > budget.Limit()) {
                    result.error = budget.Refusal("the cells");
                    break;
                }
                cells.reserve(cells.capacity() + more);
            }
            const std::size_t before = cells.size();
            result.error = fileType == kSheetWk1 ? ReadWk1Record(record, result.sheet)
                                                 : ReadBiffRecord(record, fileType, result.sheet);
            if (!result.ok())
                break;
            if (cells.size() > before && !budget.Take(TextCost(cells.back()))) {
                result.error = budget.Refusal("the cells");
                break;
            }
        }
        records.Skip(length);
    }
    return result;
}

}  // namespace

SheetReadResult ReadSheetBytes(std::span<const uint8_t> bytes)
{
    SpanRecords records(bytes);
    base::ReadBudget budget;
    return ReadRecords(records, budget, bytes.size());
}

SheetReadResult ReadSheetFile(const std::string& path)
{
    base::ReadBudget budget;
    return ReadSheetFile(path, budget);
}

SheetReadResult ReadSheetFile(const std::string& path, base::ReadBudget& budget)
{
    SheetReadResult result;
    const int fd = native::OpenRegularForReading(path, result.error);
    if (fd < 0)
        return result;
    const long long size = native::Seek(fd, 0, SEEK_END);
    if (size < 0 || native::Seek(fd, 0, SEEK_SET) < 0) {
        result.error = std::string("cannot read the file: ") + std::strerror(errno);
    } else {
        FileRecords records(fd);
        result = ReadRecords(records, budget, static_cast<uint64_t>(size));
    }
    native::Close(fd);
    return result;
}

std::string SheetFileTypeName(int16_t fileType)
{
    switch (fileType) {
    case kSheetWk1: return "WK1";
    case kSheetBiff2: return "BIFF2";
    case kSheetBiff3: return "BIFF3";
    case kSheetBiff4: return "BIFF4";
    default: return "unknown";
    }
}

std::string SheetTextToUtf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (const char c : text)
        base::AppendUtf8(utf8, base::CharOfWindows1252(static_cast<unsigned char>(c)));
    return utf8;
}
