#pragma once

#include "main_window/main_window_controls.h"

#include <QPointer>

// Gives the keyboard focus back when a command ends. A command that disables controls
// (the import locks its options, a mode switch clears the dates) makes the toolkit move
// the focus along the tab chain, to wherever the chain leads; the user's place is lost and
// the next key lands in the wrong control. On leaving, the focus goes back to the control
// that had it, or to the symbol box, or to the list, when that control can no longer take
// it. A window that was active when the command began is made active again, since with no
// window manager a closed message box or progress window leaves no window with the focus.
class FocusReturn {
public:
    explicit FocusReturn(const MainWindowControls& controls);
    ~FocusReturn();
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    const MainWindowControls& controls_;
    QPointer<QWidget> previous_;
    bool wasActive_ = false;
};
