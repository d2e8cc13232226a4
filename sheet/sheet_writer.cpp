#include "sheet/sheet_writer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr int16_t kNoFirstColumn = 9999;
constexpr int32_t kLastWk1Row = 0xFFFF;
constexpr int32_t kLastBiffRow = 0xFFFE;  // DIMENSIONS stores the last row + 1 in 16 bits

constexpr uint8_t kPlainWk1Format = 0xF1;  // protected, general
constexpr uint8_t kPlainLabelPrefix = '\'';  // left-aligned
constexpr uint8_t kPlainBiff2Attribute = 0x03;

constexpr uint16_t kWk1RangeOffset = 10;
constexpr uint16_t kBiff2DimensionsOffset = 12;
constexpr uint16_t kBiff34DimensionsOffset = 14;
constexpr int kBiffXfCount = 16;

constexpr std::size_t kLongestWk1Label = 0xFFFF - 7;
constexpr std::size_t kLongestBiff2Label = 0xFF;
constexpr std::size_t kLongestBiff34Label = 0xFFFF - 8;

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

void AppendRecordHeader(SheetOutput& out, uint16_t type, std::size_t length)
{
    out.AppendWord(type);
    out.AppendWord(static_cast<uint16_t>(length));
}

void AppendText(SheetOutput& out, std::string_view text)
{
    out.Append(text.data(), text.size());
}

// --- WK1 records -------------------------------------------------------------------------

// Write the BOF record.
void WriteWk1Bof(SheetOutput& out)
{
    AppendRecordHeader(out, 0x0000, 2);
    out.AppendWord(0x0406);
}

// Write the RANGE record with the used range left to close.
void WriteWk1RangePlaceholder(SheetOutput& out)
{
    AppendRecordHeader(out, 0x0006, 8);
    out.Append("\0\0\0\0\0\0\0\0", 8);
}

// Write the NAME record of a one-cell range in column A.
void WriteWk1Name(SheetOutput& out, std::string_view name, int16_t row)
{
    AppendRecordHeader(out, 0x000B, 24);
    AppendText(out, name);
    out.AppendByte(0);
    out.Append("       ", 16 - name.size() - 1);
    out.AppendWord(0);
    out.AppendWord(static_cast<uint16_t>(row));
    out.AppendWord(0);
    out.AppendWord(static_cast<uint16_t>(row));
}

void AppendWk1CellStart(SheetOutput& out, uint16_t type, std::size_t length, const CellPlace& at)
{
    AppendRecordHeader(out, type, length);
    out.AppendByte(at.format);
    out.AppendWord(at.column);
    out.AppendWord(at.row);
}

// Write the BLANK record.
void WriteWk1Blank(SheetOutput& out, const CellPlace& at)
{
    AppendWk1CellStart(out, 0x000C, 5, at);
}

// Write the INTEGER record.
void WriteWk1Integer(SheetOutput& out, const CellPlace& at, int16_t value)
{
    AppendWk1CellStart(out, 0x000D, 7, at);
    out.AppendWord(static_cast<uint16_t>(value));
}

// Write the NUMBER record.
void WriteWk1Number(SheetOutput& out, const CellPlace& at, double value)
{
    AppendWk1CellStart(out, 0x000E, 13, at);
    out.AppendDouble(value);
}

// Write the LABEL record: prefix character, text, NUL.
void WriteWk1Label(SheetOutput& out, const CellPlace& at, std::string_view text)
{
    AppendWk1CellStart(out, 0x000F, text.size() + 7, at);
    out.AppendByte(at.labelPrefix);
    AppendText(out, text);
    out.AppendByte(0);
}

// Write the EOF record.
void WriteWk1Eof(SheetOutput& out)
{
    AppendRecordHeader(out, 0x0001, 0);
}

// --- BIFF records ------------------------------------------------------------------------

// Write the BOF record of a worksheet.
void WriteBiffBof(SheetOutput& out, int16_t fileType)
{
    if (IsBiff2(fileType)) {
        AppendRecordHeader(out, 0x0009, 4);
        out.Append("\x00\x00\x10\x00", 4);
    } else {
        AppendRecordHeader(out, fileType == kSheetBiff3 ? 0x0209 : 0x0409, 6);
        out.Append("\x00\x00\x10\x00\x00\x00", 6);
    }
}

// Write the DIMENSIONS record with the used range left to close.
void WriteBiffDimensionsPlaceholder(SheetOutput& out, int16_t fileType)
{
    const std::size_t length = IsBiff2(fileType) ? 8 : 10;
    AppendRecordHeader(out, IsBiff2(fileType) ? 0x0000 : 0x0200, length);
    out.Append("\0\0\0\0\0\0\0\0\0\0", length);
}

// Write the XF record (BIFF3, BIFF4).
void WriteBiffXf(SheetOutput& out, int16_t fileType)
{
    if (fileType == kSheetBiff3) {
        AppendRecordHeader(out, 0x0243, 12);
        out.Append("\x00\x00\x05\x00\xF0\xFF\x00\xCE\x00\x00\x00\x00", 12);
    } else {
        AppendRecordHeader(out, 0x0443, 12);
        out.Append("\x00\x00\xF5\xFF\x20\x00\x00\xCE\x00\x00\x00\x00", 12);
    }
}

// Write the STYLE record: built-in style "Normal" on XF 0 (BIFF3, BIFF4).
void WriteBiffStyle(SheetOutput& out)
{
    AppendRecordHeader(out, 0x0293, 4);
    out.Append("\x00\x80\x00\xFF", 4);
}

// Write the NAME record of a one-cell range in column A.
void WriteBiffName(SheetOutput& out, int16_t fileType, std::string_view name, int16_t row)
{
    const uint8_t formula[4] = {0x2C, static_cast<uint8_t>(row % 256), static_cast<uint8_t>(row / 256), 0};
    if (IsBiff2(fileType)) {
        AppendRecordHeader(out, 0x0018, 18);
        out.Append("\x20\x6D\x2F", 3);
        out.AppendByte(static_cast<uint8_t>(name.size()));
        out.AppendByte(sizeof formula);
        AppendText(out, name);
        out.Append(formula, sizeof formula);
        out.AppendByte(sizeof formula);
    } else {
        AppendRecordHeader(out, 0x0218, 18);
        out.Append("\x00\x00\x0C", 3);
        out.AppendByte(static_cast<uint8_t>(name.size()));
        out.AppendWord(sizeof formula);
        AppendText(out, name);
        out.Append(formula, sizeof formula);
    }
}

void AppendBiffCellStart(SheetOutput& out, int16_t fileType, uint16_t type, std::size_t length,
                         const CellPlace& at)
{
    AppendRecordHeader(out, type, length);
    out.AppendWord(at.row);
    out.AppendWord(at.column);
    out.AppendWord(at.xfIndex);
    if (IsBiff2(fileType))
        out.AppendByte(at.attribute);
}

// Write the BLANK record.
void WriteBiffBlank(SheetOutput& out, int16_t fileType, const CellPlace& at)
{
    if (IsBiff2(fileType))
        AppendBiffCellStart(out, fileType, 0x0001, 7, at);
    else
        AppendBiffCellStart(out, fileType, 0x0201, 6, at);
}

// Write the INTEGER record; it has the BIFF2 layout in every type.
void WriteBiffInteger(SheetOutput& out, const CellPlace& at, uint16_t value)
{
    AppendBiffCellStart(out, kSheetBiff2, 0x0002, 9, at);
    out.AppendWord(value);
}

// Write the NUMBER record.
void WriteBiffNumber(SheetOutput& out, int16_t fileType, const CellPlace& at, double value)
{
    if (IsBiff2(fileType))
        AppendBiffCellStart(out, fileType, 0x0003, 15, at);
    else
        AppendBiffCellStart(out, fileType, 0x0203, 14, at);
    out.AppendDouble(value);
}

// Write the LABEL record: length, then the text without terminator.
void WriteBiffLabel(SheetOutput& out, int16_t fileType, const CellPlace& at, std::string_view text)
{
    if (IsBiff2(fileType)) {
        AppendBiffCellStart(out, fileType, 0x0004, text.size() + 8, at);
        out.AppendByte(static_cast<uint8_t>(text.size()));
    } else {
        AppendBiffCellStart(out, fileType, 0x0204, text.size() + 8, at);
        out.AppendWord(static_cast<uint16_t>(text.size()));
    }
    AppendText(out, text);
}

// Write the EOF record.
void WriteBiffEof(SheetOutput& out)
{
    AppendRecordHeader(out, 0x000A, 0);
}

// --- Files -------------------------------------------------------------------------------

// Write the header records of a new file, in file order.
void WriteHeader(SheetOutput& out, int16_t fileType, const SheetWriterState& state)
{
    const bool names = state.SheetNoNames == 0;
    if (fileType == kSheetWk1) {
        WriteWk1Bof(out);
        WriteWk1RangePlaceholder(out);
        if (names) {
            WriteWk1Name(out, "WK1LABEL", state.SheetLabelRow);
            WriteWk1Name(out, "WK1BEGIN", state.SheetBeginRow);
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
        WriteBiffName(out, fileType, "WK1BEGIN", state.SheetBeginRow);
        WriteBiffName(out, fileType, "WK1LABEL", state.SheetLabelRow);
    }
}

// Fill in the used range in the header, over its placeholder.
SheetError WriteUsedRange(SheetOutput& out, const SheetFileSlot& slot)
{
    const auto lastRow = static_cast<uint16_t>(slot.lastRow);
    const auto firstColumn = static_cast<uint16_t>(slot.firstColumn);
    const auto lastColumn = static_cast<uint16_t>(slot.lastColumn);
    uint16_t words[4];
    uint16_t offset;
    if (slot.fileType == kSheetWk1) {
        words[0] = firstColumn;
        words[1] = 0;
        words[2] = lastColumn;
        words[3] = lastRow;
        offset = kWk1RangeOffset;
    } else {
        words[0] = 0;
        words[1] = static_cast<uint16_t>(lastRow + 1);
        words[2] = firstColumn;
        words[3] = static_cast<uint16_t>(lastColumn + 1);
        offset = IsBiff2(slot.fileType) ? kBiff2DimensionsOffset : kBiff34DimensionsOffset;
    }
    uint8_t bytes[8];
    for (int i = 0; i < 4; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(words[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    return out.WriteAt(offset, bytes, sizeof bytes);
}

// A cell that its record cannot hold is refused rather than written wrong.
SheetError CheckCellFits(int16_t fileType, const SheetCellRecord& cell)
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

CellPlace PlaceOf(const SheetCellRecord& cell, const SheetCellStyleRecord& style)
{
    CellPlace at{static_cast<uint16_t>(cell.row), static_cast<uint16_t>(cell.column - 1),
                 kPlainWk1Format, kPlainLabelPrefix, 0, kPlainBiff2Attribute};
    if (style.enabled != 0) {
        at.format = style.format;
        at.labelPrefix = style.labelPrefix;
        at.xfIndex = style.xfIndex;
        at.attribute = style.format;
    }
    return at;
}

void WriteWk1Cell(SheetOutput& out, const SheetCellRecord& cell, const CellPlace& at)
{
    switch (cell.kind) {
    case CellBlank: WriteWk1Blank(out, at); break;
    case CellInteger: WriteWk1Integer(out, at, cell.integerValue); break;
    case CellNumber: WriteWk1Number(out, at, cell.numberValue); break;
    case CellLabel: WriteWk1Label(out, at, cell.text); break;
    }
}

// BIFF integers are unsigned, so a negative one goes in as a number.
void WriteBiffCell(SheetOutput& out, int16_t fileType, const SheetCellRecord& cell, const CellPlace& at)
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

bool IsValidHandle(int handle)
{
    return handle >= 0 && handle < kSheetFileSlots;
}

}  // namespace

SheetWriterState& SheetWriter()
{
    static SheetWriterState state;
    return state;
}

int16_t OpenSheetFile(int handle, const std::string& path)
{
    if (!IsValidHandle(handle))
        return kSheetBadHandle;
    SheetWriterState& state = SheetWriter();
    SheetFileSlot& slot = state.SheetFileTable[handle];
    if (slot.output)
        return kSheetFileAlreadyOpen;
    if (state.SheetFileType < kSheetWk1 || state.SheetFileType > kSheetBiff4)
        state.SheetFileType = kSheetWk1;
    slot.fileType = state.SheetFileType;
    slot.firstColumn = kNoFirstColumn;
    slot.lastColumn = 0;
    slot.lastRow = 0;
    if (state.SheetNoNames == 0 && (state.SheetLabelRow < 0 || state.SheetBeginRow < 0))
        return kSheetInvalidArgument;

    SheetError error = kSheetOk;
    auto output = SheetOutput::Create(path, error);
    if (!output)
        return error;
    WriteHeader(*output, slot.fileType, state);
    // Writing the header out now finds a full device at open, not after the whole import.
    if (output->Flush() != kSheetOk)
        return output->Error();
    slot.output = std::move(output);
    return kSheetOk;
}

int16_t WriteSheetCell(int handle)
{
    if (!IsValidHandle(handle))
        return kSheetBadHandle;
    SheetWriterState& state = SheetWriter();
    SheetFileSlot& slot = state.SheetFileTable[handle];
    if (!slot.output)
        return kSheetBadFileName;
    const SheetCellRecord& cell = state.SheetCell;
    if (cell.kind < CellBlank || cell.kind > CellLabel)
        return kSheetOk;
    if (const SheetError refused = CheckCellFits(slot.fileType, cell); refused != kSheetOk) {
        slot.output.reset();
        return refused;
    }

    SheetOutput& out = *slot.output;
    const CellPlace at = PlaceOf(cell, state.SheetCellStyle);
    if (slot.fileType == kSheetWk1)
        WriteWk1Cell(out, cell, at);
    else
        WriteBiffCell(out, slot.fileType, cell, at);
    if (const SheetError error = out.Error(); error != kSheetOk) {
        slot.output.reset();
        return error;
    }
    const auto column = static_cast<int16_t>(at.column);
    slot.firstColumn = std::min(slot.firstColumn, column);
    slot.lastColumn = std::max(slot.lastColumn, column);
    slot.lastRow = std::max(slot.lastRow, cell.row);
    return kSheetOk;
}

int16_t CloseSheetFile(int handle)
{
    if (!IsValidHandle(handle))
        return kSheetBadHandle;
    SheetFileSlot& slot = SheetWriter().SheetFileTable[handle];
    if (!slot.output)
        return kSheetBadFileName;
    const std::unique_ptr<SheetOutput> output = std::move(slot.output);
    if (slot.fileType == kSheetWk1)
        WriteWk1Eof(*output);
    else
        WriteBiffEof(*output);
    if (const SheetError error = WriteUsedRange(*output, slot); error != kSheetOk)
        return error;
    return output->Commit();
}
