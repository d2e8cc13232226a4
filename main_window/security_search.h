#pragma once

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"

#include <cstdint>

void LoadSecurityTable(ProgramState& state, const MainWindowControls& controls);
void FillSecurityList(ProgramState& state, const MainWindowControls& controls);
void ApplyImportMode(ProgramState& state, const MainWindowControls& controls, ImportMode mode);

void SearchSecurity(ProgramState& state, const MainWindowControls& controls);
void ShowSelectedSecurity(ProgramState& state, const MainWindowControls& controls);
// The search field changed: a loaded table is searched again.
void RefreshSecurityList(ProgramState& state, const MainWindowControls& controls);
void SwitchImportMode(ProgramState& state, const MainWindowControls& controls, ImportMode mode);

// The typing delay of the symbol box in list mode: the main window's change and timer
// handlers call these.
void SymbolTextChanged(ProgramState& state, const MainWindowControls& controls);
void SymbolTimerTick(ProgramState& state, const MainWindowControls& controls);

// Gives securityList the model of the securities list. Runs by itself on first use; a window
// that watches the view's selection model calls it before connecting, since setting a
// model replaces the selection model.
void AttachSecurityList(const MainWindowControls& controls);
