// The pattern file reader on arbitrary bytes. Besides crashes: the reader streams, so the
// cells it reads from a file cut short are the first cells of the whole file; a file it
// accepts has a known type; label texts turn into valid UTF-8.

#include "fuzz_check.h"
#include "sheet/sheet_reader.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace {

bool SameCell(const SheetCellValue& a, const SheetCellValue& b)
{
    return a.row == b.row && a.column == b.column && a.kind == b.kind && a.integerValue == b.integerValue
        && std::bit_cast<uint64_t>(a.numberValue) == std::bit_cast<uint64_t>(b.numberValue) && a.text == b.text;
}

bool IsValidUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const SheetReadResult whole = ReadSheetBytes(bytes);
    if (whole.ok())
        FUZZ_CHECK(SheetFileTypeName(whole.sheet.fileType) != "unknown");
    for (const SheetCellValue& cell : whole.sheet.cells)
        FUZZ_CHECK(IsValidUtf8(SheetTextToUtf8(cell.text)));

    const SheetReadResult cut = ReadSheetBytes(bytes.first(size / 2));
    FUZZ_CHECK(cut.sheet.cells.size() <= whole.sheet.cells.size());
    for (size_t i = 0; i < cut.sheet.cells.size(); ++i)
        FUZZ_CHECK(SameCell(cut.sheet.cells[i], whole.sheet.cells[i]));
    return 0;
}
