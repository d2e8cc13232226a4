#pragma once

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"

#include <functional>

// What an import stopped by the user says, before anything about the files written.
inline constexpr char kImportInterruptedText[] = "Import interrupted at user request.";

// Import > Begin Import: checks the options, then imports the shown security into the
// pattern file, with the progress window and Import > Interrupt Import working meanwhile.
// With no pattern file chosen yet, `choosePatternFile` asks for one once the options pass:
// false (cancelled) ends the command without a word. A finished import says what it wrote
// in the status line.
void BeginImport(ProgramState& state, const MainWindowControls& controls,
                 const std::function<bool()>& choosePatternFile = {});
