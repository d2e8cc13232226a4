#include "modal_return.h"

#include <QApplication>

namespace widgets {

ModalReturn::ModalReturn(QWidget* parent)
    : owner_(parent ? parent->window() : nullptr), focus_(owner_ ? owner_->focusWidget() : nullptr)
{
}

ModalReturn::~ModalReturn()
{
    const QWidget* modal = QApplication::activeModalWidget();
    if (!owner_ || !owner_->isVisible() || (modal && modal != owner_))
        return;
    owner_->activateWindow();
    if (focus_ && focus_->isEnabled() && focus_->isVisible())
        focus_->setFocus(Qt::OtherFocusReason);
}

} // namespace widgets
