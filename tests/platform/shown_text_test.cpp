#include "platform/native/shown_text.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <optional>
#include <string>

namespace {

struct ShownCase : NamedCase<ShownCase> {
    std::string input;
    std::string fromDatabase;  // the input as Windows-1252
    std::string fromArgument;  // the input as UTF-8
};

class ShownTextTest : public testing::TestWithParam<ShownCase> {};

TEST_P(ShownTextTest, EscapesEveryControlCharacter)
{
    EXPECT_EQ(native::ShownWindows1252(GetParam().input), GetParam().fromDatabase);
    EXPECT_EQ(native::ShownUtf8(GetParam().input), GetParam().fromArgument);
}

INSTANTIATE_TEST_SUITE_P(Texts, ShownTextTest, testing::Values(
    ShownCase{"Plain", "IBM 1.5", "IBM 1.5", "IBM 1.5"},
    ShownCase{"CrTabNulDel", std::string("a\r\t\0\x7F", 5), "a\\x0D\\x09\\x00\\x7F", "a\\x0D\\x09\\x00\\x7F"},
    // 0x9B is a one-byte CSI to some terminals: in the database it is a single right quote.
    ShownCase{"HighBytes", "\x9B\x80\xDC", "\u203A\u20AC\u00DC", "\\x9B\\x80\\xDC"},
    ShownCase{"UndefinedInTheCodePage", "\x81\x8D\x8F\x90\x9D", "\\x81\\x8D\\x8F\\x90\\x9D",
              "\\x81\\x8D\\x8F\\x90\\x9D"},
    // A C1 control written in UTF-8 is shown by its number; a cut or overlong sequence byte by byte.
    ShownCase{"Utf8", "\xC3\x9C\xE2\x82\xAC\xC2\x9B\xC0\xAF\xE0\x80\xAF\xE2\x82",
              "\u00C3\u0153\u00E2\u201A\u00AC\u00C2\u203A\u00C0\u00AF\u00E0\u20AC\u00AF\u00E2\u201A",
              "\u00DC\u20AC\\x9B\\xC0\\xAF\\xE0\\x80\\xAF\\xE2\\x82"}),
    CaseName());

TEST(ShownText, TypedTextIsStoredInWindows1252OrTheCharacterIsNamed)
{
    EXPECT_EQ(native::Windows1252FromUtf8("\u00DC\u20AC" "X \u201Cq\u201D"), std::optional<std::string>("\xDC\x80X \x93q\x94"));
    std::string unheld;
    EXPECT_EQ(native::Windows1252FromUtf8("A\u2603B", &unheld), std::nullopt);
    EXPECT_EQ(unheld, "\u2603");
    EXPECT_EQ(native::Windows1252FromUtf8("A\xFF", &unheld), std::nullopt);
    EXPECT_EQ(unheld, "\\xFF");
}

} // namespace
