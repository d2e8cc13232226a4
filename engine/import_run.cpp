#include "engine/import_run.h"

#include "base/calendar.h"
#include "base/trim_blanks.h"
#include "base/utf8.h"
#include "base/windows1252.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr std::array<const char*, 6> kColumnSuffixes = {
    "_Open", "_High", "_Low", "_Close", "_Volume", "_Open_Interest",
};

// A character of the code page that shows nothing: the controls, the C1 controls the
// undefined bytes stand for, and the soft hyphen.
bool IsShown(char32_t c)
{
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c <= 0x9F) && c != 0xAD;
}

} // namespace

int16_t IsValidRecord(const PriceRecord& record)
{
    return HasAllPrices(record.open, record.high, record.low, record.close) ? -1 : 0;
}

RowValue PriceValue(float value)
{
    return IsMissingPrice(value) ? RowValue::OfMissing() : RowValue::OfPrice(value);
}

int32_t EstimateRecordCount(int32_t firstDay, int32_t lastDay)
{
    const double days = static_cast<double>(int64_t{lastDay} - int64_t{firstDay});
    const double estimate = std::nearbyint(days * 5 / 7);  // never exactly halfway: 7 is odd
    return static_cast<int32_t>(std::clamp(estimate, 0.0, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

int32_t DayOfRecord(const PriceRecord& record)
{
    return base::SerialOfStored(record.date.year, record.date.month, record.date.day);
}

std::optional<engine::HeldSecurity> FindSecurity(const engine::DataSource& source, std::string_view symbol)
{
    if (std::optional<engine::HeldSecurity> found = source.Find(symbol))
        return found;
    const std::string_view trimmed = base::TrimBlanks(symbol);
    return trimmed.size() != symbol.size() && !trimmed.empty() ? source.Find(trimmed) : std::nullopt;
}

std::optional<std::string> PrepareImport(const engine::DataSource& source, const std::optional<std::string>& symbol,
                                         std::optional<int32_t> from, std::optional<int32_t> to,
                                         ImportRequest& request)
{
    const std::optional<engine::HeldSecurity> security = symbol ? FindSecurity(source, *symbol) : std::nullopt;
    if (!security)
        return "no such security in " + source.Name();
    const auto extent = source.Extent(security->symbol);
    if (!extent)
        return std::string("its data are unavailable (the data file is missing, unreadable or empty)");
    const auto [dataFirst, dataLast] = *extent;
    request.firstDay = std::max(from.value_or(dataFirst), dataFirst);
    request.lastDay = std::min(to.value_or(dataLast), dataLast);
    if (request.firstDay > request.lastDay) {
        return "no data in the dates asked for (it holds " + base::IsoDateOfSerial(dataFirst) + " to "
            + base::IsoDateOfSerial(dataLast) + ")";
    }
    // As held, blanks and all: " X" and "X " are securities of their own, not X.
    request.symbol = security->symbol;
    return std::nullopt;
}

std::string SymbolFileName(const std::string& symbol)
{
    static constexpr std::string_view kUnsafe = "/\\:*?\"<>|%";
    std::string name;
    for (size_t i = 0; i < symbol.size(); ++i) {
        const auto byte = static_cast<unsigned char>(symbol[i]);
        const char32_t shown = base::CharOfWindows1252(byte);
        const bool edge = (i == 0 && byte == '.') || (i == symbol.size() - 1 && (byte == '.' || byte == ' '));
        if (!IsShown(shown) || kUnsafe.find(static_cast<char>(byte)) != std::string_view::npos || edge) {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            name += escaped;
        } else {
            base::AppendUtf8(name, shown);
        }
    }
    return name;
}

std::vector<std::string> ImportHeaderRow(const std::string& symbol, bool openInterest)
{
    std::vector<std::string> names = {"Date"};
    for (size_t i = 0; i < (openInterest ? 6u : 5u); ++i)
        names.push_back(symbol + kColumnSuffixes[i]);
    return names;
}

ImportOutcome RunImport(const engine::DataSource& source, const ImportRequest& request, const ImportHooks& hooks)
{
    ImportOutcome outcome;
    std::unique_ptr<RowWriter> writer = OpenRowWriter(request.fileType, request.patternFile, outcome.result);
    if (!writer)
        return outcome;
    outcome.result = writer->WriteHeader(ImportHeaderRow(request.symbol, request.openInterest));
    if (outcome.result != kSheetOk)
        return outcome;

    std::unique_ptr<engine::Records> data = source.Open(request.symbol, request.firstDay, request.lastDay);
    const int32_t estimate = EstimateRecordCount(request.firstDay, request.lastDay);
    if (hooks.started)
        hooks.started(estimate);

    PriceRecord record{};
    std::array<RowValue, 6> values;
    const size_t valueCount = request.openInterest ? 6 : 5;
    for (;;) {
        if (hooks.beforeRead)
            hooks.beforeRead();
        const int16_t delivered = data->Read(record);
        if (delivered <= 0)
            break;
        outcome.recordsRead += std::min<int32_t>(delivered, std::numeric_limits<int32_t>::max() - outcome.recordsRead);
        if (hooks.progress)
            hooks.progress(outcome.recordsRead);

        const bool skipInvalid = hooks.skipInvalid && hooks.skipInvalid();
        if (IsValidRecord(record) || !skipInvalid) {
            values = {PriceValue(record.open), PriceValue(record.high), PriceValue(record.low),
                      PriceValue(record.close), RowValue::OfCount(record.volume),
                      RowValue::OfCount(record.openInterest)};
            // The writer refuses a row past the format's last one, so the count cannot run over.
            outcome.result = writer->WriteRow(DayOfRecord(record), {values.data(), valueCount});
            if (outcome.result != kSheetOk)
                return outcome;
            ++outcome.rowsWritten;
            if (hooks.rowWritten)
                hooks.rowWritten(record);
        }
        if (hooks.interrupted && hooks.interrupted()) {
            outcome.interrupted = true;
            break;
        }
    }
    if (hooks.progress)
        hooks.progress(estimate);
    data.reset();
    outcome.datesAsText = writer->DatesWrittenAsText();
    if (outcome.interrupted && !hooks.keepRowsWhenInterrupted)
        return outcome;  // the writer abandons the file
    outcome.result = writer->Close();
    return outcome;
}

std::string DatesAsTextNote(int64_t count)
{
    return std::to_string(count) + (count == 1 ? " date" : " dates")
        + " before 1900 written as yyyy-mm-dd text: the xlsx date system begins in 1900";
}
