#include "price_csv.h"

#include "base/calendar.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <istream>

namespace qv2omg {

namespace {

constexpr const char* kColumnNames[] = {"Date", "Open", "High", "Low", "Close", "Volume", "Open_Interest"};

std::string_view Trim(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t comma = line.find(',');
        fields.push_back(Trim(line.substr(0, comma)));
        if (comma == std::string_view::npos)
            return fields;
        line.remove_prefix(comma + 1);
    }
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word)
{
    return SameSymbol(text, word);
}

std::optional<float> ParsePrice(std::string_view text)
{
    if (text.empty())
        return MissingPrice();
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Values at or above the marker would read back as missing, so they are not prices.
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || IsMissingPrice(value))
        return std::nullopt;
    return value;
}

enum class IntegerProblem { None, NotWhole, OutOfRange };

// A volume or open interest: a whole number the database's 32 bits hold.
IntegerProblem ParseInteger(std::string_view text, int32_t& value)
{
    value = 0;
    if (text.empty())
        return IntegerProblem::None;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() || (error != std::errc() && error != std::errc::result_out_of_range))
        return IntegerProblem::NotWhole;
    return error == std::errc() ? IntegerProblem::None : IntegerProblem::OutOfRange;
}

std::string Quote(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

void AppendPrice(std::string& line, float value)
{
    line += ',';
    if (IsMissingPrice(value))
        return;
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    line.append(text, result.ptr);
}

void AppendInteger(std::string& line, int32_t value)
{
    line += ',';
    line += std::to_string(value);
}

} // namespace

std::optional<uint32_t> ParseIsoDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    uint32_t date = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 4 || i == 7)
            continue;
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        date = date * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    if (!IsValidDate(date))
        return std::nullopt;
    return date;
}

std::string FormatIsoDate(uint32_t date)
{
    return base::IsoDateOfYyyymmdd(date);
}

Status ReadPriceCsv(std::istream& in, const std::string& sourceName, PriceTable& table)
{
    table = {};
    size_t columns = 0;
    size_t lineNumber = 0;
    size_t previousLine = 0;
    bool seenContent = false;
    std::string line;
    const auto fail = [&](const std::string& what) {
        return Status::Failure(sourceName + ":" + std::to_string(lineNumber) + ": " + what);
    };

    while (std::getline(in, line)) {
        ++lineNumber;
        std::string_view text = line;
        if (lineNumber == 1 && text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (Trim(text).empty())
            continue;

        const std::vector<std::string_view> fields = SplitFields(text);
        const bool first = !seenContent;
        seenContent = true;
        if (first && EqualsIgnoringCase(fields[0], "Date"))
            continue;

        if (fields.size() < 6 || fields.size() > 7)
            return fail("expected 6 or 7 columns (Date,Open,High,Low,Close,Volume[,Open_Interest]), found "
                        + std::to_string(fields.size()));
        if (columns == 0)
            columns = fields.size();
        else if (fields.size() != columns)
            return fail("found " + std::to_string(fields.size()) + " columns where the rows before have "
                        + std::to_string(columns));

        PriceRow row;
        const std::optional<uint32_t> date = ParseIsoDate(fields[0]);
        if (!date)
            return fail("bad date " + Quote(fields[0]) + " (expected YYYY-MM-DD)");
        row.date = *date;
        float* prices[] = {&row.open, &row.high, &row.low, &row.close};
        for (size_t i = 0; i < 4; ++i) {
            const std::optional<float> price = ParsePrice(fields[i + 1]);
            if (!price)
                return fail(std::string("bad ") + kColumnNames[i + 1] + " price " + Quote(fields[i + 1]));
            *prices[i] = *price;
        }
        int32_t* integers[] = {&row.volume, &row.openInterest};
        for (size_t i = 5; i < fields.size(); ++i) {
            switch (ParseInteger(fields[i], *integers[i - 5])) {
            case IntegerProblem::None: break;
            case IntegerProblem::NotWhole:
                return fail(std::string("bad ") + kColumnNames[i] + " " + Quote(fields[i])
                            + " (expected a whole number)");
            case IntegerProblem::OutOfRange:
                return fail(std::string("bad ") + kColumnNames[i] + " " + Quote(fields[i])
                            + " (out of the range held, -2147483648 to 2147483647)");
            }
        }

        if (!table.rows.empty()) {
            const uint32_t previous = table.rows.back().date;
            if (row.date == previous)
                return fail("date " + FormatIsoDate(row.date) + " appears twice (also on line "
                            + std::to_string(previousLine) + ")");
            if (row.date < previous)
                return fail("date " + FormatIsoDate(row.date) + " comes after " + FormatIsoDate(previous)
                            + " on line " + std::to_string(previousLine) + "; rows must be in date order");
        }
        table.rows.push_back(row);
        previousLine = lineNumber;
    }
    if (in.bad())
        return Status::Failure(sourceName + ": cannot be read");
    if (table.rows.empty())
        return Status::Failure(sourceName + ": holds no price rows");
    table.hasOpenInterest = columns == 7;
    return Status::Ok();
}

std::string FormatPriceCsvHeader(bool withOpenInterest)
{
    return withOpenInterest ? "Date,Open,High,Low,Close,Volume,Open_Interest" : "Date,Open,High,Low,Close,Volume";
}

std::string FormatPriceCsvLine(const PriceRow& row, bool withOpenInterest)
{
    std::string line = FormatIsoDate(row.date);
    AppendPrice(line, row.open);
    AppendPrice(line, row.high);
    AppendPrice(line, row.low);
    AppendPrice(line, row.close);
    AppendInteger(line, row.volume);
    if (withOpenInterest)
        AppendInteger(line, row.openInterest);
    return line;
}

} // namespace qv2omg
