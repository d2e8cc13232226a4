#include "base/trim_blanks.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

struct Trimmed {
    std::string_view text;
    std::string_view trimmed;
};

void PrintTo(const Trimmed& t, std::ostream* out) { *out << testing::PrintToString(std::string(t.text)); }

class TrimBlanksTest : public testing::TestWithParam<Trimmed> {};

TEST_P(TrimBlanksTest, TakesOnlyBlanksOffBothEnds)
{
    EXPECT_EQ(base::TrimBlanks(GetParam().text), GetParam().trimmed);
    // The same on 16-bit text, as the window's text boxes hold it.
    const std::u16string wide(GetParam().text.begin(), GetParam().text.end());
    const std::u16string wideTrimmed(GetParam().trimmed.begin(), GetParam().trimmed.end());
    EXPECT_TRUE(base::TrimBlanks(std::u16string_view(wide)) == wideTrimmed);
}

INSTANTIATE_TEST_SUITE_P(Texts, TrimBlanksTest, testing::Values(
    Trimmed{"", ""}, Trimmed{"   ", ""}, Trimmed{"IBM", "IBM"}, Trimmed{"  IBM  ", "IBM"},
    Trimmed{" A B ", "A B"}, Trimmed{"\tX \t", "\tX \t"}, Trimmed{" X\t ", "X\t"}));

} // namespace
