#pragma once

#include "base/recorded_calls.h"

#include <QString>

class QWidget;

namespace widgets {

enum class MessageIcon { Critical, Exclamation, Information, Question };

struct Message {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::Information;
};

// Shows a modal message box with one OK button. Every message of the program goes
// through here, so tests can record them instead of blocking on a modal window.
void ShowMessage(const QString& title, const QString& text, MessageIcon icon, QWidget* parent = nullptr);

// Shows a modal question with Yes and No buttons, No the default: true for Yes.
bool AskYesNo(const QString& title, const QString& text, QWidget* parent = nullptr);

// While one of these lives, messages and questions are recorded instead of shown; a
// question is answered from its queue, Yes when it is empty.
using RecordedMessages = base::RecordedCalls<Message, bool>;

} // namespace widgets
