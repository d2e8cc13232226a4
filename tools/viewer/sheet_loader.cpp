#include "sheet_loader.h"

#include "sheet/sheet_reader.h"

#include "workbook/workbook_reader.h"

#include <QFile>

namespace {

// xlsx and CSV files; nullopt for any other file, which the pattern file reader takes.
std::optional<ViewerLoadResult> LoadWorkbookSheet(const QString& path)
{
    const std::string file = QFile::encodeName(path).toStdString();
    const WorkbookKind kind = WorkbookKindOf(file);
    if (kind == WorkbookKind::Other)
        return std::nullopt;  // the pattern file reader takes it, or says why not

    ViewerSheetParts parts;
    const WorkbookCellSink sink = [&parts](const WorkbookCell& cell) {
        if (static_cast<qint64>(parts.cells.size()) >= kMaxViewerCells)
            return false;
        ViewerCell viewerCell;
        viewerCell.kind = cell.kind;
        viewerCell.value = cell.value;
        if (cell.kind == CellLabel)
            viewerCell.text = QString::fromStdString(cell.text);
        parts.cells.push_back({cell.row, cell.column, std::move(viewerCell)});
        return true;
    };
    const WorkbookInfo info = kind == WorkbookKind::Xlsx ? ReadXlsxFile(file, sink) : ReadCsvFile(file, sink);
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
    const SheetReadResult read = ReadSheetFile(QFile::encodeName(path).toStdString());
    if (!read.ok())
        return {std::nullopt, QString::fromStdString(read.error)};
    if (static_cast<qint64>(read.sheet.cells.size()) > kMaxViewerCells)
        return {std::nullopt, QStringLiteral("the sheet holds more cells than can be shown")};
    return {ViewerSheet(read.sheet), QString()};
}
