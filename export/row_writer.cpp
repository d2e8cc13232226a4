#include "export/row_writers.h"

#include "base/calendar.h"
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
    // Years 1 to 9999: the four digits of the text.
    constexpr int64_t kFirst = -693593;  // 0001-01-01
    constexpr int64_t kLast = 2958465;   // 9999-12-31
    const base::CivilDate date = base::CivilOfSerial(std::clamp<int64_t>(day, kFirst, kLast));
    const auto put = [&text](std::size_t at, int64_t value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    };
    put(0, date.year, 4);
    text[4] = '-';
    put(5, date.month, 2);
    text[7] = '-';
    put(8, date.day, 2);
    text[10] = '\0';
    return 10;
}
