// Table entries, mask matching, the code page and short dates: no window needed.

#include "omega/security_table.h"
#include "omega/security_text.h"
#include "omega/windows1252.h"

#include <gtest/gtest.h>


#include <cstring>

namespace {

using omega::SearchField;

QByteArray Entry(const char* symbol, const char* description, size_t descriptionBytes = 0)
{
    SecurityRecord record{};
    std::memcpy(record.symbol, symbol, std::strlen(symbol));
    std::memcpy(record.description, description, descriptionBytes ? descriptionBytes : std::strlen(description));
    return omega::MakeSecurityEntry(record);
}

const std::vector<QByteArray> kTable = {
    Entry("IBM", "International Business Machines"), Entry("IBMX", "IBM Extra"), Entry("ibc", "ibc holdings"),
    Entry("I?M", "Literal mark"), Entry("\xC9TA", "\xC9" "cole fund"),
    Entry("NUL", "Intl\0junk", 9),  // bytes left behind the description's NUL
};

// A list line: the symbol's field, a tab, the description up to its NUL.
TEST(SecurityEntry, LineEndsAtTheDescriptionsNul)
{
    EXPECT_EQ(omega::SecurityEntryLine(kTable[5]), QStringLiteral("NUL             \tIntl"));
    EXPECT_EQ(omega::SecurityLineSymbol(omega::SecurityEntryLine(kTable[4])), QStringLiteral("\u00C9TA"));
}

struct MatchCase {
    const char* mask;  // UTF-8
    SearchField field;
    std::vector<int32_t> expected;
};

void PrintTo(const MatchCase& c, std::ostream* out) { *out << '"' << c.mask << "\" in field " << int(c.field); }

class MaskMatching : public testing::TestWithParam<MatchCase> {};

TEST_P(MaskMatching, SelectsTheEntriesInTableOrder)
{
    const MatchCase& test = GetParam();
    EXPECT_EQ(omega::FindSecurities(kTable, 6, QString::fromUtf8(test.mask), test.field), test.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MaskMatching,
    testing::Values(MatchCase{"iB", SearchField::Symbol, {0, 1, 2}},
                    MatchCase{"IBM ", SearchField::Symbol, {0}},  // the field is blank-padded
                    MatchCase{"?", SearchField::Description, {0, 1, 2, 3, 4, 5}},
                    MatchCase{"I?M", SearchField::Symbol, {3}}, MatchCase{"*", SearchField::Symbol, {}},
                    MatchCase{"\xC3\xA9t", SearchField::Symbol, {4}},       // é matches É
                    MatchCase{"\xE4\xB8\xAD", SearchField::Symbol, {}},     // not in the code page
                    MatchCase{"INTERNATIONAL BUSINESS MACHINES  ", SearchField::Description, {0}},  // 33
                    MatchCase{"INTERNATIONAL BUSINESS MACHINES   ", SearchField::Description, {}},  // 34
                    MatchCase{"Intl", SearchField::Description, {5}}, MatchCase{"Intl ", SearchField::Description, {}},
                    MatchCase{"IBM             \tint", SearchField::Symbol, {0}}));

TEST(MaskMatching, LooksOnlyAtCountedEntriesThatWereRead)
{
    std::vector<QByteArray> table = kTable;
    table[1].clear();  // not read yet
    EXPECT_EQ(omega::FindSecurities(table, 3, QStringLiteral("?"), SearchField::Symbol), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(omega::FindSecurities(table, 3, QStringLiteral("IB"), SearchField::Symbol), (std::vector<int32_t>{0, 2}));
    EXPECT_TRUE(omega::FindSecurities(table, -1, QStringLiteral("?"), SearchField::Symbol).empty());
    EXPECT_EQ(omega::FindSecurities(table, 99, QStringLiteral("?"), SearchField::Symbol).size(), 5u);
}

// The code page itself is tested in tests/base; here the text for the library and its capitals.
TEST(Windows1252, EncodesForTheLibraryAndUpperCases)
{
    EXPECT_EQ(omega::EncodeWindows1252(QStringLiteral("\u20AC\u00E9")), std::optional<QByteArray>("\x80\xE9"));
    EXPECT_FALSE(omega::EncodeWindows1252(QStringLiteral("A\u4E2D")).has_value());
    EXPECT_FALSE(omega::EncodeWindows1252(QString(QChar(0))).has_value());  // NUL would end the text
    EXPECT_EQ(omega::UpperWindows1252(QByteArray("az\xE9\xF6\xF7\xFF\x9A")), QByteArray("AZ\xC9\xD6\xF7\x9F\x8A"));
}

// US dates are shown by the security display; reading them back is tested in tests/import.
TEST(ShortDate, AlwaysCarriesFourDigitYears)
{
    EXPECT_EQ(omega::ShortDate(35859, QLocale(QStringLiteral("de_DE"))), QStringLiteral("05.03.1998"));
}

} // namespace
