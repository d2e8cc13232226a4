#include "security_list_model.h"

#include "omega/security_table.h"

#include <QListView>

namespace omega {

SecurityListModel::SecurityListModel(QObject* parent) : QAbstractListModel(parent) {}

void SecurityListModel::SetEntries(std::vector<QByteArray> entries)
{
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

QString SecurityListModel::Line(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return SecurityEntryLine(entries_[static_cast<size_t>(row)]);
}

int SecurityListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant SecurityListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.column() != 0)
        return {};
    return Line(index.row());
}

SecurityListModel* SecurityList(QListView* view)
{
    if (auto* model = qobject_cast<SecurityListModel*>(view->model()))
        return model;
    auto* model = new SecurityListModel(view);
    view->setModel(model);
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    return model;
}

} // namespace omega
