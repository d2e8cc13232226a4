#pragma once

#include "viewer_sheet.h"

#include <optional>

// Cells a sheet may hold in the viewer: a 1,048,576-row sheet of eight columns, and no
// more, so a file that packs many more costs a message, not the machine's memory.
constexpr qint64 kMaxViewerCells = 8 * 1048576;
// What the window, Qt and the sort of the cells take beside a sheet's contents, out of
// the reading's budget.
constexpr uint64_t kViewerReserve = uint64_t{256} << 20;

struct ViewerLoadResult {
    std::optional<ViewerSheet> sheet;
    QString error;  // set when there is no sheet
};

// Reads a file for viewing: xlsx (a zip archive, or named .xlsx) and CSV (named .csv)
// through the workbook library, every other file as a pattern file.
ViewerLoadResult LoadViewerSheet(const QString& path);
