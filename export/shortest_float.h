#pragma once

#include <charconv>
#include <cstddef>

// A single-precision value as the shortest decimal that reads back as the same float: a
// stored 28.62 is "28.62", not 28.6200008392334. `text` needs room for 16 characters.
inline std::size_t ShortestFloatText(float value, char* text)
{
    return static_cast<std::size_t>(std::to_chars(text, text + 16, value).ptr - text);
}

// The double nearest to that decimal, for formats that store doubles: a reader that prints
// the double's shortest form shows the same decimal.
inline double ShortestFloatValue(float value)
{
    char text[16];
    const std::size_t length = ShortestFloatText(value, text);
    double result = 0;
    std::from_chars(text, text + length, result);
    return result;
}
