#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace native {

// The path named by a text as callers of the C functions and the writer hand it over: on
// Windows in the ANSI code page (as the program and foreign callers pass it), elsewhere as
// the bytes the file system takes.
std::filesystem::path PathFromText(std::string_view text);
// The reverse: a path as text of that kind (on Windows a name the code page cannot hold
// comes back with '?' and names no file).
std::string TextFromPath(const std::filesystem::path& path);

// Position of the separator before the last name in `path`, or npos. On Windows both '/'
// and '\' separate, and "C:name" names a file in drive C's current folder.
std::size_t LastSeparator(std::string_view path);

} // namespace native
