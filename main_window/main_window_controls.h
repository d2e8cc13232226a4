#pragma once

#include "omega/program_state.h"

#include <array>
#include <cstddef>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMainWindow;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

// The main window's controls and menus. The constructor builds them into the window, at
// their places in the single-security arrangement, in the tab order of the screen and
// named after their captions for assistive tools; the window owns them from then on.
// Each accessor is named as its control's object name, which the acceptance scripts use.
class MainWindowControls {
public:
    explicit MainWindowControls(QMainWindow& window);
    MainWindowControls(const MainWindowControls&) = delete;
    MainWindowControls& operator=(const MainWindowControls&) = delete;

    QWidget* window() const { return window_; }
    // The window's central widget, which holds every control.
    QWidget* client() const { return client_; }

    // The file frame: where the data comes from and where it goes.
    QFrame* filePanel() const { return filePanel_; }
    QLabel* dataDirCaption() const { return dataDirCaption_; }
    QComboBox* dataDirCombo() const { return dataDirCombo_; }
    QLabel* patternFileCaption() const { return patternFileCaption_; }
    QLabel* patternFileLabel() const { return patternFileLabel_; }

    // The search: the symbol or mask, and in list mode how it is matched and what it found.
    QFrame* mainPanel() const { return mainPanel_; }
    QLabel* symbolCaption() const { return symbolCaption_; }
    QLineEdit* symbolEdit() const { return symbolEdit_; }
    QLabel* searchByCaption() const { return searchByCaption_; }
    QRadioButton* searchBySymbolButton() const { return searchBySymbolButton_; }
    QRadioButton* searchByDescriptionButton() const { return searchByDescriptionButton_; }
    QLabel* wildcardHint() const { return wildcardHint_; }
    QLabel* entryCountCaption() const { return entryCountCaption_; }
    QLabel* entryCountLabel() const { return entryCountLabel_; }
    QPushButton* searchButton() const { return searchButton_; }

    // The security shown, in single mode.
    QGroupBox* securityInfoFrame() const { return securityInfoFrame_; }
    QLabel* descriptionCaption() const { return descriptionCaption_; }
    QLabel* descriptionLabel() const { return descriptionLabel_; }
    QLabel* categoryCaption() const { return categoryCaption_; }
    QLabel* categoryLabel() const { return categoryLabel_; }
    QLabel* periodCaption() const { return periodCaption_; }
    QLabel* periodLabel() const { return periodLabel_; }
    QLabel* dataAvailableCaption() const { return dataAvailableCaption_; }
    QLabel* dataAvailableLabel() const { return dataAvailableLabel_; }

    // The securities the mask finds, in list mode, in place of the security shown.
    QListView* securityList() const { return securityList_; }

    // The import's options.
    QGroupBox* importOptionsFrame() const { return importOptionsFrame_; }
    QLabel* firstDateCaption() const { return firstDateCaption_; }
    QLineEdit* firstDateEdit() const { return firstDateEdit_; }
    QLabel* lastDateCaption() const { return lastDateCaption_; }
    QLineEdit* lastDateEdit() const { return lastDateEdit_; }
    QCheckBox* skipInvalidCheck() const { return skipInvalidCheck_; }
    QCheckBox* openInterestCheck() const { return openInterestCheck_; }

    // The bottom line, the directory in use (never shown) and the pause in typing that refreshes the list.
    QLabel* statusLine() const { return statusLine_; }
    QLabel* currentDataDirLabel() const { return currentDataDirLabel_; }
    QTimer* typingTimer() const { return typingTimer_; }

    // The menu commands.
    QAction* dataDirectoriesAction() const { return dataDirectoriesAction_; }
    QAction* selectPatternFileAction() const { return selectPatternFileAction_; }
    QAction* viewPatternFileAction() const { return viewPatternFileAction_; }
    QAction* exitAction() const { return exitAction_; }
    QAction* beginImportAction() const { return beginImportAction_; }
    QAction* interruptImportAction() const { return interruptImportAction_; }
    QAction* exportListedAction() const { return exportListedAction_; }
    QAction* contextHelpAction() const { return contextHelpAction_; }
    QAction* helpIndexAction() const { return helpIndexAction_; }
    QAction* aboutAction() const { return aboutAction_; }
    // The Mode menu's items, in the order of ImportMode.
    QAction* modeAction(ImportMode mode) const { return modeActions_[static_cast<size_t>(mode)]; }
    std::array<QAction*, 2> modeActions() const { return modeActions_; }

private:
    void CreateFileFrame();
    void CreateMainPanel();
    void CreateInformationFrame();
    void CreateOptionsFrame();
    void CreateStatusLine();
    void CreateMenus(QMainWindow& window);
    void OrderTabsAsOnScreen();
    void NameInputsAfterCaptions();

    QWidget* window_ = nullptr;
    QWidget* client_ = nullptr;
    QFrame* filePanel_ = nullptr;
    QLabel* dataDirCaption_ = nullptr;
    QComboBox* dataDirCombo_ = nullptr;
    QLabel* patternFileCaption_ = nullptr;
    QLabel* patternFileLabel_ = nullptr;
    QFrame* mainPanel_ = nullptr;
    QLabel* symbolCaption_ = nullptr;
    QLineEdit* symbolEdit_ = nullptr;
    QLabel* searchByCaption_ = nullptr;
    QRadioButton* searchBySymbolButton_ = nullptr;
    QRadioButton* searchByDescriptionButton_ = nullptr;
    QLabel* wildcardHint_ = nullptr;
    QLabel* entryCountCaption_ = nullptr;
    QLabel* entryCountLabel_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QGroupBox* securityInfoFrame_ = nullptr;
    QLabel* descriptionCaption_ = nullptr;
    QLabel* descriptionLabel_ = nullptr;
    QLabel* categoryCaption_ = nullptr;
    QLabel* categoryLabel_ = nullptr;
    QLabel* periodCaption_ = nullptr;
    QLabel* periodLabel_ = nullptr;
    QLabel* dataAvailableCaption_ = nullptr;
    QLabel* dataAvailableLabel_ = nullptr;
    QListView* securityList_ = nullptr;
    QGroupBox* importOptionsFrame_ = nullptr;
    QLabel* firstDateCaption_ = nullptr;
    QLineEdit* firstDateEdit_ = nullptr;
    QLabel* lastDateCaption_ = nullptr;
    QLineEdit* lastDateEdit_ = nullptr;
    QCheckBox* skipInvalidCheck_ = nullptr;
    QCheckBox* openInterestCheck_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QLabel* currentDataDirLabel_ = nullptr;
    QTimer* typingTimer_ = nullptr;
    QAction* dataDirectoriesAction_ = nullptr;
    QAction* selectPatternFileAction_ = nullptr;
    QAction* viewPatternFileAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* beginImportAction_ = nullptr;
    QAction* interruptImportAction_ = nullptr;
    QAction* exportListedAction_ = nullptr;
    QAction* contextHelpAction_ = nullptr;
    QAction* helpIndexAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    std::array<QAction*, 2> modeActions_{};  // in the order of ImportMode
};
