#include "workbook/workbook_reader.h"

#include "base/calendar.h"
#include "platform/native/native_file.h"

#include <algorithm>
#include <chrono>

namespace {

bool EndsWithNoCase(const std::string& text, std::string_view end)
{
    if (text.size() < end.size())
        return false;
    return std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char lower, char c) { return lower == (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
}

} // namespace

WorkbookKind WorkbookKindOf(const std::string& path)
{
    if (native::TypeOf(path) == native::FileType::Folder)
        return WorkbookKind::Other;
    // A pipe or device is not opened for a look: its reader refuses it by name.
    std::string error;
    if (const int fd = native::OpenRegularForReading(path, error); fd >= 0) {
        char start[4] = {};
        const long long got = native::Read(fd, start, sizeof start);
        native::Close(fd);
        if (got == 4 && start[0] == 'P' && start[1] == 'K'
            && ((start[2] == 3 && start[3] == 4) || (start[2] == 5 && start[3] == 6)))
            return WorkbookKind::Xlsx;
    }
    if (EndsWithNoCase(path, ".xlsx"))
        return WorkbookKind::Xlsx;
    if (EndsWithNoCase(path, ".csv"))
        return WorkbookKind::Csv;
    return WorkbookKind::Other;
}

std::string WorkbookColumnLetters(int32_t column)
{
    std::string letters;
    for (int64_t n = static_cast<int64_t>(column) + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

std::string WorkbookAreaText(int32_t firstRow, int32_t firstColumn, int32_t lastRow, int32_t lastColumn)
{
    if (firstRow > lastRow || firstColumn > lastColumn)
        return "empty";
    return WorkbookColumnLetters(firstColumn) + std::to_string(static_cast<int64_t>(firstRow) + 1) + ":"
        + WorkbookColumnLetters(lastColumn) + std::to_string(static_cast<int64_t>(lastRow) + 1);
}

bool WorkbookDayOfIsoDate(std::string_view text, int32_t& day)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    int parts[3] = {};
    const std::size_t starts[3] = {0, 5, 8};
    const std::size_t lengths[3] = {4, 2, 2};
    for (int i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < lengths[i]; ++j) {
            const char c = text[starts[i] + j];
            if (c < '0' || c > '9')
                return false;
            parts[i] = parts[i] * 10 + (c - '0');
        }
    using namespace std::chrono;
    const year_month_day date{year(parts[0]), month(static_cast<unsigned>(parts[1])), std::chrono::day(static_cast<unsigned>(parts[2]))};
    if (parts[0] < 1 || !date.ok())
        return false;
    day = static_cast<int32_t>(base::SerialOfCivil(parts[0], parts[1], parts[2]));
    return true;
}

void WorkbookCutText(std::string& text)
{
    std::size_t end = std::min(text.size(), kMaxCellText);
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    text += kCutMark;
}
