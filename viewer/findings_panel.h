#pragma once

#include "sheet_check.h"

#include <QWidget>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// The findings of Check data: a line that sums them up over a list of row, date, kind,
// values and reason. Choosing a finding asks for its row to be shown.
class FindingsPanel : public QWidget {
    Q_OBJECT

public:
    explicit FindingsPanel(QWidget* parent = nullptr);

    void Show(const SheetCheck& check);
    void Clear();

signals:
    void rowChosen(int sheetRow);

private slots:
    void lstFindings_Activated(QTreeWidgetItem* item);

private:
    QLabel* findingsLabel_ = nullptr;
    QTreeWidget* lstFindings_ = nullptr;
};
