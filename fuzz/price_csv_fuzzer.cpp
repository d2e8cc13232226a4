// The price CSV reader (omegadb add): a table it accepts, written out again, reads back the same.

#include "fuzz_support.h"
#include "qv2omg/price_csv.h"

#include <bit>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto written = [](const qv2omg::PriceTable& table) {
        std::string text = qv2omg::FormatPriceCsvHeader(table.hasOpenInterest) + "\n";
        for (const qv2omg::PriceRow& row : table.rows)
            text += qv2omg::FormatPriceCsvLine(row, table.hasOpenInterest) + "\n";
        return text;
    };
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    qv2omg::PriceTable table;
    if (!qv2omg::ReadPriceCsv(in, "fuzz.csv", table).IsOk())
        return 0;
    FUZZ_CHECK(!table.rows.empty());

    const std::string text = written(table);
    std::istringstream again(text);
    qv2omg::PriceTable reread;
    FUZZ_CHECK(qv2omg::ReadPriceCsv(again, "again.csv", reread).IsOk());
    FUZZ_CHECK(reread.hasOpenInterest == table.hasOpenInterest);
    FUZZ_CHECK(reread.rows.size() == table.rows.size());
    const auto bits = [](float value) { return std::bit_cast<uint32_t>(value); };
    for (size_t i = 0; i < table.rows.size(); ++i) {
        const qv2omg::PriceRow &a = reread.rows[i], &b = table.rows[i];
        FUZZ_CHECK(a.date == b.date && a.volume == b.volume && a.openInterest == b.openInterest);
        FUZZ_CHECK(bits(a.open) == bits(b.open) && bits(a.high) == bits(b.high) && bits(a.low) == bits(b.low)
                   && bits(a.close) == bits(b.close));
    }
    return 0;
}
