#include "quality/database_check.h"

namespace quality {

PriceInput InputOfRow(const qv2omg::PriceRow& row, bool withOpenInterest)
{
    auto price = [](float value) {
        return qv2omg::IsMissingPrice(value) ? std::nullopt : std::optional<double>(value);
    };
    PriceInput input;
    input.date = row.date;
    input.open = price(row.open);
    input.high = price(row.high);
    input.low = price(row.low);
    input.close = price(row.close);
    input.volume = row.volume;
    if (withOpenInterest)
        input.openInterest = row.openInterest;
    return input;
}

PriceInput InputOfRecord(const PriceRecord& record, bool withOpenInterest)
{
    const qv2omg::PriceRow row{static_cast<uint32_t>(qv2omg::DateKey(record.date.year, record.date.month, record.date.day)),
                               record.open, record.high, record.low, record.close, record.volume, record.openInterest};
    return InputOfRow(row, withOpenInterest);
}

void CheckData(qv2omg::DataReader& data, const qv2omg::SecurityEntry& entry, const PriceChecker::Sink& sink)
{
    PriceChecker checker(DefaultLimits(PeriodOfCode(entry.period)), sink);
    const bool withOpenInterest = (entry.flags & qv2omg::kHasOpenInterest) != 0;
    qv2omg::PriceRow row;
    while (data.Next(row))
        checker.Add(InputOfRow(row, withOpenInterest));
    checker.Finish();
}

} // namespace quality
