#pragma once

#include "main_window/main_controls.h"
#include "omega/program_state.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>

// The main window: every control and menu of the program, the shared state, and the
// handlers that belong to the window itself. The other handlers call the operations of
// their subsystems with the state and the controls.
class Omega : public QMainWindow {
    Q_OBJECT

public:
    static const QString kTitle;
    // The number the launching host passes as the second command-line word is kept in
    // this property of the window (see Form_Load).
    static constexpr const char* kHostHelpContextProperty = "HelpContextID";

    explicit Omega(QWidget* parent = nullptr);

    ProgramState& State() { return state_; }
    const MainControls& Controls() const { return controls_; }

    // Placement used while loading.
    void CentreHorizontally();
    void CentreOnScreen();
    // Grows or shrinks the client area so that InfoPanel begins `marginTwips` below
    // the bottom edge of Panel3D1.
    void FitInfoPanelBelowMainPanel(int marginTwips);
    // Runs `rearrange`, which may size the window, with the fixed size lifted.
    void WhileResizable(const std::function<void()>& rearrange);

    // For the data folder scanner, which refills the directory list.
    void FillOmegaDirs();
    void SelectDataDir();

    void Form_Unload(int16_t& cancel);
    void Form_Resize();
    void mnuExit_Click();
    void mnuInterrupt_Click();
    void mnuCurrentContext_Click();
    void mnuIndex_Click();
    void mnuScan_Click();
    void mnuSelectPatternFile_Click();
    void mnuView_Click();
    void mnuBegin_Click();
    void mnuExportListed_Click();
    void mnuAbout_Click();
    void mnuMode_Click(int index);
    void cmbOmega_Click();
    void cmdSearch_Click();
    void opbSearch_Click(int index);
    void List1_Click();
    void txtSymbol_KeyPress(int16_t& keyAscii);
    void txtSymbol_Change();
    void Timer1_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitDesignToScreen();
    void CreateControls();
    void OrderTabsAsOnScreen();
    void CreateFileFrame(QWidget* client);
    void CreateMainPanel(QWidget* client);
    void CreateInformationFrame();
    void CreateOptionsFrame();
    void CreateStatusLine(QWidget* client);
    void CreateMenus();
    void ConnectHandlers();
    void NameInputsAfterCaptions();
    void FitFontToCaptions();
    void SetClientHeight(int pixels);
    void PlaceInfoPanel();

    ProgramState state_;
    MainControls controls_;
    QWidget* client_ = nullptr;
};
