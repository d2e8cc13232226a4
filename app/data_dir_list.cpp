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

DataDirList::DataDirList(ProgramState& state, const MainWindowControls& controls, SecuritySearch& search)
    : state_(state), controls_(controls), search_(search)
{
}

void DataDirList::Fill()
{
    QComboBox* list = controls_.dataDirCombo();
    {
        // Filling moves the selection on its own; the selection below is the one that counts.
        const QSignalBlocker blocker(list);
        list->clear();
        list->addItems(state_.dataDirs);
        list->setCurrentIndex(-1);
    }
    if (list->count() > 0)
        SelectEntry(0);
}

void DataDirList::SelectEntry(int index)
{
    {
        const QSignalBlocker blocker(controls_.dataDirCombo());
        controls_.dataDirCombo()->setCurrentIndex(index);
    }
    Adopt();
}

void DataDirList::Adopt()
{
    const int selected = controls_.dataDirCombo()->currentIndex();
    state_.currentDataDir = selected >= 0 ? controls_.dataDirCombo()->itemText(selected) : QString();
    if (state_.currentDataDir == state_.previousDataDir)
        return;
    state_.securityTableLoaded = false;
    state_.previousDataDir = state_.currentDataDir;

    QLineEdit* symbolEdit = controls_.symbolEdit();
    if (state_.mode == ImportMode::SecurityList) {
        if (symbolEdit->text() != kShowAll)
            symbolEdit->clear();
        omega::SecurityList(controls_.securityList())->Clear();
        ClearSecurityInfo(controls_);
        search_.LoadTable();
        if (symbolEdit->text() == kShowAll)
            search_.FillList();
    } else if (!omega::TrimBlanks(symbolEdit->text()).isEmpty()) {
        // The symbol looked up in the old directory is looked up in the new one.
        search_.Search();
    }
}
