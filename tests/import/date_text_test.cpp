// Date texts of the import options: what reads as which day, and what is no date.

#include "import/date_text.h"
#include "omega/security_text.h"
#include "omega/serial_date.h"

#include <QDate>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

int32_t Day(int year, int month, int day)
{
    return static_cast<int32_t>(omega::SerialOfDate(QDate(year, month, day)));
}

TEST(DateText, ReadsShortDatesIsoDatesAndTimesOfDay)
{
    const struct {
        const char* locale;
        const char* text;
        std::optional<int32_t> day;
    } cases[] = {
        {"en_US", " 3/5/1998 ", Day(1998, 3, 5)},         {"en_US", "3/5/98", Day(1998, 3, 5)},
        {"en_US", "3/5/29", Day(2029, 3, 5)},             {"en_US", "3/5/30", Day(1930, 3, 5)},
        {"en_US", "1998-03-05", Day(1998, 3, 5)},         {"en_US", "3/5/1998 11:59 AM", Day(1998, 3, 5)},
        {"en_US", "3/5/1998 12:00 PM", Day(1998, 3, 6)},  {"en_US", "1998-03-05T18:00", Day(1998, 3, 6)},
        {"de_DE", "5.3.98", Day(1998, 3, 5)},             {"de_DE", "05.03.1998 13:00", Day(1998, 3, 6)},
        {"C", "5 Mar 1998", Day(1998, 3, 5)},             {"en_US", "", std::nullopt},
        {"en_US", "2/30/1998", std::nullopt},             {"en_US", "3/5/998", std::nullopt},
        {"en_US", "1998-03-05x", std::nullopt},           {"en_US", "3/5/1998 25:00", std::nullopt},
        {"de_DE", "3/5/1998", std::nullopt},              {"en_US", "2/29/00", Day(2000, 2, 29)},
        {"de_DE", "29.02.00", Day(2000, 2, 29)},          {"en_US", "2/29/01", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateTextToSerial(QString::fromLatin1(c.text), QLocale(QString::fromLatin1(c.locale))), c.day)
            << c.locale << " \"" << c.text << '"';
}

// Every form the messages name reads as the date they show.
TEST(DateText, NamesFormsItReads)
{
    for (const char* name : {"en_US", "de_DE", "ko_KR", "C"}) {
        const QLocale locale{QString::fromLatin1(name)};
        const QStringList forms = DateFormsText(locale).split(QRegularExpression(", | or "));
        ASSERT_EQ(forms.size(), 3) << name;
        for (const QString& form : forms)
            EXPECT_EQ(DateTextToSerial(form, locale), Day(2020, 12, 31)) << name << ' ' << form.toStdString();
    }
}

// What the window writes into the date fields reads back as the same day, in any century.
TEST(DateText, ReadsBackTheWindowsShortDates)
{
    for (const char* name : {"en_US", "de_DE", "ko_KR", "bg_BG", "C"}) {
        const QLocale locale{QString::fromLatin1(name)};
        for (const int32_t day : {Day(1850, 1, 1), Day(1925, 12, 31), Day(2029, 12, 31), Day(2100, 6, 15)})
            EXPECT_EQ(DateTextToSerial(omega::ShortDate(day, locale), locale), day) << name << ' ' << day;
    }
    EXPECT_EQ(DateTextToSerial(ShortDate(Day(1925, 12, 31))), Day(1925, 12, 31));
}

// Every blank was tried as the end of the date, and every "00" as a year: 4 KB of "000 "
// took seconds. A text over the cap is refused before it is read.
TEST(DateText, LongTextsAreNoDates)
{
    const QLocale c(QLocale::C);
    const QString date = QStringLiteral("3/5/1998"), time = QStringLiteral("11:59 AM");
    const QString gap(kMaxDateTextLength - date.size() - time.size(), u' ');
    const QLocale us(QStringLiteral("en_US"));
    EXPECT_EQ(DateTextToSerial(QStringLiteral("  ") + date + gap + time + QStringLiteral("  "), us), Day(1998, 3, 5));
    EXPECT_EQ(DateTextToSerial(date + gap + u' ' + time, us), std::nullopt);
    EXPECT_EQ(DateTextToSerial(QStringLiteral("29 Feb 00 ").repeated(6).trimmed(), c), std::nullopt);
    for (const int size : {4096, 12288})
        EXPECT_EQ(DateTextToSerial(QStringLiteral("000 ").repeated(size / 4), c), std::nullopt) << size;
}

} // namespace
