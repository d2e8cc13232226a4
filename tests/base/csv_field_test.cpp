#include "base/csv_field.h"

#include <gtest/gtest.h>

namespace {

TEST(CsvField, QuotesWhatAReaderWouldSplit)
{
    const struct { std::string_view text, alsoQuoted, written; } cases[] = {
        {"", "", ""}, {"plain text", "", "plain text"}, {"a,b", "", "\"a,b\""},
        {"say \"hi\"", "", "\"say \"\"hi\"\"\""}, {"\"", "", "\"\"\"\""}, {"two\rlines", "", "\"two\rlines\""},
        {"line\n", "", "\"line\n\""}, {"back\\slash", "", "back\\slash"}, {"back\\slash", "\\", "\"back\\slash\""},
        {"a,b", "\\", "\"a,b\""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.written)));
        EXPECT_EQ(base::CsvField(c.text, c.alsoQuoted), c.written);
        std::string line = "a,";
        base::AppendCsvField(line, c.text, c.alsoQuoted);
        EXPECT_EQ(line, "a," + std::string(c.written));
    }
}

} // namespace
