#pragma once

struct MainControls;
struct ProgramState;

// Select Pattern File: a chosen path becomes the pattern file, is shown shortened in
// patternFileLabel and enables View. Cancelling changes nothing.
void SelectPatternFile(ProgramState& state, const MainControls& controls);
