#pragma once

#include <QString>
#include <Qt>

#include <cstdint>

// The process-wide progress window "PrcntgBar". Positions are in twips.
int16_t ShowProgress(int32_t total, const QString& caption, int left, int top);
int16_t UpdateProgress(int32_t current);
int16_t CloseProgress();
// The main window's resize handler: create the window hidden if it does not exist yet
// and give it the main window's state (normal, minimized, maximized).
void FollowMainWindowState(Qt::WindowStates state);
