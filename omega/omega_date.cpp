#include "omega_date.h"

#include "base/calendar.h"

namespace omega {

int32_t OmegaDateToSerial(const OmegaDate& date)
{
    return base::SerialOfStored(date.year, date.month, date.day);
}

OmegaDate SerialToOmegaDate(int32_t serial)
{
    const base::CivilDate civil = base::CivilOfSerial(serial);
    OmegaDate date{};
    date.month = civil.month;
    date.day = civil.day;
    date.year = static_cast<int32_t>(civil.year - 1900);
    return date;
}

} // namespace omega
