#pragma once

#include "omega/main_controls.h"
#include "omega/program_state.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Import > Export Listed Securities: every security the list shows (the mask chooses the
// set) into one file per security, one wide sheet or one long table, with the same bytes
// as tessaport-import for the same choices.

class ExportListedDialog : public QDialog {
    Q_OBJECT

public:
    enum Shape { PerSecurity = 0, Wide = 1, Long = 2 };

    // Fields start as the five prices and volume, with open interest as the window's box.
    ExportListedDialog(bool openInterest, QWidget* parent = nullptr);

    Shape ChosenShape() const;
    unsigned ChosenFields() const;  // PriceFields
    bool CommonDates() const;
    QString Output() const;  // a file, or the folder of the files one per security
    int16_t PerSecurityFormat() const;

    std::array<QRadioButton*, 3> opbShape{};
    QCheckBox* chbCommonDates = nullptr;
    std::array<QCheckBox*, 6> chbField{};
    QLineEdit* txtOutput = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QComboBox* cmbFileType = nullptr;
    QPushButton* cmdOK = nullptr;

private:
    void Browse();
    void UpdateState();
};

// Runs the dialog: true when accepted. Tests replace it (an empty function restores the
// modal dialog) to fill in the real widgets instead of showing them.
using ExportDialogRunner = std::function<bool(ExportListedDialog&)>;
void SetExportDialogRunner(ExportDialogRunner runner);

void mnuExportListed_Click(ProgramState& state, const MainControls& controls);

// Keeps the entry enabled only in list mode, with securities listed and no import running.
void AttachExportListed(ProgramState& state, const MainControls& controls);
void UpdateExportListedEnabled(const ProgramState& state, const MainControls& controls);
