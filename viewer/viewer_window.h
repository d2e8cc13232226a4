#pragma once

#include "viewer_sheet.h"

#include <QMainWindow>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QTableView;
class FindingsPanel;
class PriceChart;
class QAction;
class SheetTableModel;

// The viewer's window: the file's cells in a table over a chart of one column.
class ViewerWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit ViewerWindow(QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Shows the file; a file that cannot be read is reported in a message and the
    // window keeps what it showed before. True when the file is shown.
    bool OpenFile(const QString& path);

    const ViewerSheet* Sheet() const { return sheet_.get(); }
    int ChartColumn() const;
    void SetChartColumn(int column);
    // The security shown of a long table; empty for any other sheet.
    QString Security() const;
    void SetSecurity(const QString& security);

private slots:
    void mnuOpen_Click();
    void cmbColumn_Changed();
    void cmbSecurity_Changed();
    void mnuCheckData_Click();
    void mnuHelpFiles_Click();
    void mnuHelpChecks_Click();
    void mnuAbout_Click();
    void ShowRow(int sheetRow);
    void SizeShownColumns();

private:
    void CreateControls();
    void CreateMenus();
    void ShowSheet();
    void ClearFindings();
    // The rows of the security shown, or null for every row.
    const std::vector<int>* ShownRows() const { return securityRows_.empty() ? nullptr : &securityRows_; }

    std::unique_ptr<ViewerSheet> sheet_;
    QString path_;
    SheetTableModel* model_ = nullptr;
    QLabel* infoLabel_ = nullptr;
    QTableView* tblCells_ = nullptr;
    QComboBox* columnCombo_ = nullptr;
    QLabel* securityLabel_ = nullptr;
    QComboBox* securityCombo_ = nullptr;
    std::vector<int> securityRows_;
    PriceChart* chart_ = nullptr;
    FindingsPanel* findingsPanel_ = nullptr;
    QAction* checkDataAction_ = nullptr;
    std::vector<int> findingRows_;  // sheet rows marked by Check data
    std::vector<bool> sizedColumns_;  // table columns already fitted to their contents
};
