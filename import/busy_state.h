#pragma once

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"

// Begin Import off, Interrupt Import on, the options locked and the hourglass for as long
// as the object lives, whatever way the import or export ends; Export Listed follows. At
// the end Begin Import is on or off as `beginAfterwards` says.
class BusyState {
public:
    BusyState(ProgramState& state, const MainWindowControls& controls, bool beginAfterwards);
    ~BusyState();
    BusyState(const BusyState&) = delete;
    BusyState& operator=(const BusyState&) = delete;

private:
    ProgramState& state_;
    const MainWindowControls& controls_;
    bool beginAfterwards_;
};
