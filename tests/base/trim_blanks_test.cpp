#include "base/trim_blanks.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

TEST(TrimBlanks, TakesOnlyBlanksOffBothEnds)
{
    const struct { std::string_view text, trimmed; } cases[] = {
        {"", ""}, {"   ", ""}, {"IBM", "IBM"}, {"  IBM  ", "IBM"}, {" A B ", "A B"}, {"\tX \t", "\tX \t"}, {" X\t ", "X\t"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(base::TrimBlanks(c.text), c.trimmed);
        // The same on 16-bit text, as the window's text boxes hold it.
        const std::u16string wide(c.text.begin(), c.text.end()), wideTrimmed(c.trimmed.begin(), c.trimmed.end());
        EXPECT_TRUE(base::TrimBlanks(std::u16string_view(wide)) == wideTrimmed);
    }
}

} // namespace
