#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text from a database or a command line on its way to a terminal or a message. A control
// character (C0, DEL, C1) is written as \xNN, so nothing read can move the cursor, ring the
// bell, start an escape sequence or talk to the clipboard.
namespace native {

// Windows-1252 bytes, as databases hold them, as UTF-8 with the control characters escaped.
// The five bytes the code page leaves undefined are controls of the same number.
std::string ShownWindows1252(std::string_view text);

// UTF-8 (an argument, or a message that holds one) with the control characters escaped, and
// each byte that is not part of a well-formed sequence too.
std::string ShownUtf8(std::string_view text);

// UTF-8 as Windows-1252 bytes; nothing when a character has no byte there, and then
// `unheld` is that character (as UTF-8, or the \xNN of a malformed byte).
std::optional<std::string> Windows1252FromUtf8(std::string_view text, std::string* unheld = nullptr);

} // namespace native
