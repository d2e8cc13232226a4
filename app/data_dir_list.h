#pragma once

#include "main_window/main_controls.h"
#include "omega/program_state.h"

// Replaces the entries of cmbOmega with DataDirs, in their order, and selects the first.
void FillOmegaDirs(ProgramState& state, const MainControls& controls);

// Selects entry `index` of cmbOmega (-1: none) the way the program does, which runs
// cmbOmega_Click just as a choice by the user does.
void SelectOmegaEntry(ProgramState& state, const MainControls& controls, int index);

void cmbOmega_Click(ProgramState& state, const MainControls& controls);

// Adopts the selected entry as CurrentDataDir and, when that is another directory than
// before (letter case counts), prepares the security display for it.
void SelectDataDir(ProgramState& state, const MainControls& controls);
