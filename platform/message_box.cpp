#include "message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace platform {

namespace {
RecordedMessages* recorder = nullptr;

QMessageBox::Icon ToQt(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Information: break;
    }
    return QMessageBox::Information;
}
} // namespace

RecordedMessages::RecordedMessages() : previous_(recorder) { recorder = this; }
RecordedMessages::~RecordedMessages() { recorder = previous_; }

void ShowMessage(const QString& title, const QString& text, MessageIcon icon, QWidget* parent)
{
    if (recorder) {
        recorder->messages_.push_back({title, text, icon});
        if (recorder->hook_)
            recorder->hook_(recorder->messages_.back());
        return;
    }
    QWidget* owner = parent ? parent->window() : nullptr;
    const QPointer<QWidget> focus = owner ? owner->focusWidget() : nullptr;
    {
        QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, parent);
        box.exec();
    }
    // With no window manager nothing gives the activation back when the box goes: the
    // keyboard would reach no window at all.
    const QWidget* modal = QApplication::activeModalWidget();
    if (owner && owner->isVisible() && (!modal || modal == owner)) {
        owner->activateWindow();
        if (focus && focus->isEnabled() && focus->isVisible())
            focus->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace platform
