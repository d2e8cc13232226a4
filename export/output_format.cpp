#include "export/output_format.h"

#include "export/row_writers.h"
#include "sheet/sheet_file.h"

#include <algorithm>
#include <cctype>

namespace {

bool EndsWithNoCase(const std::string& name, const std::string& ending)
{
    return name.size() >= ending.size()
        && std::equal(ending.begin(), ending.end(), name.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char wanted, char got) { return std::tolower(static_cast<unsigned char>(got)) == wanted; });
}

// 65535 as "65,535".
std::string Grouped(int64_t number)
{
    std::string digits = std::to_string(number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), 1, ',');
    return digits;
}

// The first of xlsx and CSV that holds the result.
std::string HoldingFormat(int64_t columns, int64_t dataRows)
{
    const FormatLimits xlsx = LimitsOf(kOutputXlsx);
    return columns <= xlsx.columns && dataRows <= xlsx.dataRows ? "xlsx or CSV" : "CSV";
}

} // namespace

std::string FormatName(int16_t format)
{
    switch (format) {
    case kSheetBiff2: return "BIFF2";
    case kSheetBiff3: return "BIFF3";
    case kSheetBiff4: return "BIFF4";
    case kOutputXlsx: return "xlsx";
    case kOutputCsv:
    case kOutputCsvRawText: return "CSV";
    default: return "WK1";
    }
}

int16_t FormatForFileName(const std::string& name)
{
    if (EndsWithNoCase(name, ".xlsx"))
        return kOutputXlsx;
    if (EndsWithNoCase(name, ".csv"))
        return kOutputCsv;
    return kSheetWk1;
}

std::string FormatExtension(int16_t format)
{
    switch (format) {
    case kOutputXlsx: return ".xlsx";
    case kOutputCsv:
    case kOutputCsvRawText: return ".csv";
    default: return ".pat";
    }
}

FormatLimits LimitsOf(int16_t format)
{
    switch (format) {
    case kOutputXlsx: return {16384, 1048575};
    case kOutputCsv:
    case kOutputCsvRawText: return {0, 0};
    // The BIFF used range stores the last row + 1 in 16 bits, so row 65535 stays unused.
    case kSheetBiff2:
    case kSheetBiff3:
    case kSheetBiff4: return {256, 65534};
    default: return {256, 65535};
    }
}

std::optional<std::string> LimitRefusal(int16_t format, int64_t columns, int64_t dataRows)
{
    if (format == kOutputXlsx && !XlsxWriterAbsence().empty())
        return std::string(XlsxWriterAbsence()) + ": write CSV instead";
    const FormatLimits limits = LimitsOf(format);
    const std::string name = FormatName(format);
    if (limits.columns > 0 && columns > limits.columns) {
        return "the result has " + Grouped(columns) + " columns, but " + name + " holds at most "
            + Grouped(limits.columns) + ": write " + HoldingFormat(columns, dataRows) + " instead";
    }
    if (limits.dataRows > 0 && dataRows > limits.dataRows) {
        return "the result has " + Grouped(dataRows) + " data rows, but " + name + " holds at most "
            + Grouped(limits.dataRows) + ": write " + HoldingFormat(columns, dataRows) + " instead";
    }
    return std::nullopt;
}
