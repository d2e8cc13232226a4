#include "base/windows1252.h"

#include <gtest/gtest.h>

namespace {

struct CodePoint {
    unsigned char byte;
    char32_t c;
};
void PrintTo(const CodePoint& p, std::ostream* out) { *out << "byte " << std::hex << static_cast<unsigned>(p.byte); }

class Windows1252Test : public testing::TestWithParam<CodePoint> {};

TEST_P(Windows1252Test, MapsBothWays)
{
    EXPECT_EQ(base::CharOfWindows1252(GetParam().byte), GetParam().c);
    EXPECT_EQ(base::Windows1252OfChar(GetParam().c), GetParam().byte);
}

INSTANTIATE_TEST_SUITE_P(Bytes, Windows1252Test, testing::Values(
    CodePoint{0x00, 0x0000}, CodePoint{0x41, 0x0041}, CodePoint{0x7F, 0x007F},
    CodePoint{0x80, 0x20AC},  // euro
    CodePoint{0x81, 0x0081},  // one of the five undefined bytes: its own number
    CodePoint{0x8A, 0x0160}, CodePoint{0x8D, 0x008D}, CodePoint{0x8F, 0x008F}, CodePoint{0x90, 0x0090},
    CodePoint{0x96, 0x2013}, CodePoint{0x9D, 0x009D}, CodePoint{0x9F, 0x0178},
    CodePoint{0xA0, 0x00A0}, CodePoint{0xE9, 0x00E9}, CodePoint{0xFF, 0x00FF}));

TEST(Windows1252, EveryByteComesBackAndOthersHaveNone)
{
    for (unsigned byte = 0; byte < 256; ++byte)
        EXPECT_EQ(base::Windows1252OfChar(base::CharOfWindows1252(static_cast<unsigned char>(byte))), byte);
    // The code points the upper half of 0x80-0x9F stands in for: not bytes themselves.
    for (const char32_t c : {char32_t{0x80}, char32_t{0x8A}, char32_t{0x9F}, char32_t{0x100}, char32_t{0x20AD},
                             char32_t{0xFFFD}, char32_t{0x1F600}})
        EXPECT_EQ(base::Windows1252OfChar(c), std::nullopt) << static_cast<unsigned>(c);
}

} // namespace
