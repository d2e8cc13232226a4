#pragma once

#include <QString>

#include <vector>

class QWidget;

namespace platform {

enum class MessageIcon { Critical, Exclamation, Information, Question };

struct Message {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::Information;
};

// Shows a modal message box with one OK button. Every message of the program goes
// through here, so tests can record them instead of blocking on a modal window.
void ShowMessage(const QString& title, const QString& text, MessageIcon icon, QWidget* parent = nullptr);

// While one of these lives, messages are recorded instead of shown.
class RecordedMessages {
public:
    RecordedMessages();
    ~RecordedMessages();
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    const std::vector<Message>& All() const { return messages_; }
    void Clear() { messages_.clear(); }

private:
    friend void ShowMessage(const QString&, const QString&, MessageIcon, QWidget*);
    std::vector<Message> messages_;
    RecordedMessages* previous_;
};

} // namespace platform
