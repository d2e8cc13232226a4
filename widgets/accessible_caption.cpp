#include "accessible_caption.h"

#include <QLabel>

namespace widgets {

QString AccessibleCaption(const QString& caption)
{
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&')
                text += caption[++i];
            continue;
        }
        text += caption[i];
    }
    text = text.trimmed();
    if (text.endsWith(u':'))
        text.chop(1);
    return text.trimmed();
}

void NameAfterCaption(QWidget* field, QLabel* label)
{
    if (!field || !label)
        return;
    label->setBuddy(field);
    field->setAccessibleName(AccessibleCaption(label->text()));
}

} // namespace widgets
