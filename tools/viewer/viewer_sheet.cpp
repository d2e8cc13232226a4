#include "viewer_sheet.h"

#include "base/calendar.h"
#include "sheet/cell_kinds.h"
#include "workbook/workbook_reader.h"
#include "sheet/sheet_reader.h"

#include <QFile>
#include <QSet>

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
    // From the first day of year 1 (a CSV's dates may be that early) to the last of 9999.
    if (!std::isfinite(dayNumber) || dayNumber < -693593 || dayNumber >= 2958466)
        return std::nullopt;
    const base::CivilDate date = base::CivilOfSerial(static_cast<int64_t>(std::floor(dayNumber)));
    return QDate(static_cast<int>(date.year), date.month, date.day);
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
    // Texts no spreadsheet holds are cut, whatever file they come from.
    if (cell.kind == CellLabel && cell.text.size() > static_cast<qsizetype>(kMaxCellText))
        cell.text = cell.text.left(static_cast<qsizetype>(kMaxCellText)) + QString::fromUtf8(kCutMark);
    cells_.insert(Key(row, column), std::move(cell));
    rowCount_ = std::max(rowCount_, row + 1);
    columnCount_ = std::max(columnCount_, column + 1);
    if (usedColumns_.empty() || usedColumns_.back() < column) {
        usedColumns_.push_back(column);
    } else if (const auto at = std::lower_bound(usedColumns_.begin(), usedColumns_.end(), column); *at != column) {
        usedColumns_.insert(at, column);
    }
}

void ViewerSheet::FindLabelRowAndDateColumn()
{
    for (const ViewerName& name : names_)
        if (name.name.compare(QStringLiteral("WK1LABEL"), Qt::CaseInsensitive) == 0 && name.firstRow >= 0)
            labelRow_ = name.firstRow;

    bool dateFound = false;
    for (const int column : usedColumns_) {
        const ViewerCell* heading = Cell(labelRow_, column);
        if (!heading || heading->kind != CellLabel)
            continue;
        const QString text = heading->text.trimmed();
        if (!dateFound && text.compare(QStringLiteral("Date"), Qt::CaseInsensitive) == 0) {
            dateColumn_ = column;
            dateFound = true;
        } else if (symbolColumn_ < 0 && text.compare(QStringLiteral("Symbol"), Qt::CaseInsensitive) == 0) {
            symbolColumn_ = column;
        }
    }
    if (!dateFound && !usedColumns_.empty())
        dateColumn_ = usedColumns_.front() == 0 ? 0 : dateColumn_;
}

std::vector<int> ViewerSheet::AllRows() const
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(std::max(0, rowCount_ - labelRow_ - 1)));
    for (int row = labelRow_ + 1; row < rowCount_; ++row)
        rows.push_back(row);
    return rows;
}

QStringList ViewerSheet::Securities() const
{
    QStringList securities;
    if (symbolColumn_ < 0)
        return securities;
    QSet<QString> seen;
    for (int row = labelRow_ + 1; row < rowCount_; ++row) {
        const ViewerCell* cell = Cell(row, symbolColumn_);
        if (cell && cell->kind == CellLabel && !seen.contains(cell->text)) {
            seen.insert(cell->text);
            securities << cell->text;
        }
    }
    return securities;
}

std::vector<int> ViewerSheet::RowsOf(const QString& security) const
{
    std::vector<int> rows;
    for (int row = labelRow_ + 1; row < rowCount_; ++row)
        if (const ViewerCell* cell = Cell(row, symbolColumn_); cell && cell->kind == CellLabel && cell->text == security)
            rows.push_back(row);
    return rows;
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
    if (const ViewerCell* cell = Cell(row, dateColumn_); cell && cell->kind == CellLabel) {
        const QDate date = cell->text.size() == 10 ? QDate::fromString(cell->text, Qt::ISODate) : QDate();
        return date.isValid() ? std::optional(date) : std::nullopt;
    }
    const std::optional<double> day = Number(row, dateColumn_);
    return day ? DayNumberToDate(*day) : std::nullopt;
}
