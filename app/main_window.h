#pragma once

#include "app/data_dir_list.h"
#include "main_window/main_window_controls.h"
#include "main_window/security_search.h"
#include "omega/program_state.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>

// The main window: the shared state, the controls and menus (MainWindowControls), the
// security search and the data directory list over them, and the handlers that belong to
// the window itself. The other handlers call the operations of their subsystems with what
// those need of the state and the controls.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static const QString kTitle;
    // The number the launching host passes as the second command-line word is kept in
    // this property of the window (see OpenMainWindow).
    static constexpr const char* kHostHelpContextProperty = "HelpContextID";

    explicit MainWindow(QWidget* parent = nullptr);

    ProgramState& State() { return state_; }
    const MainWindowControls& Controls() const { return controls_; }
    SecuritySearch& Search() { return search_; }
    DataDirList& DataDirs() { return dataDirs_; }

    // Placement used while loading.
    void CentreHorizontally();
    void CentreOnScreen();
    // Grows or shrinks the client area so that statusLine begins `marginTwips` below
    // the bottom edge of mainPanel.
    void FitStatusLineBelowMainPanel(int marginTwips);
    // Runs `rearrange`, which may size the window, with the fixed size lifted.
    void WhileResizable(const std::function<void()>& rearrange);

    // Ends the program, unless an import runs: then it says so and returns false.
    bool quitUnlessImporting();
    void followWindowState();
    void exitProgram();
    void interruptImport();
    void showContextHelp();
    void showHelpIndex();
    void scanDataFolders();
    void selectPatternFile();
    void viewPatternFile();
    void beginImport();
    void exportListed();
    void showAbout();
    void switchImportMode(ImportMode mode);
    void adoptChosenDataDir();
    void searchSecurity();
    void refreshSecurityList();
    void showSelectedSecurity();
    void symbolKeyPressed(int16_t& keyAscii);
    void symbolTextChanged();
    void checkTypingPause();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LimitDateLengths();
    void ConnectHandlers();
    void FitFontToCaptions();
    void SetClientHeight(int pixels);
    void PlaceStatusLine();

    ProgramState state_;
    MainWindowControls controls_;
    SecuritySearch search_{state_, controls_};
    DataDirList dataDirs_{state_, controls_, search_};
};
