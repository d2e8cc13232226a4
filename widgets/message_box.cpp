#include "message_box.h"

#include "modal_return.h"

#include <QMessageBox>

namespace widgets {

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
        return;
    }
    const ModalReturn back(parent);
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool AskYesNo(const QString& title, const QString& text, QWidget* parent)
{
    if (recorder) {
        recorder->messages_.push_back({title, text, MessageIcon::Question});
        if (recorder->answers_.empty())
            return true;
        const bool yes = recorder->answers_.front();
        recorder->answers_.pop_front();
        return yes;
    }
    const ModalReturn back(parent);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace widgets
