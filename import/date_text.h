#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

// The day number of a date typed by the user, or nothing when the text is no date.
// Read: the locale's short format as the window writes it (four-digit year), the same
// with a two-digit year (1930 to 2029), and ISO 8601 (1998-03-05). A time of day may
// follow the date; from noon on it counts as the next day. A text longer than
// kMaxDateTextLength (blanks around it aside) is no date.
constexpr int kMaxDateTextLength = 64;
std::optional<int32_t> DateTextToSerial(const QString& text, const QLocale& locale = QLocale::system());

// The forms DateTextToSerial reads, shown on one date: "12/31/2020, 12/31/20 or 2020-12-31".
QString DateFormsText(const QLocale& locale = QLocale::system());
