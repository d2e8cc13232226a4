#include "sheet_table_model.h"

#include "sheet/sheet_writer.h"

#include <QBrush>
#include <QColor>

namespace {
const QColor kNamedRangeTint(255, 243, 196);
const QColor kFindingTint(250, 200, 200);
}

QString NumberText(double value) { return QString::number(value, 'g', 15); }

SheetTableModel::SheetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SheetTableModel::SetSheet(const ViewerSheet* sheet)
{
    beginResetModel();
    sheet_ = sheet;
    marked_.clear();
    endResetModel();
}

void SheetTableModel::SetMarkedRows(QHash<int, QString> reasons)
{
    beginResetModel();
    marked_ = std::move(reasons);
    endResetModel();
}

int SheetTableModel::SheetRow(int tableRow) const
{
    return sheet_ && tableRow >= sheet_->LabelRow() ? tableRow + 1 : tableRow;
}

int SheetTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !sheet_)
        return 0;
    const int rows = sheet_->RowCount();
    return sheet_->LabelRow() < rows ? rows - 1 : rows;
}

int SheetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !sheet_ ? 0 : sheet_->ColumnCount();
}

QString SheetTableModel::DisplayText(int row, int column) const
{
    const ViewerCell* cell = sheet_->Cell(row, column);
    if (!cell)
        return QString();
    if (column == sheet_->DateColumn()) {
        if (const std::optional<QDate> date = sheet_->Date(row))
            return date->toString(Qt::ISODate);
    }
    switch (cell->kind) {
    case CellInteger:
    case CellNumber: return NumberText(cell->value);
    case CellLabel: return cell->text;
    default: return QString();
    }
}

QVariant SheetTableModel::data(const QModelIndex& index, int role) const
{
    if (!sheet_ || !index.isValid())
        return {};
    const int row = SheetRow(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: return DisplayText(row, column);
    case Qt::TextAlignmentRole: {
        const ViewerCell* cell = sheet_->Cell(row, column);
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
        return sheet_->Header(section);

    const int row = SheetRow(section);
    QString text = QString::number(static_cast<qint64>(row) + 1);
    for (const ViewerName& name : sheet_->Names())
        if (name.firstRow == row)
            text += u' ' + name.name;
    return text;
}
