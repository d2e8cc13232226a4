#include "price_record.h"

#include <cstring>

namespace qv2omg {

OmegaDate ToOmegaDate(uint32_t date)
{
    OmegaDate omegaDate{};
    omegaDate.month = static_cast<int32_t>(date / 100 % 100);
    omegaDate.day = static_cast<int32_t>(date % 100);
    omegaDate.year = static_cast<int32_t>(date / 10000) - 1900;
    return omegaDate;
}

void FillPriceRecord(const PriceRow& row, PriceRecord& record)
{
    std::memset(&record, 0, sizeof record);
    record.date = ToOmegaDate(row.date);
    record.open = row.open;
    record.high = row.high;
    record.low = row.low;
    record.close = row.close;
    record.volume = row.volume;
    record.openInterest = row.openInterest;
}

} // namespace qv2omg
