#pragma once

// "Check data": the data-quality checks over the rows of an open pattern file. The
// viewer reads files, not databases, so it checks rows: the columns are found by their
// headings and the period by the usual step between dates.

#include "quality/price_check.h"

#include <vector>

class ViewerSheet;

struct SheetFinding {
    int row = 0;  // the sheet row, 0-based
    quality::Finding finding;
};

struct SheetCheck {
    quality::Period period = quality::Period::Daily;
    bool pricesFound = false;  // a heading ending in Close (at least) was found
    int rowsChecked = 0;
    std::vector<SheetFinding> findings;
};

// The column of each value, by the end of its heading ("XYZ_Open", "XYZ Close",
// "XYZ_Open_Interest", "Vol"); -1 when there is none.
struct PriceColumns {
    int open = -1, high = -1, low = -1, close = -1, volume = -1, openInterest = -1;
};
PriceColumns FindPriceColumns(const ViewerSheet& sheet);

// Checks the given sheet rows (ascending: one security of a long table), or every row
// below the label row.
SheetCheck CheckSheet(const ViewerSheet& sheet, const std::vector<int>* rows = nullptr);
