#include "sheet_loader.h"

#include "sheet/sheet_reader.h"

#include "workbook/workbook_reader.h"

#include <QFile>

#include <algorithm>

namespace {

// xlsx and CSV files; nullopt for any other file, which the pattern file reader takes.
std::optional<ViewerLoadResult> LoadWorkbookSheet(const QString& path)
{
    const std::string file = QFile::encodeName(path).toStdString();
    const WorkbookKind kind = WorkbookKindOf(file);
    if (kind == WorkbookKind::Other)
        return std::nullopt;  // the pattern file reader takes it, or says why not

    ViewerSheetParts parts;
    if (kind == WorkbookKind::Csv)
        // The list made as large as it may need to be at once rather than grown step by
        // step, each step copying the last.
        parts.cells.Reserve(static_cast<std::size_t>(std::min<uint64_t>(CsvFieldsAtMost(file), kMaxViewerCells)));
    // The reader's shared strings and the cells kept here share one budget; the window and
    // its libraries need the rest.
    base::ReadBudget budget(kViewerReserve);
    uint64_t charged = 0;
    const WorkbookCellSink sink = [&](const WorkbookCell& cell) {
        if (static_cast<qint64>(parts.cells.Size()) >= kMaxViewerCells)
            return false;
        ViewerCell viewerCell;
        viewerCell.kind = cell.kind;
        viewerCell.value = cell.value;
        if (cell.kind == CellLabel)
            viewerCell.text = QString::fromStdString(cell.text);
        parts.cells.Add(cell.row, cell.column, std::move(viewerCell));
        const uint64_t bytes = parts.cells.Bytes();
        const bool within = budget.Take(bytes - charged);
        charged = bytes;
        return within;
    };
    const WorkbookInfo info = kind == WorkbookKind::Xlsx ? ReadXlsxFile(file, sink, budget) : ReadCsvFile(file, sink, budget);
    if (!info.ok())
        return ViewerLoadResult{std::nullopt, QString::fromStdString(info.error)};
    parts.fileTypeName = QString::fromStdString(info.fileTypeName);
    parts.usedRangeText = QString::fromStdString(info.usedRange);
    for (const WorkbookName& name : info.names)
        parts.names.push_back({QString::fromStdString(name.name), name.firstRow, name.firstColumn, name.lastRow, name.lastColumn});
    return ViewerLoadResult{ViewerSheet(std::move(parts)), QString()};
}

} // namespace

ViewerLoadResult LoadViewerSheet(const QString& path)
{
    if (std::optional<ViewerLoadResult> workbook = LoadWorkbookSheet(path))
        return std::move(*workbook);
    base::ReadBudget budget(kViewerReserve);
    const SheetReadResult read = ReadSheetFile(QFile::encodeName(path).toStdString(), budget);
    if (!read.ok())
        return {std::nullopt, QString::fromStdString(read.error)};
    if (static_cast<qint64>(read.sheet.cells.size()) > kMaxViewerCells)
        return {std::nullopt, QStringLiteral("the sheet holds more cells than can be shown")};
    return {ViewerSheet(read.sheet), QString()};
}
