#pragma once

#include <string>
#include <string_view>

namespace base {

// A CSV field as RFC 4180 has it: in quotes, its quotes doubled, when it holds a comma, a
// quote or a line break, or one of the characters of `alsoQuoted`.
void AppendCsvField(std::string& line, std::string_view text, std::string_view alsoQuoted = {});
std::string CsvField(std::string_view text, std::string_view alsoQuoted = {});

} // namespace base
