#include "base/windows1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Windows1252, MapsEachByteToItsCharacter)
{
    const struct { unsigned char byte; char32_t c; } cases[] = {
        {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x20AC},  // euro
        {0x81, 0x0081},  // one of the five undefined bytes: its own number
        {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x96, 0x2013}, {0x9D, 0x009D},
        {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}};
    for (const auto& c : cases)
        EXPECT_EQ(base::CharOfWindows1252(c.byte), c.c) << "byte " << std::hex << static_cast<unsigned>(c.byte);
}

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
