#pragma once

#include <QString>

#include <deque>
#include <vector>

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

// Shows a modal question with Yes and No buttons, No the default: true for Yes. Recorded
// like a message while a recorder lives, and answered from its queue, Yes when it is empty.
bool AskYesNo(const QString& title, const QString& text, QWidget* parent = nullptr);

// While one of these lives, messages are recorded instead of shown.
class RecordedMessages {
public:
    RecordedMessages();
    ~RecordedMessages();
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    const std::vector<Message>& All() const { return messages_; }
    void Clear() { messages_.clear(); }
    // The answer to the next question.
    void Answer(bool yes) { answers_.push_back(yes); }

private:
    friend void ShowMessage(const QString&, const QString&, MessageIcon, QWidget*);
    friend bool AskYesNo(const QString&, const QString&, QWidget*);
    std::vector<Message> messages_;
    std::deque<bool> answers_;
    RecordedMessages* previous_;
};

} // namespace widgets
