#pragma once

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

// Import > Export Listed Securities: every security the list shows (the mask chooses the
// set) into one file per security, one wide sheet or one long table, with the same bytes
// as tessaport-import for the same choices.

class ExportListedDialog : public QDialog {
    Q_OBJECT

public:
    enum Shape { PerSecurity = 0, Wide = 1, Long = 2 };

    // Opens with the choices it was last accepted with; the first time with the five prices
    // and volume, open interest as the window's box, and the whole history.
    ExportListedDialog(bool openInterest, QWidget* parent = nullptr);

    Shape ChosenShape() const;
    unsigned ChosenFields() const;  // PriceFields
    bool CommonDates() const;
    QString Output() const;  // a file, or the folder of the files one per security
    int16_t PerSecurityFormat() const;
    // The dates asked for: nothing for an empty box (the history's own end). A box that
    // holds no date keeps OK disabled, and the line below the boxes says why.
    std::optional<int32_t> FirstDate() const;
    std::optional<int32_t> LastDate() const;
    // Keeps the choices for the next time the dialog opens.
    void Remember() const;
    // Sized to show every choice, as far as the screen has room.
    void FitContents();
    // Forgets them, as at the program's start.
    static void ForgetChoices();

    std::array<QRadioButton*, 3> shapeButtons{};
    QCheckBox* commonDatesCheck = nullptr;
    std::array<QCheckBox*, 6> fieldChecks{};
    QLineEdit* outputEdit = nullptr;
    QPushButton* browseButton = nullptr;
    QComboBox* fileTypeCombo = nullptr;
    QLineEdit* firstDateEdit = nullptr;
    QLineEdit* lastDateEdit = nullptr;
    QPushButton* okButton = nullptr;
    // Why OK is off, each beside what it is about; hidden when there is nothing to say.
    QLabel* fieldsProblemLabel = nullptr;
    QLabel* datesProblemLabel = nullptr;
    QLabel* outputProblemLabel = nullptr;

private:
    void Browse();
    void UpdateState();
    QString FieldsProblem() const;
    QString DatesProblem() const;
    QString OutputProblem() const;

    QScrollArea* scroll_ = nullptr;
    int perSecurityType_ = 0;  // the type box's choice for files one per security
};

// Runs the dialog: true when accepted. Tests replace it (an empty function restores the
// modal dialog) to fill in the real widgets instead of showing them.
using ExportDialogRunner = std::function<bool(ExportListedDialog&)>;
void SetExportDialogRunner(ExportDialogRunner runner);

void ExportListedSecurities(ProgramState& state, const MainWindowControls& controls);

// Keeps the entry enabled only in list mode, with securities listed and no import running.
void AttachExportListed(ProgramState& state, const MainWindowControls& controls);
void UpdateExportListedEnabled(const ProgramState& state, const MainWindowControls& controls);
