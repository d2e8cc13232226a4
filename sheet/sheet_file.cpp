#include "sheet/sheet_file.h"

#include "sheet/sheet_records.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace {

namespace wk1 = sheet_records::wk1;
namespace biff = sheet_records::biff;
using sheet_records::kHeaderSize;

constexpr int16_t kNoFirstColumn = 9999;
constexpr int32_t kLastWk1Row = 0xFFFF;
constexpr int32_t kLastBiffRow = 0xFFFE;  // DIMENSIONS stores the last row + 1 in 16 bits

constexpr uint8_t kPlainWk1Format = 0xF1;  // protected, general
constexpr uint8_t kPlainLabelPrefix = '\'';  // left-aligned
constexpr uint8_t kPlainBiff2Attribute = 0x03;

constexpr int kBiffXfCount = 16;

constexpr std::size_t kLongestWk1Label = 0xFFFF - wk1::kLabelLength;
constexpr std::size_t kLongestBiff2Label = 0xFF;
constexpr std::size_t kLongestBiff34Label = 0xFFFF - biff::kLabelLength;

// Where and how a cell record is written.
struct CellPlace {
    uint16_t row;
    uint16_t column;
    uint8_t format;  // WK1
    uint8_t labelPrefix;  // WK1
    uint16_t xfIndex;  // BIFF
    uint8_t attribute;  // BIFF2
};

bool IsBiff2(int16_t fileType)
{
    return fileType == kSheetBiff2;
}

// Every record but a label fits whole: the longest is a WK1 NAME (28 bytes).
constexpr std::size_t kLongestFixedRecord = 32;

// A record written straight into the output's buffer, header first, and kept with End: a
// cell costs one check for room instead of one per field. A label's text is appended after
// End; nothing else may come between. Fields are little-endian.
class Record {
public:
    Record(SheetOutput& out, uint16_t type, std::size_t length)
        : out_(out), bytes_(out.Room(std::min(kHeaderSize + length, kLongestFixedRecord)))
    {
        Word(type);
        Word(static_cast<uint16_t>(length));
    }

    Record& Byte(uint8_t value)
    {
        bytes_[size_++] = value;
        return *this;
    }
    Record& Word(uint16_t value)
    {
        bytes_[size_++] = static_cast<uint8_t>(value);
        bytes_[size_++] = static_cast<uint8_t>(value >> 8);
        return *this;
    }
    Record& Double(double value)
    {
        const auto bits = std::bit_cast<uint64_t>(value);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(bytes_ + size_, &bits, sizeof bits);
            size_ += sizeof bits;
        } else {
            for (int i = 0; i < 8; ++i)
                Byte(static_cast<uint8_t>(bits >> (8 * i)));
        }
        return *this;
    }
    // Fixed bytes and the short names of the header.
    Record& Bytes(std::string_view bytes)
    {
        std::memcpy(bytes_ + size_, bytes.data(), bytes.size());
        size_ += bytes.size();
        return *this;
    }

    void End() { out_.Advance(size_); }

private:
    SheetOutput& out_;
    uint8_t* bytes_;
    std::size_t size_ = 0;
};

void AppendText(SheetOutput& out, std::string_view text)
{
    out.Append(text.data(), text.size());
}

// --- WK1 records -------------------------------------------------------------------------

// Write the BOF record.
void WriteWk1Bof(SheetOutput& out)
{
    Record(out, wk1::kBof, wk1::kBofLength).Word(wk1::kVersion).End();
}

// Write the RANGE record with the used range left to close.
void WriteWk1RangePlaceholder(SheetOutput& out)
{
    Record(out, wk1::kRange, wk1::kRangeLength).Bytes({"\0\0\0\0\0\0\0\0", wk1::kRangeLength}).End();
}

// Write the NAME record of a one-cell range in column A.
void WriteWk1Name(SheetOutput& out, std::string_view name, int16_t row)
{
    Record(out, wk1::kName, wk1::kNameLength)
        .Bytes(name)
        .Byte(0)
        .Bytes({"       ", wk1::kNameFieldSize - name.size() - 1})
        .Word(0)
        .Word(static_cast<uint16_t>(row))
        .Word(0)
        .Word(static_cast<uint16_t>(row))
        .End();
}

inline Record Wk1CellStart(SheetOutput& out, uint16_t type, std::size_t length, const CellPlace& at)
{
    Record record(out, type, length);
    record.Byte(at.format).Word(at.column).Word(at.row);
    return record;
}

// Write the BLANK record.
void WriteWk1Blank(SheetOutput& out, const CellPlace& at)
{
    Wk1CellStart(out, wk1::kBlank, wk1::kBlankLength, at).End();
}

// Write the INTEGER record.
void WriteWk1Integer(SheetOutput& out, const CellPlace& at, int16_t value)
{
    Wk1CellStart(out, wk1::kInteger, wk1::kIntegerLength, at).Word(static_cast<uint16_t>(value)).End();
}

// Write the NUMBER record.
void WriteWk1Number(SheetOutput& out, const CellPlace& at, double value)
{
    Wk1CellStart(out, wk1::kNumber, wk1::kNumberLength, at).Double(value).End();
}

// Write the LABEL record: prefix character, text, NUL.
void WriteWk1Label(SheetOutput& out, const CellPlace& at, std::string_view text)
{
    Wk1CellStart(out, wk1::kLabel, wk1::kLabelLength + text.size(), at).Byte(at.labelPrefix).End();
    AppendText(out, text);
    out.AppendByte(0);
}

// Write the EOF record.
void WriteWk1Eof(SheetOutput& out)
{
    Record(out, wk1::kEof, 0).End();
}

// --- BIFF records ------------------------------------------------------------------------

// Write the BOF record of a worksheet.
void WriteBiffBof(SheetOutput& out, int16_t fileType)
{
    if (IsBiff2(fileType))
        Record(out, biff::kBof2, biff::kBof2Length).Bytes({"\x00\x00\x10\x00", biff::kBof2Length}).End();
    else
        Record(out, fileType == kSheetBiff3 ? biff::kBof3 : biff::kBof4, biff::kBofLength)
            .Bytes({"\x00\x00\x10\x00\x00\x00", biff::kBofLength})
            .End();
}

// Write the DIMENSIONS record with the used range left to close.
void WriteBiffDimensionsPlaceholder(SheetOutput& out, int16_t fileType)
{
    const std::size_t length = IsBiff2(fileType) ? biff::kDimensions2Length : biff::kDimensionsLength;
    Record(out, IsBiff2(fileType) ? biff::kDimensions2 : biff::kDimensions, length).Bytes({"\0\0\0\0\0\0\0\0\0\0", length}).End();
}

// Write the XF record (BIFF3, BIFF4).
void WriteBiffXf(SheetOutput& out, int16_t fileType)
{
    if (fileType == kSheetBiff3)
        Record(out, biff::kXf3, biff::kXfLength).Bytes({"\x00\x00\x05\x00\xF0\xFF\x00\xCE\x00\x00\x00\x00", biff::kXfLength}).End();
    else
        Record(out, biff::kXf4, biff::kXfLength).Bytes({"\x00\x00\xF5\xFF\x20\x00\x00\xCE\x00\x00\x00\x00", biff::kXfLength}).End();
}

// Write the STYLE record: built-in style "Normal" on XF 0 (BIFF3, BIFF4).
void WriteBiffStyle(SheetOutput& out)
{
    Record(out, biff::kStyle, biff::kStyleLength).Bytes({"\x00\x80\x00\xFF", biff::kStyleLength}).End();
}

// Write the NAME record of a one-cell range in column A.
void WriteBiffName(SheetOutput& out, int16_t fileType, std::string_view name, int16_t row)
{
    const char formula[4] = {0x2C, static_cast<char>(row % 256), static_cast<char>(row / 256), 0};
    if (IsBiff2(fileType)) {
        Record(out, biff::kName2, 5 + name.size() + sizeof formula + 1)
            .Bytes({"\x20\x6D\x2F", 3})
            .Byte(static_cast<uint8_t>(name.size()))
            .Byte(sizeof formula)
            .Bytes(name)
            .Bytes({formula, sizeof formula})
            .Byte(sizeof formula)
            .End();
    } else {
        Record(out, biff::kName, 6 + name.size() + sizeof formula)
            .Bytes({"\x00\x00\x0C", 3})
            .Byte(static_cast<uint8_t>(name.size()))
            .Word(sizeof formula)
            .Bytes(name)
            .Bytes({formula, sizeof formula})
            .End();
    }
}

inline Record BiffCellStart(SheetOutput& out, int16_t fileType, uint16_t type, std::size_t length, const CellPlace& at)
{
    Record record(out, type, length);
    record.Word(at.row).Word(at.column).Word(at.xfIndex);
    if (IsBiff2(fileType))
        record.Byte(at.attribute);
    return record;
}

// Write the BLANK record.
void WriteBiffBlank(SheetOutput& out, int16_t fileType, const CellPlace& at)
{
    if (IsBiff2(fileType))
        BiffCellStart(out, fileType, biff::kBlank2, biff::kCell2Length, at).End();
    else
        BiffCellStart(out, fileType, biff::kBlank, biff::kCellLength, at).End();
}

// Write the INTEGER record; it has the BIFF2 layout in every type.
void WriteBiffInteger(SheetOutput& out, const CellPlace& at, uint16_t value)
{
    BiffCellStart(out, kSheetBiff2, biff::kInteger, biff::kIntegerLength, at).Word(value).End();
}

// Write the NUMBER record.
void WriteBiffNumber(SheetOutput& out, int16_t fileType, const CellPlace& at, double value)
{
    if (IsBiff2(fileType))
        BiffCellStart(out, fileType, biff::kNumber2, biff::kNumber2Length, at).Double(value).End();
    else
        BiffCellStart(out, fileType, biff::kNumber, biff::kNumberLength, at).Double(value).End();
}

// Write the LABEL record: length, then the text without terminator.
void WriteBiffLabel(SheetOutput& out, int16_t fileType, const CellPlace& at, std::string_view text)
{
    if (IsBiff2(fileType)) {
        BiffCellStart(out, fileType, biff::kLabel2, biff::kLabelLength + text.size(), at).Byte(static_cast<uint8_t>(text.size())).End();
    } else {
        BiffCellStart(out, fileType, biff::kLabel, biff::kLabelLength + text.size(), at)
            .Word(static_cast<uint16_t>(text.size()))
            .End();
    }
    AppendText(out, text);
}

// Write the EOF record.
void WriteBiffEof(SheetOutput& out)
{
    Record(out, biff::kEof, 0).End();
}

// --- Files -------------------------------------------------------------------------------

// Write the header records of a new file, in file order.
void WriteHeader(SheetOutput& out, int16_t fileType, const SheetFileOptions& options)
{
    const bool names = options.names;
    if (fileType == kSheetWk1) {
        WriteWk1Bof(out);
        WriteWk1RangePlaceholder(out);
        if (names) {
            WriteWk1Name(out, "WK1LABEL", options.labelRow);
            WriteWk1Name(out, "WK1BEGIN", options.beginRow);
        }
        return;
    }
    WriteBiffBof(out, fileType);
    WriteBiffDimensionsPlaceholder(out, fileType);
    if (!IsBiff2(fileType)) {
        for (int i = 0; i < kBiffXfCount; ++i)
            WriteBiffXf(out, fileType);
        WriteBiffStyle(out);
    }
    if (names) {
        WriteBiffName(out, fileType, "WK1BEGIN", options.beginRow);
        WriteBiffName(out, fileType, "WK1LABEL", options.labelRow);
    }
}

// Fill in the used range in the header, over its placeholder.
SheetError WriteUsedRange(SheetOutput& out, int16_t fileType, int16_t firstColumn16,
                          int16_t lastColumn16, int32_t lastRow32)
{
    const auto lastRow = static_cast<uint16_t>(lastRow32);
    const auto firstColumn = static_cast<uint16_t>(firstColumn16);
    const auto lastColumn = static_cast<uint16_t>(lastColumn16);
    uint16_t words[4];
    std::size_t offset;
    if (fileType == kSheetWk1) {
        words[0] = firstColumn;
        words[1] = 0;
        words[2] = lastColumn;
        words[3] = lastRow;
        offset = wk1::kRangeOffset;
    } else {
        words[0] = 0;
        words[1] = static_cast<uint16_t>(lastRow + 1);
        words[2] = firstColumn;
        words[3] = static_cast<uint16_t>(lastColumn + 1);
        offset = IsBiff2(fileType) ? biff::kDimensions2Offset : biff::kDimensionsOffset;
    }
    uint8_t bytes[8];
    for (int i = 0; i < 4; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(words[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    return out.WriteAt(offset, bytes, sizeof bytes);
}

// A cell that its record cannot hold is refused rather than written wrong.
SheetError CheckCellFits(int16_t fileType, const SheetCell& cell)
{
    const int32_t lastRow = fileType == kSheetWk1 ? kLastWk1Row : kLastBiffRow;
    if (cell.row < 0 || cell.row > lastRow)
        return kSheetOverflow;
    if (cell.column < 1)
        return kSheetInvalidArgument;
    if (cell.kind != CellLabel)
        return kSheetOk;
    const std::size_t longest = fileType == kSheetWk1 ? kLongestWk1Label
        : IsBiff2(fileType)                           ? kLongestBiff2Label
                                                      : kLongestBiff34Label;
    if (cell.text.size() > longest)
        return kSheetInvalidArgument;
    if (fileType == kSheetWk1 && cell.text.find('\0') != std::string::npos)
        return kSheetInvalidArgument;
    return kSheetOk;
}

CellPlace PlaceOf(const SheetCell& cell, const SheetCellStyle& style)
{
    CellPlace at{static_cast<uint16_t>(cell.row), static_cast<uint16_t>(cell.column - 1),
                 kPlainWk1Format, kPlainLabelPrefix, 0, kPlainBiff2Attribute};
    if (style.enabled) {
        at.format = style.format;
        at.labelPrefix = style.labelPrefix;
        at.xfIndex = style.xfIndex;
        at.attribute = style.format;
    }
    return at;
}

void WriteWk1Cell(SheetOutput& out, const SheetCell& cell, const CellPlace& at)
{
    switch (cell.kind) {
    case CellBlank: WriteWk1Blank(out, at); break;
    case CellInteger: WriteWk1Integer(out, at, cell.integerValue); break;
    case CellNumber: WriteWk1Number(out, at, cell.numberValue); break;
    case CellLabel: WriteWk1Label(out, at, cell.text); break;
    }
}

// BIFF integers are unsigned, so a negative one goes in as a number.
void WriteBiffCell(SheetOutput& out, int16_t fileType, const SheetCell& cell, const CellPlace& at)
{
    switch (cell.kind) {
    case CellBlank: WriteBiffBlank(out, fileType, at); break;
    case CellInteger:
        if (cell.integerValue < 0)
            WriteBiffNumber(out, fileType, at, cell.integerValue);
        else
            WriteBiffInteger(out, at, static_cast<uint16_t>(cell.integerValue));
        break;
    case CellNumber: WriteBiffNumber(out, fileType, at, cell.numberValue); break;
    case CellLabel: WriteBiffLabel(out, fileType, at, cell.text); break;
    }
}

}  // namespace

SheetError SheetFile::Open(const std::string& path, const SheetFileOptions& options)
{
    if (output_)
        return kSheetFileAlreadyOpen;
    const bool known = options.fileType >= kSheetWk1 && options.fileType <= kSheetBiff4;
    fileType_ = known ? options.fileType : int16_t{kSheetWk1};
    firstColumn_ = kNoFirstColumn;
    lastColumn_ = 0;
    lastRow_ = 0;
    if (options.names && (options.labelRow < 0 || options.beginRow < 0))
        return kSheetInvalidArgument;

    SheetError error = kSheetOk;
    auto output = SheetOutput::Create(path, error);
    if (!output)
        return error;
    WriteHeader(*output, fileType_, options);
    // Writing the header out now finds a full device at open, not after the whole import.
    if (output->Flush() != kSheetOk)
        return output->Error();
    output_ = std::move(output);
    return kSheetOk;
}

SheetError SheetFile::Write(const SheetCell& cell, const SheetCellStyle& style)
{
    if (!output_)
        return kSheetBadFileName;
    if (cell.kind < CellBlank || cell.kind > CellLabel)
        return kSheetOk;
    if (const SheetError refused = CheckCellFits(fileType_, cell); refused != kSheetOk) {
        output_.reset();
        return refused;
    }

    SheetOutput& out = *output_;
    const CellPlace at = PlaceOf(cell, style);
    if (fileType_ == kSheetWk1)
        WriteWk1Cell(out, cell, at);
    else
        WriteBiffCell(out, fileType_, cell, at);
    if (const SheetError error = out.Error(); error != kSheetOk) {
        output_.reset();
        return error;
    }
    const auto column = static_cast<int16_t>(at.column);
    firstColumn_ = std::min(firstColumn_, column);
    lastColumn_ = std::max(lastColumn_, column);
    lastRow_ = std::max(lastRow_, cell.row);
    return kSheetOk;
}

SheetError SheetFile::Close()
{
    if (!output_)
        return kSheetBadFileName;
    const std::unique_ptr<SheetOutput> output = std::move(output_);
    if (fileType_ == kSheetWk1)
        WriteWk1Eof(*output);
    else
        WriteBiffEof(*output);
    if (const SheetError error = WriteUsedRange(*output, fileType_, firstColumn_, lastColumn_, lastRow_);
        error != kSheetOk)
        return error;
    return output->Commit();
}
