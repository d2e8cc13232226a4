#include "base/windows1252.h"

#include <gtest/gtest.h>

namespace {

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
