#include "import/busy_state.h"

#include "import/export_listed.h"
#include "widgets/busy_pointer.h"

#include <QAction>
#include <QGroupBox>
#include <QTimer>

BusyState::BusyState(ProgramState& state, const MainControls& controls, bool beginAfterwards)
    : state_(state), controls_(controls), beginAfterwards_(beginAfterwards)
{
    controls_.Timer1->stop();
    controls_.mnuBegin->setEnabled(false);
    controls_.mnuInterrupt->setEnabled(true);
    state_.InterruptRequested = kFalse;
    controls_.frmOptions->setEnabled(false);
    platform::SetBusyPointer(true);
    UpdateExportListedEnabled(state_, controls_);
}

BusyState::~BusyState()
{
    controls_.Timer1->start();
    controls_.mnuInterrupt->setEnabled(false);
    state_.InterruptRequested = kFalse;
    controls_.mnuBegin->setEnabled(beginAfterwards_);
    controls_.frmOptions->setEnabled(true);
    platform::SetBusyPointer(false);
    UpdateExportListedEnabled(state_, controls_);
}
