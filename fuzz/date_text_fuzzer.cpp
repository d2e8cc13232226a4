// The date text parser of the date boxes and --from/--to. Input: a byte picking the locale,
// then the text. Slow inputs are findings too (libFuzzer's -timeout).

#include "fuzz_support.h"
#include "import/date_text.h"
#include "omega/security_text.h"
#include "omega/serial_date.h"

#include <QDate>
#include <QLocale>

#include <array>

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
    FUZZ_CHECK(!day || text.trimmed().size() <= kMaxDateTextLength);
    // Dates of data files have four-digit years.
    const int year = day ? omega::DateOfSerial(*day).year() : 0;
    if (year >= 1000 && year <= 9999)
        FUZZ_CHECK(DateTextToSerial(omega::ShortDate(*day, locale), locale) == day);
    return 0;
}
