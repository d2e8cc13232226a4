#pragma once

#include <optional>

namespace base {

// The single-byte Windows-1252 code page of the databases and the pattern files. The
// five byte values it leaves undefined stand for the C1 control characters of the same
// number, so every byte string decodes and encodes back unchanged.
char32_t CharOfWindows1252(unsigned char byte);
// Nothing when the character has no byte in the code page.
std::optional<unsigned char> Windows1252OfChar(char32_t c);

} // namespace base
