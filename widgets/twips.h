#pragma once

#include <QRect>

class QWidget;

namespace widgets {

// Window geometry is designed in twips (1440 to the inch); these convert with the
// screen's logical resolution, in one place.
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);
QRect TwipsRect(int left, int top, int width, int height);
// Places `widget` (relative to its parent) at a rectangle given in twips.
void SetTwipsGeometry(QWidget* widget, int left, int top, int width, int height);

// A factor on every conversion, below 1 where the design would not fit on the screen (a
// small screen, a large scale factor); set before any window is laid out.
void SetTwipsScale(double factor);
double TwipsScale();

// Makes a top-level window no larger than the available area of its screen, leaving room
// for the frame, and moves it inside that area: centred over the window it belongs to,
// where it has one that is shown.
void FitOnScreen(QWidget* window);

} // namespace widgets
