// The price CSV reader (omegadb add) on arbitrary text. Besides crashes: every table it
// accepts, written out again, reads back to the same bits, and writes the same text.

#include "fuzz_check.h"
#include "qv2omg/price_csv.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

namespace {

std::string Written(const qv2omg::PriceTable& table)
{
    std::string text = qv2omg::FormatPriceCsvHeader(table.hasOpenInterest) + "\n";
    for (const qv2omg::PriceRow& row : table.rows)
        text += qv2omg::FormatPriceCsvLine(row, table.hasOpenInterest) + "\n";
    return text;
}

bool SameBits(const qv2omg::PriceRow& a, const qv2omg::PriceRow& b)
{
    const auto bits = [](float value) { uint32_t u; std::memcpy(&u, &value, 4); return u; };
    return a.date == b.date && bits(a.open) == bits(b.open) && bits(a.high) == bits(b.high)
        && bits(a.low) == bits(b.low) && bits(a.close) == bits(b.close) && a.volume == b.volume
        && a.openInterest == b.openInterest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    qv2omg::PriceTable table;
    if (!qv2omg::ReadPriceCsv(in, "fuzz.csv", table).IsOk())
        return 0;
    FUZZ_CHECK(!table.rows.empty());

    const std::string text = Written(table);
    std::istringstream again(text);
    qv2omg::PriceTable reread;
    FUZZ_CHECK(qv2omg::ReadPriceCsv(again, "again.csv", reread).IsOk());
    FUZZ_CHECK(reread.hasOpenInterest == table.hasOpenInterest);
    FUZZ_CHECK(reread.rows.size() == table.rows.size());
    for (size_t i = 0; i < table.rows.size(); ++i)
        FUZZ_CHECK(SameBits(reread.rows[i], table.rows[i]));
    FUZZ_CHECK(Written(reread) == text);
    return 0;
}
