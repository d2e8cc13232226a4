#pragma once

#include "viewer_sheet.h"

#include <QAbstractTableModel>
#include <QHash>

// The sheet as a table: the label row heads the columns and is left out of the body;
// every other row keeps its sheet number in the row header. Only the columns that hold a
// cell are shown, and of a long table the rows of one security when chosen. Cells inside a named range
// are tinted, name their ranges in the tooltip, and the first row of a range carries its
// name in the row header. Day numbers in the date column read as dates.
class SheetTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit SheetTableModel(QObject* parent = nullptr);

    void SetSheet(const ViewerSheet* sheet);
    // Shows only these sheet rows (ascending), or every row again for an empty list.
    void SetRows(std::vector<int> rows);
    // The table row that shows a sheet row; -1 when it is not shown.
    int TableRow(int sheetRow) const;
    // The sheet column shown in a table column.
    int SheetColumn(int tableColumn) const;
    // Rows with a finding of Check data, by sheet row, with what was found; they are
    // tinted and say it in their tooltips. Cleared with the sheet.
    void SetMarkedRows(QHash<int, QString> reasons);
    // The sheet row shown in a table row.
    int SheetRow(int tableRow) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString DisplayText(int row, int column) const;

    const ViewerSheet* sheet_ = nullptr;
    std::vector<int> rows_;  // empty: every row
    QHash<int, QString> marked_;
};

// How a number cell reads in the table.
QString NumberText(double value);
