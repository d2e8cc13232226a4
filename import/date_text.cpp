#include "import/date_text.h"

#include "omega/security_text.h"
#include "omega/serial_date.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

namespace {

constexpr int kTwoDigitYearStart = 1930;  // "30" is 1930, "29" is 2029

// People type 5.3.1998 as often as 05.03.1998; one-letter fields read both.
QString WithShortNumbers(QString format)
{
    static const QRegularExpression kDay(QStringLiteral("(?<!d)dd(?!d)"));
    static const QRegularExpression kMonth(QStringLiteral("(?<!M)MM(?!M)"));
    return format.replace(kDay, QStringLiteral("d")).replace(kMonth, QStringLiteral("M"));
}

std::optional<QDate> ReadDate(const QString& text, const QLocale& locale)
{
    if (text.size() == 10 && text[4] == u'-' && text[7] == u'-') {
        const QDate iso = QDate::fromString(text, Qt::ISODate);
        if (iso.isValid())
            return iso;
    }
    const QString fourDigits = omega::ShortDateFormat(locale);
    const QString twoDigits = omega::ReplaceYearField(fourDigits, QStringLiteral("yy"));
    for (const QString& format : {fourDigits, WithShortNumbers(fourDigits)}) {
        const QDate date = locale.toDate(text, format);
        if (date.isValid())
            return date;
    }
    for (const QString& format : {twoDigits, WithShortNumbers(twoDigits)}) {
        const QDate date = locale.toDate(text, format);  // read as 1900 to 1999
        if (date.isValid())
            return date.year() < kTwoDigitYearStart ? date.addYears(100) : date;
    }
    // "00" reads as 1900, which has no 29 February; 2000, the year meant, has one. Only a
    // "00" standing alone can be a two-digit year.
    for (qsizetype at = text.indexOf(u"00"); at >= 0; at = text.indexOf(u"00", at + 1)) {
        if ((at > 0 && text[at - 1].isDigit()) || (at + 2 < text.size() && text[at + 2].isDigit()))
            continue;
        const QString widened = QString(text).insert(at, u"20");
        for (const QString& format : {fourDigits, WithShortNumbers(fourDigits)}) {
            const QDate date = locale.toDate(widened, format);
            if (date.isValid() && date.year() == 2000)
                return date;
        }
    }
    return std::nullopt;
}

std::optional<QTime> ReadTime(const QString& text, const QLocale& locale)
{
    const QStringList formats = {
        locale.timeFormat(QLocale::ShortFormat), QStringLiteral("H:mm"), QStringLiteral("H:mm:ss"),
        QStringLiteral("h:mm AP"), QStringLiteral("h:mm:ss AP"),
    };
    for (const QString& format : formats) {
        const QTime time = locale.toTime(text, format);
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

int32_t DaySerial(const QDate& date)
{
    return static_cast<int32_t>(omega::SerialOfDate(date));
}

} // namespace

std::optional<int32_t> DateTextToSerial(const QString& text, const QLocale& locale)
{
    // Every blank below is tried as the end of the date, each try costing the text's
    // length: the cap keeps a pasted page from freezing the window.
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > kMaxDateTextLength)
        return std::nullopt;
    if (const auto date = ReadDate(trimmed, locale))
        return DaySerial(*date);

    // A date and a time: try every split, since the date or the time may hold blanks.
    for (qsizetype i = 1; i < trimmed.size() - 1; ++i) {
        const bool isoSplit = i == 10 && trimmed[i] == u'T';
        if (!trimmed[i].isSpace() && !isoSplit)
            continue;
        const auto date = ReadDate(trimmed.left(i).trimmed(), locale);
        const auto time = date ? ReadTime(trimmed.mid(i + 1).trimmed(), locale) : std::nullopt;
        if (date && time)
            return DaySerial(*date) + (time->hour() >= 12 ? 1 : 0);
    }
    return std::nullopt;
}

QString DateFormsText(const QLocale& locale)
{
    const QDate example(2020, 12, 31);
    const QString fourDigits = omega::ShortDateFormat(locale);
    return QStringLiteral("%1, %2 or %3")
        .arg(locale.toString(example, fourDigits),
             locale.toString(example, omega::ReplaceYearField(fourDigits, QStringLiteral("yy"))),
             example.toString(Qt::ISODate));
}
