#include "quality/database_check.h"

#include <string>

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
    uint32_t lastDate = 0;
    while (data.Next(row)) {
        checker.Add(InputOfRow(row, withOpenInterest));
        lastDate = row.date;
    }
    checker.Finish();
    // A torn or cut file: the records it still holds were checked above.
    if (!data.IsIntact()) {
        sink({FindingKind::DamagedFile, lastDate, checker.Count(), "records=" + std::to_string(data.Count()),
              "the data file's size disagrees with its record count; its " + std::to_string(data.Count())
                  + " complete records were checked"});
    }
}

} // namespace quality
