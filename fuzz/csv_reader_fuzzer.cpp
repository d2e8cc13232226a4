// The CSV reader on arbitrary bytes.

#include "workbook_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::WriteInput("input.csv", data, size);
    const bool utf8 = fuzz::IsValidUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    int32_t lastRow = -1;
    const WorkbookInfo info = ReadCsvFile(path, [&](const WorkbookCell& cell) {
        fuzz::CheckCell(cell, 0xFFFFFF, 0xFFFF);
        FUZZ_CHECK(cell.kind != CellLabel || !cell.text.empty());
        FUZZ_CHECK(!utf8 || fuzz::IsValidUtf8(cell.text));
        FUZZ_CHECK(cell.row >= lastRow);  // in file order
        lastRow = cell.row;
        return true;
    });
    FUZZ_CHECK(info.ok() || !info.error.empty());
    return 0;
}
