#include "base/utf8.h"

#include <gtest/gtest.h>

namespace {

struct Encoded {
    char32_t c;
    std::string_view bytes;
};
void PrintTo(const Encoded& e, std::ostream* out) { *out << "U+" << std::hex << static_cast<unsigned>(e.c); }

class Utf8Test : public testing::TestWithParam<Encoded> {};

TEST_P(Utf8Test, WritesTheShortestForm)
{
    std::string text = "x";
    base::AppendUtf8(text, GetParam().c);
    EXPECT_EQ(text, "x" + std::string(GetParam().bytes));
}

// The first and last code point of each length.
INSTANTIATE_TEST_SUITE_P(CodePoints, Utf8Test, testing::Values(
    Encoded{0x00, std::string_view("\0", 1)}, Encoded{0x7F, "\x7F"},
    Encoded{0x80, "\xC2\x80"}, Encoded{0x7FF, "\xDF\xBF"},
    Encoded{0x800, "\xE0\xA0\x80"}, Encoded{0x20AC, "\xE2\x82\xAC"}, Encoded{0xFFFF, "\xEF\xBF\xBF"},
    Encoded{0x10000, "\xF0\x90\x80\x80"}, Encoded{0x10FFFF, "\xF4\x8F\xBF\xBF"}));

} // namespace
