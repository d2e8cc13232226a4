#pragma once

#include <QString>

class QAction;
class QLabel;
class QWidget;

// Select Pattern File, its dialog over `window`: a chosen path becomes `patternFileName`,
// is shown shortened in `label` (measured in the window's font) and enables `viewAction`.
// Cancelling changes nothing.
void SelectPatternFile(QString& patternFileName, QWidget* window, QLabel* label, QAction* viewAction);
