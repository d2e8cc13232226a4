#pragma once

#include <QRect>

class QWidget;

namespace platform {

// Window geometry is designed in twips (1440 to the inch); these convert with the
// screen's logical resolution, in one place.
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);
QRect TwipsRect(int left, int top, int width, int height);
// Places `widget` (relative to its parent) at a rectangle given in twips.
void SetTwipsGeometry(QWidget* widget, int left, int top, int width, int height);

} // namespace platform
