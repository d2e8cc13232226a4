#pragma once

// Price rows as text: Date,Open,High,Low,Close,Volume[,Open_Interest], ISO dates, an
// empty price for a missing one. What FormatPriceCsvLine writes, ReadPriceCsv reads
// back to the same bits.

#include "db_format.h"
#include "status.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv2omg {

struct PriceTable {
    std::vector<PriceRow> rows;
    bool hasOpenInterest = false;
};

// A date written YYYY-MM-DD, as yyyymmdd; nothing unless it is a real calendar date.
std::optional<uint32_t> ParseIsoDate(std::string_view text);
std::string FormatIsoDate(uint32_t date);

// Reads every row of `in`; `sourceName` names it in messages ("prices.csv:12: ...").
// Rows must be in strictly increasing date order, with 6 columns, or 7 throughout.
Status ReadPriceCsv(std::istream& in, const std::string& sourceName, PriceTable& table);

std::string FormatPriceCsvHeader(bool withOpenInterest);
std::string FormatPriceCsvLine(const PriceRow& row, bool withOpenInterest);

} // namespace qv2omg
