// The pattern file reader on arbitrary bytes. It streams: the cells it reads from a file cut
// short are the first cells of the whole file.

#include "fuzz_support.h"
#include "sheet/sheet_reader.h"

#include <bit>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const SheetReadResult whole = ReadSheetBytes(bytes);
    FUZZ_CHECK(!whole.ok() || SheetFileTypeName(whole.sheet.fileType) != "unknown");
    for (const SheetCellValue& cell : whole.sheet.cells)
        FUZZ_CHECK(fuzz::IsValidUtf8(SheetTextToUtf8(cell.text)));

    const SheetReadResult cut = ReadSheetBytes(bytes.first(size / 2));
    FUZZ_CHECK(cut.sheet.cells.size() <= whole.sheet.cells.size());
    for (size_t i = 0; i < cut.sheet.cells.size(); ++i) {
        const SheetCellValue &a = cut.sheet.cells[i], &b = whole.sheet.cells[i];
        FUZZ_CHECK(a.row == b.row && a.column == b.column && a.kind == b.kind && a.integerValue == b.integerValue);
        FUZZ_CHECK(std::bit_cast<uint64_t>(a.numberValue) == std::bit_cast<uint64_t>(b.numberValue) && a.text == b.text);
    }
    return 0;
}
