#include "pattern_file/pattern_file_selection.h"

#include "main_window/main_controls.h"
#include "omega/program_state.h"
#include "pattern_file/file_selector.h"
#include "widgets/path_text.h"

#include <QAction>
#include <QLabel>

#include <algorithm>

void SelectPatternFile(ProgramState& state, const MainControls& controls)
{
    if (RunFileSelector(QStringLiteral("Select the Pattern Filename"), 2, controls.window, state.patternFileName))
        return;
    // A dialog that fails without a name keeps the earlier choice, which the label and
    // the View command still show.
    const QString chosen = FileSelector().SelectedFileName;
    if (chosen.isEmpty())
        return;

    state.patternFileName = chosen;
    if (controls.patternFileLabel) {
        // The width as the 16-bit number the measuring takes.
        const int width = std::clamp(controls.patternFileLabel->width(), 0, 32767);
        const QWidget& measuringWindow = controls.window ? *controls.window : *controls.patternFileLabel;
        controls.patternFileLabel->setText(widgets::ShortenPath(chosen, measuringWindow, width));
    }
    if (controls.viewPatternFileAction)
        controls.viewPatternFileAction->setEnabled(true);
}
