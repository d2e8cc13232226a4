#include "base/csv_field.h"

namespace base {

void AppendCsvField(std::string& line, std::string_view text, std::string_view alsoQuoted)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos
        && text.find_first_of(alsoQuoted) == std::string_view::npos) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

std::string CsvField(std::string_view text, std::string_view alsoQuoted)
{
    std::string field;
    AppendCsvField(field, text, alsoQuoted);
    return field;
}

} // namespace base
