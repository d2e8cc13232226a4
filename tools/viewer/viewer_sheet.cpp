#include "viewer_sheet.h"

#include "workbook_sheet.h"

#include "sheet/sheet_reader.h"
#include "sheet/sheet_writer.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace {
qint64 Key(int row, int column) { return (static_cast<qint64>(row) << 16) | static_cast<qint64>(column & 0xFFFF); }

QString FromSheetText(const std::string& text) { return QString::fromStdString(SheetTextToUtf8(text)); }

// Spreadsheet column numbers stop well below this; a damaged file may claim more.
constexpr int kMaxColumn = 0xFFFF;
} // namespace

QString ColumnLetters(int column)
{
    QString letters;
    for (qint64 n = static_cast<qint64>(column) + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + static_cast<char16_t>((n - 1) % 26)));
    return letters;
}

QString AreaText(int firstRow, int firstColumn, int lastRow, int lastColumn)
{
    if (firstRow > lastRow || firstColumn > lastColumn)
        return QStringLiteral("empty");
    return ColumnLetters(firstColumn) + QString::number(static_cast<qint64>(firstRow) + 1) + u':'
        + ColumnLetters(lastColumn) + QString::number(static_cast<qint64>(lastRow) + 1);
}

std::optional<QDate> DayNumberToDate(double dayNumber)
{
    // Up to the last day of 9999, as far as the sheets' date formats go.
    if (!std::isfinite(dayNumber) || dayNumber < 0 || dayNumber >= 2958466)
        return std::nullopt;
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(dayNumber)));
}

ViewerSheet::ViewerSheet(const SheetContents& contents)
    : fileTypeName_(QString::fromStdString(SheetFileTypeName(contents.fileType)))
{
    for (const SheetCellValue& cell : contents.cells) {
        if (cell.row < 0 || cell.column < 0 || cell.column > kMaxColumn)
            continue;
        ViewerCell viewerCell;
        viewerCell.kind = cell.kind;
        if (cell.kind == CellInteger)
            viewerCell.value = cell.integerValue;
        else if (cell.kind == CellNumber)
            viewerCell.value = cell.numberValue;
        else if (cell.kind == CellLabel)
            viewerCell.text = FromSheetText(cell.text);
        Place(cell.row, cell.column, std::move(viewerCell));
    }

    if (contents.usedRange) {
        const SheetArea& range = *contents.usedRange;
        usedRangeText_ = AreaText(range.firstRow, range.firstColumn, range.lastRow, range.lastColumn);
    } else {
        usedRangeText_ = QStringLiteral("not recorded");
    }

    for (const SheetName& name : contents.names) {
        const SheetArea& area = name.area;
        names_.push_back({FromSheetText(name.name), area.firstRow, area.firstColumn, area.lastRow, area.lastColumn});
    }
    FindLabelRowAndDateColumn();
}

ViewerSheet::ViewerSheet(ViewerSheetParts parts)
    : fileTypeName_(std::move(parts.fileTypeName)), usedRangeText_(std::move(parts.usedRangeText)), names_(std::move(parts.names))
{
    for (ViewerPlacedCell& placed : parts.cells)
        if (placed.row >= 0 && placed.column >= 0 && placed.column <= kMaxColumn)
            Place(placed.row, placed.column, std::move(placed.cell));
    FindLabelRowAndDateColumn();
}

void ViewerSheet::Place(int row, int column, ViewerCell cell)
{
    cells_.insert(Key(row, column), std::move(cell));
    rowCount_ = std::max(rowCount_, row + 1);
    columnCount_ = std::max(columnCount_, column + 1);
}

void ViewerSheet::FindLabelRowAndDateColumn()
{
    for (const ViewerName& name : names_)
        if (name.name.compare(QStringLiteral("WK1LABEL"), Qt::CaseInsensitive) == 0 && name.firstRow >= 0)
            labelRow_ = name.firstRow;

    for (int column = 0; column < columnCount_; ++column) {
        const ViewerCell* heading = Cell(labelRow_, column);
        if (heading && heading->kind == CellLabel
            && heading->text.trimmed().compare(QStringLiteral("Date"), Qt::CaseInsensitive) == 0) {
            dateColumn_ = column;
            break;
        }
    }
}

const ViewerCell* ViewerSheet::Cell(int row, int column) const
{
    if (row < 0 || column < 0 || column > kMaxColumn)
        return nullptr;
    const auto found = cells_.constFind(Key(row, column));
    return found == cells_.cend() ? nullptr : &found.value();
}

QString ViewerSheet::Header(int column) const
{
    const ViewerCell* heading = Cell(labelRow_, column);
    if (heading && heading->kind == CellLabel && !heading->text.trimmed().isEmpty())
        return heading->text.trimmed();
    return ColumnLetters(column);
}

QStringList ViewerSheet::NamesAt(int row, int column) const
{
    QStringList found;
    for (const ViewerName& name : names_)
        if (name.Contains(row, column))
            found << name.name;
    return found;
}

std::optional<double> ViewerSheet::Number(int row, int column) const
{
    const ViewerCell* cell = Cell(row, column);
    if (!cell || (cell->kind != CellNumber && cell->kind != CellInteger) || !std::isfinite(cell->value))
        return std::nullopt;
    return cell->value;
}

std::optional<QDate> ViewerSheet::Date(int row) const
{
    const std::optional<double> day = Number(row, dateColumn_);
    return day ? DayNumberToDate(*day) : std::nullopt;
}

ViewerLoadResult LoadViewerSheet(const QString& path)
{
    if (std::optional<ViewerLoadResult> workbook = LoadWorkbookSheet(path))
        return std::move(*workbook);
    const SheetReadResult read = ReadSheetFile(QFile::encodeName(path).toStdString());
    if (!read.ok())
        return {std::nullopt, QString::fromStdString(read.error)};
    return {ViewerSheet(read.sheet), QString()};
}
