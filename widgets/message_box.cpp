#include "message_box.h"

#include "modal_return.h"

#include <QMessageBox>

namespace widgets {

namespace {
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

void ShowMessage(const QString& title, const QString& text, MessageIcon icon, QWidget* parent)
{
    if (RecordedMessages* recorder = RecordedMessages::Current()) {
        recorder->Record({title, text, icon});
        return;
    }
    const ModalReturn back(parent);
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool AskYesNo(const QString& title, const QString& text, QWidget* parent)
{
    if (RecordedMessages* recorder = RecordedMessages::Current())
        return recorder->Ask({title, text, MessageIcon::Question}, true);
    const ModalReturn back(parent);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace widgets
