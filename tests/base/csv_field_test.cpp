#include "base/csv_field.h"

#include <gtest/gtest.h>

namespace {

struct Field {
    std::string_view text;
    std::string_view alsoQuoted;
    std::string_view written;
};
void PrintTo(const Field& f, std::ostream* out) { *out << testing::PrintToString(std::string(f.written)); }

class CsvFieldTest : public testing::TestWithParam<Field> {};

TEST_P(CsvFieldTest, QuotesWhatAReaderWouldSplit)
{
    EXPECT_EQ(base::CsvField(GetParam().text, GetParam().alsoQuoted), GetParam().written);
    std::string line = "a,";
    base::AppendCsvField(line, GetParam().text, GetParam().alsoQuoted);
    EXPECT_EQ(line, "a," + std::string(GetParam().written));
}

INSTANTIATE_TEST_SUITE_P(Fields, CsvFieldTest, testing::Values(
    Field{"", "", ""},
    Field{"plain text", "", "plain text"},
    Field{"a,b", "", "\"a,b\""},
    Field{"say \"hi\"", "", "\"say \"\"hi\"\"\""},
    Field{"\"", "", "\"\"\"\""},
    Field{"two\r\nlines", "", "\"two\r\nlines\""},
    Field{"line\n", "", "\"line\n\""},
    Field{"back\\slash", "", "back\\slash"},
    Field{"back\\slash", "\\", "\"back\\slash\""},
    Field{"a,b", "\\", "\"a,b\""}));

} // namespace
