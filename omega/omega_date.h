#pragma once

#include <qv2omg.h>

#include <cstdint>

namespace omega {

// Day numbers count days from 30 December 1899 (day 0), on the proleptic Gregorian
// calendar; 1 January 1900 is day 2 and 5 March 1998 is day 35859.
int32_t OmegaDateToSerial(const OmegaDate& date);
OmegaDate SerialToOmegaDate(int32_t serial);

} // namespace omega
