#pragma once

#include <cstdint>
#include <string>

namespace base {

// Day numbers count days from 30 December 1899 (day 0) on the proleptic Gregorian
// calendar, as the pattern files' date cells do: 1 January 1900 is day 2, 1 January 1970
// day 25569. Years are astronomical (year 0 is 1 BC) and any int64 day number has a date.
struct CivilDate {
    int64_t year = 0;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
};

// Months outside 1..12 roll into the neighbouring years, days outside the month into the
// neighbouring months, so every input has a day number.
int64_t SerialOfCivil(int64_t year, int64_t month, int64_t day);
CivilDate CivilOfSerial(int64_t serial);

} // namespace base

namespace base {

// A day number as yyyy-mm-dd (ISO 8601), the year with at least four digits.
std::string IsoDateOfSerial(int64_t serial);
// A stored yyyymmdd date as yyyy-mm-dd, digit for digit, whether or not it is a calendar date.
std::string IsoDateOfYyyymmdd(uint32_t date);
// Whether the day is one of the calendar's: month 1..12, day within the month.
bool IsCalendarDate(int64_t year, int64_t month, int64_t day);
// The day number of a day of the databases' own dates, whose year counts from 1900.
int32_t SerialOfStored(int32_t yearsSince1900, int32_t month, int32_t day);

} // namespace base
