#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace widgets {

// What a screen reader should say for a caption: without its mnemonic marks ("&&" stays
// one "&"), its trailing colon and the blanks around it. "Data available: " gives
// "Data available".
QString AccessibleCaption(const QString& caption);

// Ties a field to the label that names it on screen: the label becomes its buddy (a
// screen reader finds the field's label through it) and the field takes the caption as
// its accessible name. Runs again whenever the label's caption changes.
void NameAfterCaption(QWidget* field, QLabel* label);

} // namespace widgets
