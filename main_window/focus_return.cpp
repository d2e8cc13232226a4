#include "main_window/focus_return.h"

#include <QListView>
#include <QLineEdit>
#include <QWidget>

namespace {

bool CanTakeFocus(const QWidget* widget, const QWidget* window)
{
    return widget && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus &&
           (widget == window || widget->isVisibleTo(window));
}

} // namespace

FocusReturn::FocusReturn(const MainWindowControls& controls) : controls_(controls)
{
    if (QWidget* window = controls_.window()) {
        previous_ = window->focusWidget();
        wasActive_ = window->isActiveWindow();
    }
}

FocusReturn::~FocusReturn()
{
    QWidget* window = controls_.window();
    if (!window)
        return;
    if (wasActive_ && window->isVisible() && !window->isActiveWindow())
        window->activateWindow();
    for (QWidget* candidate : {previous_.data(), static_cast<QWidget*>(controls_.symbolEdit()),
                               static_cast<QWidget*>(controls_.securityList())}) {
        if (CanTakeFocus(candidate, window)) {
            if (window->focusWidget() != candidate || !candidate->hasFocus())
                candidate->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}
