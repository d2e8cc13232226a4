#include "pattern_file/pattern_file_selection.h"

#include "pattern_file/file_selector.h"
#include "widgets/path_text.h"

#include <QAction>
#include <QLabel>

#include <algorithm>

void SelectPatternFile(QString& patternFileName, QWidget* window, QLabel* label, QAction* viewAction)
{
    if (RunFileSelector(QStringLiteral("Select the Pattern Filename"), 2, window, patternFileName))
        return;
    // A dialog that fails without a name keeps the earlier choice, which the label and
    // the View command still show.
    const QString chosen = FileSelector().SelectedFileName;
    if (chosen.isEmpty())
        return;

    patternFileName = chosen;
    // The width as the 16-bit number the measuring takes.
    const int width = std::clamp(label->width(), 0, 32767);
    label->setText(widgets::ShortenPath(chosen, *window, width));
    viewAction->setEnabled(true);
}
