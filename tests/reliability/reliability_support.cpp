#include "reliability_support.h"

#include "qv2omg/data_reader.h"
#include "qv2omg/header_reader.h"
#include "qv2omg/price_csv.h"

#include <fstream>

std::vector<qv2omg::PriceRow> DailyRows(int count)
{
    std::vector<qv2omg::PriceRow> rows;
    for (int i = 0; i < count; ++i) {
        const int month = i / 28;
        const auto date = static_cast<uint32_t>((1990 + month / 12) * 10000 + (month % 12 + 1) * 100 + i % 28 + 1);
        const float price = 10.0f + 0.25f * static_cast<float>(i % 400);
        rows.push_back({date, price, price + 1, price - 1, price + 0.5f, 1000 + i, 500 + i});
    }
    return rows;
}

void WritePriceCsv(const std::filesystem::path& path, const std::vector<qv2omg::PriceRow>& rows)
{
    std::ofstream out(path, std::ios::binary);
    out << qv2omg::FormatPriceCsvHeader(true) << '\n';
    for (const qv2omg::PriceRow& row : rows)
        out << qv2omg::FormatPriceCsvLine(row, true) << '\n';
}

std::vector<std::string> DatabaseContents(const std::filesystem::path& directory)
{
    qv2omg::HeaderReader header;
    if (!header.Open(directory) || !header.IsIntact())
        return {"damaged header file"};
    std::vector<std::string> contents;
    for (uint32_t i = 0; i < header.Count(); ++i) {
        qv2omg::SecurityEntry entry;
        qv2omg::DataReader data;
        if (!header.Read(i, entry) || !data.Open(directory / std::string(qv2omg::FieldText(entry.dataFile)))
            || !data.IsIntact())
            return {"damaged data file of entry " + std::to_string(i)};
        uint32_t read = 0;
        for (qv2omg::PriceRow row; data.Next(row);)
            ++read;
        contents.push_back(std::string(qv2omg::FieldText(entry.symbol)) + " " + std::to_string(read));
    }
    return contents;
}
