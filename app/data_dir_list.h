#pragma once

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"

// Replaces the entries of dataDirCombo with dataDirs, in their order, and selects the first.
void FillDataDirCombo(ProgramState& state, const MainWindowControls& controls);

// Selects entry `index` of dataDirCombo (-1: none) the way the program does, which runs
// SelectDataDir just as a choice by the user does.
void SelectDataDirEntry(ProgramState& state, const MainWindowControls& controls, int index);

// Adopts the selected entry as currentDataDir and, when that is another directory than
// before (letter case counts), prepares the security display for it.
void SelectDataDir(ProgramState& state, const MainWindowControls& controls);
