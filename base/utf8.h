#pragma once

#include <string>

namespace base {

// `c` as UTF-8 at the end of `text`; `c` is a code point (at most 0x10FFFF).
void AppendUtf8(std::string& text, char32_t c);

} // namespace base
