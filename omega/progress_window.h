#pragma once

#include <QString>
#include <Qt>

#include <cstdint>

class QWidget;

// The process-wide progress window "PrcntgBar". Positions are in twips.
int16_t ShowProgress(int32_t total, const QString& caption, int left, int top);
int16_t UpdateProgress(int32_t current);
int16_t CloseProgress();
// The main window's resize handler: create the window hidden if it does not exist yet
// and give it the main window's state (normal, minimized, maximized).
void FollowMainWindowState(Qt::WindowStates state);

// What the progress window holds, for tests and tools.
struct ProgressState {
    int32_t ProgressTotal = 0;
    int32_t ProgressCurrent = 0;
    int32_t ProgressPercent = 0;
    int32_t ProgressShown = 0;
    int BarValue = 0;       // percentage filled, 0 to 100
    int64_t BarDraws = 0;   // times the bar was set, over the whole run
};
const ProgressState& CurrentProgress();
// The window, created hidden when it does not exist yet.
QWidget* ProgressWindow();
