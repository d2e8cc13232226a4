#include "export/row_writers.h"

#include "export/output_format.h"

#include <algorithm>

std::unique_ptr<RowWriter> OpenRowWriter(int16_t format, const std::string& path, int16_t& result)
{
    switch (format) {
    case kOutputXlsx: return OpenXlsxRowWriter(path, result);
    case kOutputCsv: return OpenCsvRowWriter(path, result, false);
    case kOutputCsvRawText: return OpenCsvRowWriter(path, result, true);
    default: return OpenSheetRowWriter(format, path, result);
    }
}

std::size_t IsoDateText(int32_t day, char* text)
{
    // Days from 1 January 0001 to 31 December 9999, then the civil calendar from a day count
    // (the era arithmetic of the proleptic Gregorian calendar, March-based years).
    constexpr int64_t kFirst = -693593;  // 0001-01-01
    constexpr int64_t kLast = 2958465;   // 9999-12-31
    const int64_t z = std::clamp<int64_t>(day, kFirst, kLast) - 25569 + 719468;  // from 1970-03-01 era base
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int64_t dayOfMonth = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const auto put = [&text](std::size_t at, int64_t value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    };
    put(0, year, 4);
    text[4] = '-';
    put(5, month, 2);
    text[7] = '-';
    put(8, dayOfMonth, 2);
    text[10] = '\0';
    return 10;
}
