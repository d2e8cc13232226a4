#include "security_text.h"

#include "base/trim_blanks.h"
#include "omega/omega_date.h"
#include "omega/serial_date.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <limits>

QByteArray NulToBlanks(const QByteArray& text)
{
    QByteArray result = text;
    const qsizetype nul = result.indexOf('\0');
    if (nul >= 0)
        std::fill(result.begin() + nul, result.end(), ' ');
    return result;
}

QString CategoryName(int16_t code)
{
    static const std::array<const char*, 15> kNames = {
        "Future", "Future option", "Stock", "Stock Option", "Index",
        "Currency Option", "Mutual Fund", "Money Market Fund", "Index Option", "Cash",
        "Bond", "Spread", "Forex", "CPC symbol", "Composites",
    };
    if (code < 0 || code >= static_cast<int16_t>(kNames.size()))
        return {};
    return QString::fromLatin1(kNames[static_cast<size_t>(code)]);
}

QString PeriodName(int16_t code)
{
    switch (code) {
    case 0: return QStringLiteral("Daily");
    case 1: return QStringLiteral("Weekly");
    case 2: return QStringLiteral("Monthly");
    default: return {};
    }
}

QString ShortDate(int32_t serial)
{
    return omega::ShortDate(serial, QLocale::system());
}

namespace omega {

QString ReplaceYearField(const QString& format, const QString& year)
{
    QString result;
    result.reserve(format.size() + 2);
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            result += c;
            ++i;
        } else if (c == u'y' && !quoted) {
            while (i < format.size() && format[i] == u'y')
                ++i;
            result += year;
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}

QString ShortDateFormat(const QLocale& locale)
{
    return ReplaceYearField(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("yyyy"));
}

QString ShortDate(int32_t serial, const QLocale& locale)
{
    const QDate date = DateOfSerial(serial);
    return locale.toString(date, ShortDateFormat(locale));
}

QString TrimBlanks(QStringView text)
{
    return base::TrimBlanks(text).toString();
}

QString TrimLeadingBlanks(QStringView text)
{
    qsizetype first = 0;
    while (first < text.size() && text[first] == u' ')
        ++first;
    return text.mid(first).toString();
}

int32_t DefaultFirstDate(int32_t dataFirstDate, const OmegaDate& dataLast)
{
    OmegaDate start{};
    start.month = 1;
    start.day = 1;
    start.year = dataLast.year >= std::numeric_limits<int32_t>::min() + 3 ? dataLast.year - 3 : dataLast.year;
    return std::max(OmegaDateToSerial(start), dataFirstDate);
}

} // namespace omega
