#include "base/utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, WritesTheShortestForm)
{
    // The first and last code point of each length.
    const struct { char32_t c; std::string_view bytes; } cases[] = {
        {0x00, std::string_view("\0", 1)}, {0x7F, "\x7F"}, {0x80, "\xC2\x80"}, {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"}, {0x20AC, "\xE2\x82\xAC"}, {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"}, {0x10FFFF, "\xF4\x8F\xBF\xBF"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<unsigned>(c.c));
        std::string text = "x";
        base::AppendUtf8(text, c.c);
        EXPECT_EQ(text, "x" + std::string(c.bytes));
    }
}

} // namespace
