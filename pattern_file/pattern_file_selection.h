#pragma once

struct MainControls;
struct ProgramState;

// Select Pattern File: a chosen path becomes the pattern file, is shown shortened in
// Label4 and enables View. Cancelling changes nothing.
void mnuSelectPatternFile_Click(ProgramState& state, const MainControls& controls);
