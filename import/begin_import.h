#pragma once

#include "omega_window/main_controls.h"
#include "omega/program_state.h"

// Import > Begin Import: checks the options, then imports the shown security into the
// pattern file, with the progress window and Import > Interrupt Import working meanwhile.
void mnuBegin_Click(ProgramState& state, const MainControls& controls);
