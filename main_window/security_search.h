#pragma once

#include "main_window/main_controls.h"
#include "omega/program_state.h"

#include <cstdint>

void LoadSecurityTable(ProgramState& state, const MainControls& controls);
void FillSecurityList(ProgramState& state, const MainControls& controls);
void ApplyImportMode(ProgramState& state, const MainControls& controls, int16_t mode);

void cmdSearch_Click(ProgramState& state, const MainControls& controls);
void List1_Click(ProgramState& state, const MainControls& controls);
void opbSearch_Click(ProgramState& state, const MainControls& controls, int index);
void mnuMode_Click(ProgramState& state, const MainControls& controls, int index);

// The typing delay of the symbol box in list mode: the main window's change and timer
// handlers call these.
void SymbolTextChanged(ProgramState& state, const MainControls& controls);
void SymbolTimerTick(ProgramState& state, const MainControls& controls);

// Gives List1 the model of the securities list. Runs by itself on first use; a window
// that watches the view's selection model calls it before connecting, since setting a
// model replaces the selection model.
void AttachSecurityList(const MainControls& controls);
