// The date text parser of the date boxes and --from/--to. Input: one byte picks the
// locale, the rest is the text. Besides crashes and slow inputs (libFuzzer's -timeout): a
// text over the cap is no date, and the date the window would write for the day read
// reads back as that day.

#include "fuzz_check.h"
#include "import/date_text.h"
#include "omega/security_text.h"
#include "omega/serial_date.h"

#include <QDate>
#include <QLocale>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::array<QLocale, 6> kLocales = {
        QLocale(QLocale::C), QLocale(QStringLiteral("en_US")), QLocale(QStringLiteral("de_DE")),
        QLocale(QStringLiteral("ko_KR")), QLocale(QStringLiteral("bg_BG")), QLocale(QStringLiteral("fr_CA")),
    };
    if (size == 0)
        return 0;
    const QLocale& locale = kLocales[data[0] % kLocales.size()];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const std::optional<int32_t> day = DateTextToSerial(text, locale);
    if (text.trimmed().size() > kMaxDateTextLength)
        FUZZ_CHECK(!day);
    // Dates of data files have four-digit years.
    const int year = day ? omega::DateOfSerial(*day).year() : 0;
    if (year >= 1000 && year <= 9999) {
        const QString written = omega::ShortDate(*day, locale);
        const std::optional<int32_t> again = DateTextToSerial(written, locale);
        if (again != day) {
            std::fprintf(stderr, "'%s' -> %d -> '%s' -> %d\n", text.toUtf8().constData(), *day,
                         written.toUtf8().constData(), again ? *again : -1);
        }
        FUZZ_CHECK(again == day);
    }
    return 0;
}
