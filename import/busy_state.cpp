#include "import/busy_state.h"

#include "import/export_listed.h"
#include "widgets/busy_pointer.h"

#include <QAction>
#include <QGroupBox>
#include <QTimer>

BusyState::BusyState(ProgramState& state, const MainWindowControls& controls, bool beginAfterwards)
    : state_(state), controls_(controls), beginAfterwards_(beginAfterwards)
{
    controls_.typingTimer()->stop();
    controls_.beginImportAction()->setEnabled(false);
    controls_.interruptImportAction()->setEnabled(true);
    state_.interruptRequested = false;
    controls_.importOptionsFrame()->setEnabled(false);
    widgets::SetBusyPointer(true);
    UpdateExportListedEnabled(state_, controls_);
}

BusyState::~BusyState()
{
    controls_.typingTimer()->start();
    controls_.interruptImportAction()->setEnabled(false);
    state_.interruptRequested = false;
    controls_.beginImportAction()->setEnabled(beginAfterwards_);
    controls_.importOptionsFrame()->setEnabled(true);
    widgets::SetBusyPointer(false);
    UpdateExportListedEnabled(state_, controls_);
}
