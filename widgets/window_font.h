#pragma once

#include <QFont>

namespace widgets {

// The small sans-serif face the windows were drawn for, or its nearest neighbour here. Every
// window of the program and the viewer draw in it, so none falls back to a serif face where
// the system's default is one (under Wine, for one).
QFont WindowFont(double pointSize);

} // namespace widgets
