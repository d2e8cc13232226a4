#include "sheet_table_model.h"

#include "sheet/cell_kinds.h"

#include <algorithm>

#include <QBrush>
#include <QColor>

namespace {
const QColor kNamedRangeTint(255, 243, 196);
const QColor kFindingTint(250, 200, 200);
// A longer text is shown cut, with a mark; the tooltip holds more of it.
constexpr qsizetype kShownText = 256;
constexpr qsizetype kTipText = 4096;
}

QString NumberText(double value) { return QString::number(value, 'g', 15); }

SheetTableModel::SheetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SheetTableModel::SetSheet(const ViewerSheet* sheet)
{
    beginResetModel();
    sheet_ = sheet;
    marked_.clear();
    rows_.clear();
    endResetModel();
}

void SheetTableModel::SetRows(std::vector<int> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int SheetTableModel::TableRow(int sheetRow) const
{
    if (!sheet_)
        return -1;
    if (rows_.empty())
        return sheetRow == sheet_->LabelRow() ? -1 : sheetRow > sheet_->LabelRow() ? sheetRow - 1 : sheetRow;
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), sheetRow);
    return at != rows_.end() && *at == sheetRow ? static_cast<int>(at - rows_.begin()) : -1;
}

int SheetTableModel::SheetColumn(int tableColumn) const
{
    const std::vector<int>& columns = sheet_->UsedColumns();
    return tableColumn >= 0 && static_cast<std::size_t>(tableColumn) < columns.size() ? columns[static_cast<std::size_t>(tableColumn)]
                                                                                       : -1;
}

void SheetTableModel::SetMarkedRows(QHash<int, QString> reasons)
{
    beginResetModel();
    marked_ = std::move(reasons);
    endResetModel();
}

int SheetTableModel::SheetRow(int tableRow) const
{
    if (!rows_.empty())
        return tableRow >= 0 && static_cast<std::size_t>(tableRow) < rows_.size() ? rows_[static_cast<std::size_t>(tableRow)] : -1;
    return sheet_ && tableRow >= sheet_->LabelRow() ? tableRow + 1 : tableRow;
}

int SheetTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !sheet_)
        return 0;
    if (!rows_.empty())
        return static_cast<int>(rows_.size());
    const int rows = sheet_->RowCount();
    return sheet_->LabelRow() < rows ? rows - 1 : rows;
}

int SheetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !sheet_ ? 0 : static_cast<int>(sheet_->UsedColumns().size());
}

QString SheetTableModel::DisplayText(int row, int column) const
{
    const std::optional<ViewerCell> cell = sheet_->Cell(row, column);
    if (!cell)
        return QString();
    if (column == sheet_->DateColumn()) {
        if (const std::optional<QDate> date = sheet_->Date(row))
            return date->toString(Qt::ISODate);
    }
    switch (cell->kind) {
    case CellInteger:
    case CellNumber: return NumberText(cell->value);
    case CellLabel:
        return cell->text.size() > kShownText ? cell->text.left(kShownText) + QChar(0x2026) : cell->text;
    default: return QString();
    }
}

QVariant SheetTableModel::data(const QModelIndex& index, int role) const
{
    if (!sheet_ || !index.isValid())
        return {};
    const int row = SheetRow(index.row());
    const int column = SheetColumn(index.column());
    switch (role) {
    case Qt::DisplayRole: return DisplayText(row, column);
    case Qt::TextAlignmentRole: {
        const std::optional<ViewerCell> cell = sheet_->Cell(row, column);
        const bool number = cell && (cell->kind == CellNumber || cell->kind == CellInteger);
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::BackgroundRole:
        if (marked_.contains(row))
            return QBrush(kFindingTint);
        return sheet_->NamesAt(row, column).isEmpty() ? QVariant() : QVariant(QBrush(kNamedRangeTint));
    case Qt::ToolTipRole: {
        QStringList lines = sheet_->NamesAt(row, column);
        if (column == sheet_->DateColumn() && sheet_->Date(row))
            lines.prepend(QStringLiteral("Day ") + NumberText(sheet_->Number(row, column).value_or(0)));
        if (const auto found = marked_.constFind(row); found != marked_.cend())
            lines.prepend(found.value());
        if (const std::optional<ViewerCell> cell = sheet_->Cell(row, column); cell && cell->kind == CellLabel && cell->text.size() > kShownText)
            lines.prepend(cell->text.size() > kTipText ? cell->text.left(kTipText) + QChar(0x2026) : cell->text);
        return lines.isEmpty() ? QVariant() : QVariant(lines.join(u'\n'));
    }
    default: return {};
    }
}

QVariant SheetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!sheet_ || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return sheet_->Header(SheetColumn(section));

    const int row = SheetRow(section);
    QString text = QString::number(static_cast<qint64>(row) + 1);
    for (const ViewerName& name : sheet_->Names())
        if (name.firstRow == row)
            text += u' ' + name.name;
    return text;
}
