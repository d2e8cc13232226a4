#pragma once

#include "omega/program_state.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTreeWidget;

namespace scan {

// The data folder scanner: searches one place for folders that directly hold a database
// header file and lets the user edit the list, which Close hands to the program as its
// data directories. Close only hides the window; closing it through the frame discards
// it without handing anything back.
class DataFolderDialog : public QDialog {
    Q_OBJECT

public:
    // Loads the window: the volume of the program's folder, centred on the screen, the
    // list taken from the items of `mainList`, the main window's list of data folders.
    DataFolderDialog(ProgramState& state, const QComboBox* mainList, QWidget* parent = nullptr);

    const ProgramState& State() const { return state_; }
    QString StatusText() const;
    bool ClosedThroughFrame() const { return closedThroughFrame_; }

    QLabel* placeLabel = nullptr;
    QComboBox* placeBox = nullptr;
    QTreeWidget* folderList = nullptr;
    QPushButton* scanButton = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* clearListButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* closeButton = nullptr;
    QStatusBar* statusBar = nullptr;

public slots:
    // The place to scan: a volume, the home folder, or Folder..., which asks for a folder
    // and adds it to the list.
    void choosePlace(int index);
    void scan();
    void stopScan();
    void clearList();
    void removeSelected();
    // Hands the list to the program and hides the window.
    void closeWindow();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape does not leave the window: only Close hands the list back.
    void reject() override {}

private:
    void CreateControls();
    void CreateButtons();
    void CreateStatusLine();
    void LoadList(const QComboBox* mainList);
    void CentreOnScreen();
    void LayOut();
    void ApplyMinimumSize();

    void ListDataFolder(const QString& folder, int16_t securities);
    void FitColumns();
    void SetScanning(bool scanning);
    void SetStatus(const QString& text);

    ProgramState& state_;
    QLabel* statusLabel_ = nullptr;
    bool closedThroughFrame_ = false;
    bool stopRequested_ = false;
    int chosenPlace_ = 0;  // the place in placeBox before Folder... was chosen
};

} // namespace scan
