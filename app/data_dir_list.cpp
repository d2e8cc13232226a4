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

void FillOmegaDirs(ProgramState& state, const MainControls& controls)
{
    {
        // Filling moves the selection on its own; the selection below is the one that counts.
        const QSignalBlocker blocker(controls.cmbOmega);
        controls.cmbOmega->clear();
        for (int i = 0; i < state.DataDirCount && i < state.DataDirs.size(); ++i)
            controls.cmbOmega->addItem(state.DataDirs.at(i));
        controls.cmbOmega->setCurrentIndex(-1);
    }
    if (controls.cmbOmega->count() > 0)
        SelectOmegaEntry(state, controls, 0);
}

void SelectOmegaEntry(ProgramState& state, const MainControls& controls, int index)
{
    {
        const QSignalBlocker blocker(controls.cmbOmega);
        controls.cmbOmega->setCurrentIndex(index);
    }
    cmbOmega_Click(state, controls);
}

void cmbOmega_Click(ProgramState& state, const MainControls& controls)
{
    SelectDataDir(state, controls);
}

void SelectDataDir(ProgramState& state, const MainControls& controls)
{
    const int selected = controls.cmbOmega->currentIndex();
    state.CurrentDataDir = selected >= 0 ? controls.cmbOmega->itemText(selected) : QString();
    if (state.CurrentDataDir == state.PreviousDataDir)
        return;
    state.SecurityTableLoaded = kFalse;
    state.PreviousDataDir = state.CurrentDataDir;

    if (state.ImportMode != 0) {
        if (controls.txtSymbol->text() != kShowAll)
            controls.txtSymbol->clear();
        omega::SecurityList(controls.List1)->Clear();
        ClearSecurityInfo(controls);
        LoadSecurityTable(state, controls);
        if (controls.txtSymbol->text() == kShowAll)
            FillSecurityList(state, controls);
    } else if (!omega::TrimBlanks(controls.txtSymbol->text()).isEmpty()) {
        // The symbol looked up in the old directory is looked up in the new one.
        cmdSearch_Click(state, controls);
    }
}
