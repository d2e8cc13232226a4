#pragma once

#include <array>

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

    QFrame* FileLabelFrame = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cmbOmega = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;

    QFrame* Panel3D1 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtSymbol = nullptr;
    QLabel* Label13 = nullptr;
    std::array<QRadioButton*, 2> opbSearch{};
    QLabel* Label14 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* lblNumOfEntries = nullptr;
    QPushButton* cmdSearch = nullptr;

    QGroupBox* Frame3D1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* pctDesc = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* lblCategory = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* lblPeriod = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* lblDataAvailable = nullptr;

    QListView* List1 = nullptr;

    QGroupBox* frmOptions = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtFirstDate = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtLastDate = nullptr;
    QCheckBox* chbSkip = nullptr;
    QCheckBox* chbOpenInt = nullptr;

    QLabel* InfoPanel = nullptr;
    QLabel* Label3 = nullptr;
    QTimer* Timer1 = nullptr;

    QAction* mnuScan = nullptr;
    QAction* mnuSelectPatternFile = nullptr;
    QAction* mnuView = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuBegin = nullptr;
    QAction* mnuInterrupt = nullptr;
    QAction* mnuExportListed = nullptr;
    std::array<QAction*, 2> mnuMode{};
    QAction* mnuCurrentContext = nullptr;
    QAction* mnuIndex = nullptr;
    QAction* mnuAbout = nullptr;
};
