#pragma once

#include <qv2omg.h>

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>

// Every character from the first NUL on becomes a blank; the length stays.
QByteArray NulToBlanks(const QByteArray& text);
QString CategoryName(int16_t code);
QString PeriodName(int16_t code);
// A day number in the user's short date format, always with a four-digit year.
QString ShortDate(int32_t serial);

namespace omega {

// The short date format of `locale` with its year widened to four digits, so a date
// written with it reads back in the right century.
QString ShortDateFormat(const QLocale& locale = QLocale::system());
// `format` with every run of 'y' outside a quoted literal replaced by `year`.
QString ReplaceYearField(const QString& format, const QString& year);
QString ShortDate(int32_t serial, const QLocale& locale);

// The text without leading and trailing blanks (only blanks: a tab is kept).
QString TrimBlanks(QStringView text);
QString TrimLeadingBlanks(QStringView text);

// The first date offered for an import: 1 January three years before the year of the
// last date, but not before the first date held.
int32_t DefaultFirstDate(int32_t dataFirstDate, const OmegaDate& dataLast);

} // namespace omega
