#pragma once

// What every cell the workbook readers hand out keeps to, whatever the file.

#include "fuzz_support.h"
#include "workbook/workbook_reader.h"

namespace fuzz {

inline void CheckCell(const WorkbookCell& cell, int32_t maxRow, int32_t maxColumn)
{
    FUZZ_CHECK(cell.row >= 0 && cell.row <= maxRow);
    FUZZ_CHECK(cell.column >= 0 && cell.column <= maxColumn);
    FUZZ_CHECK(cell.kind == CellNumber || cell.kind == CellLabel);
    FUZZ_CHECK(cell.text.size() <= kMaxCellText + 3);
    FUZZ_CHECK(!cell.cut || cell.text.ends_with(kCutMark));
}

} // namespace fuzz
