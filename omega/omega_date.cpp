#include "omega_date.h"

namespace omega {

namespace {

// Days from 1 January 1970 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// 30 December 1899 counted from 1 January 1970.
constexpr int64_t kSerialEpoch = -25569;

} // namespace

int32_t OmegaDateToSerial(const OmegaDate& date)
{
    // Months outside 1..12 roll into the neighbouring years, days outside the month
    // into the neighbouring months, so every input gives a defined day number.
    int64_t year = 1900 + int64_t{date.year};
    int64_t month = int64_t{date.month} - 1;
    year += month >= 0 ? month / 12 : (month - 11) / 12;
    month = ((month % 12) + 12) % 12 + 1;
    const int64_t days = DaysFromCivil(year, month, 1) + int64_t{date.day} - 1 - kSerialEpoch;
    return static_cast<int32_t>(days);
}

OmegaDate SerialToOmegaDate(int32_t serial)
{
    const int64_t z = int64_t{serial} + kSerialEpoch + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2);
    OmegaDate date{};
    date.month = static_cast<int32_t>(month);
    date.day = static_cast<int32_t>(day);
    date.year = static_cast<int32_t>(year - 1900);
    return date;
}

} // namespace omega
