#pragma once

// What every cell the workbook readers hand out keeps to, whatever the file.

#include "fuzz_check.h"
#include "workbook/workbook_reader.h"

namespace fuzz {

inline bool IsValidUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

inline void CheckCell(const WorkbookCell& cell, int32_t maxRow, int32_t maxColumn)
{
    FUZZ_CHECK(cell.row >= 0 && cell.row <= maxRow);
    FUZZ_CHECK(cell.column >= 0 && cell.column <= maxColumn);
    FUZZ_CHECK(cell.kind == CellNumber || cell.kind == CellLabel);
    FUZZ_CHECK(cell.text.size() <= kMaxCellText + 3);
    FUZZ_CHECK(!cell.cut || cell.text.ends_with(kCutMark));
}

} // namespace fuzz
