#include "data_dir_list.h"

#include "main_window/security_info.h"
#include "main_window/security_list_model.h"
#include "main_window/security_search.h"
#include "omega/security_text.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {
const QString kShowAll = QStringLiteral("?");
} // namespace

void FillDataDirCombo(ProgramState& state, const MainWindowControls& controls)
{
    {
        // Filling moves the selection on its own; the selection below is the one that counts.
        const QSignalBlocker blocker(controls.dataDirCombo());
        controls.dataDirCombo()->clear();
        controls.dataDirCombo()->addItems(state.dataDirs);
        controls.dataDirCombo()->setCurrentIndex(-1);
    }
    if (controls.dataDirCombo()->count() > 0)
        SelectDataDirEntry(state, controls, 0);
}

void SelectDataDirEntry(ProgramState& state, const MainWindowControls& controls, int index)
{
    {
        const QSignalBlocker blocker(controls.dataDirCombo());
        controls.dataDirCombo()->setCurrentIndex(index);
    }
    SelectDataDir(state, controls);
}

void SelectDataDir(ProgramState& state, const MainWindowControls& controls)
{
    const int selected = controls.dataDirCombo()->currentIndex();
    state.currentDataDir = selected >= 0 ? controls.dataDirCombo()->itemText(selected) : QString();
    if (state.currentDataDir == state.previousDataDir)
        return;
    state.securityTableLoaded = false;
    state.previousDataDir = state.currentDataDir;

    if (state.mode == ImportMode::SecurityList) {
        if (controls.symbolEdit()->text() != kShowAll)
            controls.symbolEdit()->clear();
        omega::SecurityList(controls.securityList())->Clear();
        ClearSecurityInfo(controls);
        LoadSecurityTable(state, controls);
        if (controls.symbolEdit()->text() == kShowAll)
            FillSecurityList(state, controls);
    } else if (!omega::TrimBlanks(controls.symbolEdit()->text()).isEmpty()) {
        // The symbol looked up in the old directory is looked up in the new one.
        SearchSecurity(state, controls);
    }
}
