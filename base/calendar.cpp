#include "base/calendar.h"

#include <chrono>
#include <cstdio>

namespace base {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr sys_days kOrigin = std::chrono::year{1899} / 12 / 30;

// The calendar repeats every 400 years; chrono's years stop at +-32767, so the years are
// brought into 0..399 and the whole cycles counted apart.
constexpr int64_t kCycleDays = 146097;
constexpr int64_t kCycleStart = (sys_days{std::chrono::year{0} / 1 / 1} - kOrigin).count();

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

} // namespace

int64_t SerialOfCivil(int64_t year, int64_t month, int64_t day)
{
    year += FloorDiv(month - 1, 12);
    month -= 12 * FloorDiv(month - 1, 12);
    const int64_t cycles = FloorDiv(year, 400);
    const year_month_day first{std::chrono::year{static_cast<int>(year - 400 * cycles)},
                               std::chrono::month{static_cast<unsigned>(month)}, std::chrono::day{1}};
    return (sys_days{first} - kOrigin).count() + cycles * kCycleDays + (day - 1);
}

CivilDate CivilOfSerial(int64_t serial)
{
    const int64_t cycles = FloorDiv(serial - kCycleStart, kCycleDays);
    const year_month_day date{kOrigin + days{serial - cycles * kCycleDays}};
    return {static_cast<int>(date.year()) + 400 * cycles, static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day()))};
}

} // namespace base

namespace base {

std::string IsoDateOfSerial(int64_t serial)
{
    const CivilDate date = CivilOfSerial(serial);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d", static_cast<long long>(date.year), date.month, date.day);
    return text;
}

std::string IsoDateOfYyyymmdd(uint32_t date)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(date / 10000 % 10000),
                  static_cast<unsigned>(date / 100 % 100), static_cast<unsigned>(date % 100));
    return text;
}

bool IsCalendarDate(int64_t year, int64_t month, int64_t day)
{
    if (month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int64_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

int32_t SerialOfStored(int32_t yearsSince1900, int32_t month, int32_t day)
{
    return static_cast<int32_t>(SerialOfCivil(1900 + int64_t{yearsSince1900}, month, day));
}

} // namespace base
