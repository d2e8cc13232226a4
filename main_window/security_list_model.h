#pragma once

#include <QAbstractListModel>
#include <QByteArray>

#include <vector>

class QListView;

namespace omega {

// The lines of the securities list: table entries, shared with the table rather than
// copied, and decoded only when the view asks for a visible row, so tens of thousands
// of lines refresh in a few milliseconds.
class SecurityListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit SecurityListModel(QObject* parent = nullptr);

    void SetEntries(std::vector<QByteArray> entries);
    void Clear() { SetEntries({}); }
    // The text of a line, as shown; empty for a row that does not exist.
    QString Line(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<QByteArray> entries_;
};

// The model of the list view, set on first use (single selection, rows of one height).
SecurityListModel* SecurityList(QListView* view);

} // namespace omega
