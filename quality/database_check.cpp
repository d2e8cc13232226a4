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
