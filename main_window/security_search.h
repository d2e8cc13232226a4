#pragma once

#include "main_window/main_controls.h"
#include "omega/program_state.h"

#include <cstdint>

void LoadSecurityTable(ProgramState& state, const MainControls& controls);
void FillSecurityList(ProgramState& state, const MainControls& controls);
void ApplyImportMode(ProgramState& state, const MainControls& controls, ImportMode mode);

// What Search and Begin Import say when no security of the data directory is chosen.
inline constexpr char kChooseSecurityText[] =
    "Choose a valid Omega Downloader data directory, enter a valid security symbol, search for it, then import.";

void SearchSecurity(ProgramState& state, const MainControls& controls);
void ShowSelectedSecurity(ProgramState& state, const MainControls& controls);
// The search field changed: a loaded table is searched again.
void RefreshSecurityList(ProgramState& state, const MainControls& controls);
void SwitchImportMode(ProgramState& state, const MainControls& controls, ImportMode mode);

// The typing delay of the symbol box in list mode: the main window's change and timer
// handlers call these.
void SymbolTextChanged(ProgramState& state, const MainControls& controls);
void SymbolTimerTick(ProgramState& state, const MainControls& controls);

// Gives securityList the model of the securities list. Runs by itself on first use; a window
// that watches the view's selection model calls it before connecting, since setting a
// model replaces the selection model.
void AttachSecurityList(const MainControls& controls);
