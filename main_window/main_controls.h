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
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

// Pointers to the main window's controls, handed to the operations that work on them.
// Names are the controls' object names.
struct MainControls {
    QWidget* window = nullptr;

    QFrame* filePanel = nullptr;
    QLabel* dataDirCaption = nullptr;
    QComboBox* dataDirCombo = nullptr;
    QLabel* patternFileCaption = nullptr;
    QLabel* patternFileLabel = nullptr;

    QFrame* mainPanel = nullptr;
    QLabel* symbolCaption = nullptr;
    QLineEdit* symbolEdit = nullptr;
    QLabel* searchByCaption = nullptr;
    QRadioButton* searchBySymbolButton = nullptr;
    QRadioButton* searchByDescriptionButton = nullptr;
    QLabel* wildcardHint = nullptr;
    QLabel* entryCountCaption = nullptr;
    QLabel* entryCountLabel = nullptr;
    QPushButton* searchButton = nullptr;

    QGroupBox* securityInfoFrame = nullptr;
    QLabel* descriptionCaption = nullptr;
    QLabel* descriptionLabel = nullptr;
    QLabel* categoryCaption = nullptr;
    QLabel* categoryLabel = nullptr;
    QLabel* periodCaption = nullptr;
    QLabel* periodLabel = nullptr;
    QLabel* dataAvailableCaption = nullptr;
    QLabel* dataAvailableLabel = nullptr;

    QListView* securityList = nullptr;

    QGroupBox* importOptionsFrame = nullptr;
    QLabel* firstDateCaption = nullptr;
    QLineEdit* firstDateEdit = nullptr;
    QLabel* lastDateCaption = nullptr;
    QLineEdit* lastDateEdit = nullptr;
    QCheckBox* skipInvalidCheck = nullptr;
    QCheckBox* openInterestCheck = nullptr;

    QLabel* statusLine = nullptr;
    QLabel* currentDataDirLabel = nullptr;
    QTimer* typingTimer = nullptr;

    QAction* dataDirectoriesAction = nullptr;
    QAction* selectPatternFileAction = nullptr;
    QAction* viewPatternFileAction = nullptr;
    QAction* exitAction = nullptr;
    QAction* beginImportAction = nullptr;
    QAction* interruptImportAction = nullptr;
    QAction* exportListedAction = nullptr;
    std::array<QAction*, 2> modeActions{};  // in the order of ImportMode
    QAction* contextHelpAction = nullptr;
    QAction* helpIndexAction = nullptr;
    QAction* aboutAction = nullptr;

    QAction* ModeAction(ImportMode mode) const { return modeActions[static_cast<size_t>(mode)]; }
};
