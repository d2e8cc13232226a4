#pragma once

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"

class SecuritySearch;

// The list of data directories at the top of the main window, dataDirCombo, and which of
// them is in use.
class DataDirList {
public:
    DataDirList(ProgramState& state, const MainWindowControls& controls, SecuritySearch& search);

    // Replaces the entries with dataDirs, in their order, and selects the first.
    void Fill();
    // Selects entry `index` (-1: none) the way the program does, which runs Adopt just as
    // a choice by the user does.
    void SelectEntry(int index);
    // Adopts the selected entry as currentDataDir and, when that is another directory
    // than before (letter case counts), prepares the security display for it.
    void Adopt();

private:
    ProgramState& state_;
    const MainWindowControls& controls_;
    SecuritySearch& search_;
};
