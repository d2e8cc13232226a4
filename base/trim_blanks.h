#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// `text` without leading and trailing blanks (only blanks: a tab is kept). For any view of
// characters that has data(), size() and a (pointer, length) constructor: the symbol fields
// of the databases (std::string_view) and the window's text boxes (QStringView) alike.
template <class View>
View TrimBlanks(View text)
{
    std::size_t first = 0;
    std::size_t last = static_cast<std::size_t>(text.size());
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return View(text.data() + first, last - first);
}

} // namespace base

namespace base {

// A symbol as listings and messages show it: in double quotes when a blank leads or
// trails, which would not be seen otherwise (" X" and "X" are securities of their own).
inline std::string ShownSymbol(std::string_view symbol)
{
    if (!symbol.empty() && (symbol.front() == ' ' || symbol.back() == ' '))
        return '"' + std::string(symbol) + '"';
    return std::string(symbol);
}

} // namespace base
