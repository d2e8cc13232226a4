#include "database_fixture.h"

#include <bit>
#include <cstring>
#include <tuple>

namespace qv2omg_test {
namespace {

bool AllZero(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; });
}

// Symbols of the entries an open header context delivers, in order.
std::vector<std::string> ReadSymbols(FileContext& context, int32_t count)
{
    std::vector<std::string> symbols;
    for (int32_t i = 0; i < count; ++i) {
        SecurityRecord record{};
        EXPECT_EQ(Library().ReadHeader(&context, i, &record), 0) << i;
        symbols.emplace_back(record.symbol);
    }
    return symbols;
}

// The dates of the records an open data context delivers; `end` is left as the read past the last.
std::vector<uint32_t> ReadDates(FileContext& context, PriceRecord* end = nullptr)
{
    std::vector<uint32_t> dates;
    PriceRecord record{};
    while (Library().ReadData(&context, &record, 1) == 1)
        dates.push_back(Yyyymmdd(record.date));
    if (end)
        *end = record;
    return dates;
}

bool HeaderWorks(FileContext context)
{
    SecurityRecord record{};
    return Library().ReadHeader(&context, 0, &record) == 0;
}

using HeaderFileTest = DatabaseTest;

TEST_F(HeaderFileTest, DeliversEveryEntryInHeaderOrderAndRefusesOtherIndexes)
{
    Add("IBM", {}, 1, 0, "International Business Machine");  // the longest description
    Add("ge", {}, -1, 3);
    Add("X.Y-Z 15 bytes!", {}, 14, 2);                         // the longest symbol

    FileContext context{};
    ASSERT_EQ(Library().OpenHeaderFile(DirText(), &context), 3);
    EXPECT_EQ(ReadSymbols(context, 3), (std::vector<std::string>{"IBM", "ge", "X.Y-Z 15 bytes!"}));
    SecurityRecord record{};
    ASSERT_EQ(Library().ReadHeader(&context, 0, &record), 0);
    EXPECT_STREQ(record.description, "International Business Machine");
    EXPECT_TRUE(AllZero(&record.reserved54, sizeof record - offsetof(SecurityRecord, reserved54)));
    ASSERT_EQ(Library().ReadHeader(&context, 1, &record), 0);
    EXPECT_EQ(std::make_tuple(record.category, record.period), std::make_tuple(int16_t{-1}, int16_t{3}));
    for (int32_t index : {-1, 3, INT32_MAX}) {
        std::memset(&record, 0x5A, sizeof record);
        EXPECT_NE(Library().ReadHeader(&context, index, &record), 0) << index;
        EXPECT_TRUE(AllZero(&record, sizeof record)) << index;
    }
    EXPECT_EQ(Library().CloseHeaderFile(&context), 0);
}

TEST_F(HeaderFileTest, MoreThan32767SecuritiesOpenAndReadWhole)
{
    constexpr uint32_t kCount = 33000;
    Bytes bytes(qv2omg::kPreambleSize + kCount * qv2omg::kSecurityEntrySize);
    qv2omg::EncodePreamble(qv2omg::FileKind::Header, kCount, bytes.data());
    for (uint32_t i = 0; i < kCount; ++i) {
        qv2omg::SecurityEntry entry;
        const std::string symbol = "S" + std::to_string(i);
        std::copy(symbol.begin(), symbol.end(), entry.symbol.begin());
        qv2omg::EncodeSecurityEntry(entry, bytes.data() + qv2omg::kPreambleSize + i * qv2omg::kSecurityEntrySize);
    }
    WriteBytes(Dir() / qv2omg::kHeaderFileName, bytes);

    FileContext context{};
    ASSERT_EQ(Library().OpenHeaderFile(DirText(), &context), 33000);
    const std::vector<std::string> symbols = ReadSymbols(context, 33000);
    for (size_t i = 0; i < symbols.size(); ++i)
        ASSERT_EQ(symbols[i], "S" + std::to_string(i));
    Library().CloseHeaderFile(&context);
    SecurityRecord record{};
    EXPECT_EQ(Library().SearchSecurity(DirText(), "s32999", &record), 0);
    EXPECT_STREQ(record.symbol, "S32999");
}

// A header file of entries A, B, C damaged one way; the count the library opens it with.
struct HeaderDamage {
    const char* name;
    std::function<void(Bytes&)> damage;
    int32_t expectedCount;
};

class DamagedHeaderTest : public DatabaseTest, public testing::WithParamInterface<HeaderDamage> {};

TEST_P(DamagedHeaderTest, OpensWithTheCompleteEntriesOnly)
{
    for (const char* symbol : {"A", "B", "C"})
        Add(symbol, {});
    Damage(Dir() / qv2omg::kHeaderFileName, GetParam().damage);

    const int32_t expected = GetParam().expectedCount;
    FileContext context{};
    ASSERT_EQ(Library().OpenHeaderFile(DirText(), &context), expected);
    const std::vector<std::string> all{"A", "B", "C"};
    EXPECT_EQ(ReadSymbols(context, expected), std::vector<std::string>(all.begin(), all.begin() + expected));
    SecurityRecord record{};
    EXPECT_NE(Library().ReadHeader(&context, expected, &record), 0);
    EXPECT_EQ(Library().CloseHeaderFile(&context), expected > 0 ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedHeaderTest, testing::Values(
    HeaderDamage{"WrongMagic", [](auto& b) { b[0] = 'X'; }, 0},
    HeaderDamage{"NewerVersion", [](auto& b) { b[4] = 2; }, 0},
    HeaderDamage{"OtherEntrySize", [](auto& b) { b[6] = 81; }, 0},
    HeaderDamage{"Empty", [](auto& b) { b.clear(); }, 0},
    HeaderDamage{"CutMidEntry", [](auto& b) { b.resize(16 + 80 * 2 + 40); }, 2},
    HeaderDamage{"CountClaimsMore", [](auto& b) { PutCount(b, 1000); }, 3},
    HeaderDamage{"CountAboveInt32", [](auto& b) { PutCount(b, 0xFFFFFFFF); }, 3},
    HeaderDamage{"CountBelowFile", [](auto& b) { PutCount(b, 2); }, 2}), CaseName());

using SearchTest = DatabaseTest;

TEST_F(SearchTest, MatchesTheWholeSymbolIgnoringAsciiCase)
{
    for (const char* symbol : {"IBM", "Brk.A", "AB", "ABC", "\xE9t\xE9", "a b\t\xFF;/.."})
        Add(symbol, {});
    const struct { const char* query; const char* found; } cases[] = {  // found: null for none
        {"IBM", "IBM"}, {"ibm", "IBM"}, {"iBm", "IBM"}, {"BRK.a", "Brk.A"}, {"AB", "AB"}, {"abc", "ABC"},
        {"IB", nullptr}, {"IBM ", nullptr}, {"", nullptr}, {"\xE9T\xE9", "\xE9t\xE9"}, {"\xC9T\xC9", nullptr},
        {"IBMIBMIBMIBMIBMIBMIBM", nullptr}, {"A B\t\xFF;/..", "a b\t\xFF;/.."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.query)));
        SecurityRecord record{};
        std::memset(&record, 0x5A, sizeof record);
        EXPECT_EQ(Library().SearchSecurity(DirText(), c.query, &record) == 0, c.found != nullptr);
        if (c.found)
            EXPECT_STREQ(record.symbol, c.found);
        else
            EXPECT_TRUE(AllZero(&record, sizeof record));
    }
}

// A damaged entry whose symbol fills its whole field: the symbol read from the header, cut
// to 15 bytes, finds the entry again.
TEST_F(DatabaseTest, ASymbolReadFromADamagedHeaderIsFound)
{
    Add("ABCDEFGHIJKLMNO", {});
    Damage(Dir() / qv2omg::kHeaderFileName, [](auto& b) { b[16 + 15] = 'P'; });
    FileContext context{};
    ASSERT_EQ(Library().OpenHeaderFile(DirText(), &context), 1);
    SecurityRecord record{};
    ASSERT_EQ(Library().ReadHeader(&context, 0, &record), 0);
    EXPECT_STREQ(record.symbol, "ABCDEFGHIJKLMNO");
    SecurityRecord found{};
    EXPECT_EQ(Library().SearchSecurity(DirText(), record.symbol, &found), 0);
    EXPECT_STREQ(found.symbol, "ABCDEFGHIJKLMNO");
}

// A damaged header may name any file: only a plain name in the database's own folder is
// opened, although each name here reaches a copy of a good data file.
TEST_F(DatabaseTest, ADataFileNamedInASubfolderOrHiddenIsRefused)
{
    Add("A", {Row(19980302)});
    fs::create_directory(Dir() / "s");
    for (const std::string name : {"e", "s/d", ".d"}) {
        SCOPED_TRACE(name);
        fs::copy_file(FirstDataFile(), Dir() / name);
        Damage(Dir() / qv2omg::kHeaderFileName, [&](auto& b) {
            std::fill_n(b.begin() + 16 + 52, qv2omg::kDataFileNameSize, 0);
            std::copy(name.begin(), name.end(), b.begin() + 16 + 52);
        });
        FileContext context{};
        const bool opened = OpenData("A", context) == 0;
        EXPECT_EQ(opened, name == "e");
        if (opened)
            Library().CloseDataFile(&context);
    }
}

// The data file of XYZ (four rows) as it is now: its date range and the records read.
struct DataCase {
    const char* name;
    std::function<void(Bytes&)> damage;
    std::vector<uint32_t> delivered;  // none: the range is not available
};

class DataFileStateTest : public DatabaseTest, public testing::WithParamInterface<DataCase> {};

TEST_P(DataFileStateTest, RangeAndRecordsAreWhatCanBeReadNow)
{
    const DataCase& c = GetParam();
    Add("XYZ", {Row(19980302), Row(19980303), Row(19980304), Row(19980305)});
    if (c.damage)
        Damage(FirstDataFile(), c.damage);
    DateRange range{};
    std::memset(&range, 0x5A, sizeof range);
    EXPECT_EQ(Library().GetDateRange(DirText(), "xyz", &range), 0);
    EXPECT_EQ(range.available != 0, !c.delivered.empty());
    if (c.delivered.empty()) {
        EXPECT_TRUE(AllZero(&range, sizeof range));
        return;
    }
    EXPECT_EQ(Yyyymmdd(range.first), c.delivered.front());
    EXPECT_EQ(Yyyymmdd(range.last), c.delivered.back());
    FileContext context{};
    ASSERT_EQ(OpenData("XYZ", context), 0);
    EXPECT_EQ(ReadDates(context), c.delivered);
    EXPECT_EQ(Library().CloseDataFile(&context), 0);
}

INSTANTIATE_TEST_SUITE_P(States, DataFileStateTest, testing::Values(
    DataCase{"Readable", nullptr, {19980302, 19980303, 19980304, 19980305}},
    DataCase{"CutMidRecord", [](auto& b) { b.resize(16 + 28 * 2 + 13); }, {19980302, 19980303}},
    DataCase{"NoRows", [](auto& b) { b.resize(16); PutCount(b, 0); }, {}},
    DataCase{"CutBeforeFirstRow", [](auto& b) { b.resize(16 + 27); }, {}}), CaseName());

// 301 daily rows with one damage; row 150 is the first a binary search reads.
struct DamageCase {
    const char* name;
    std::function<void(Bytes&)> damage;
    std::vector<size_t> delivered;  // indexes of the rows a whole read delivers, in order
    int flags;
    int32_t firstOutOfOrder;  // counted from 1
};

std::vector<size_t> Indexes(size_t end, std::function<bool(size_t)> keep = {})
{
    std::vector<size_t> indexes;
    for (size_t i = 0; i < end; ++i)
        if (!keep || keep(i))
            indexes.push_back(i);
    return indexes;
}

constexpr size_t kDamagedRow = 150;

class DamagedDataTest : public DatabaseTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedDataTest, ReadsPastTheDamageInFileOrderAndSaysSo)
{
    std::vector<PriceRow> rows;
    for (uint32_t day = 0; day < 301; ++day)
        rows.push_back(Row(20000000 + (1 + day / 28) * 100 + 1 + day % 28, static_cast<float>(day + 10)));
    Add("D", rows);
    Damage(FirstDataFile(), GetParam().damage);
    const Bytes file = ReadBytes(FirstDataFile());
    auto dateAt = [&](size_t i) {
        uint32_t date = 0;
        std::memcpy(&date, file.data() + 16 + i * 28, 4);
        return date;
    };
    std::vector<uint32_t> whole;
    for (size_t i : GetParam().delivered)
        whole.push_back(dateAt(i));

    DateRange range{};
    ASSERT_EQ(Library().GetDateRange(DirText(), "D", &range), 0);
    ASSERT_TRUE(range.available);
    FileContext context{};
    ASSERT_EQ(Library().OpenDataFile(DirText(), "D", &range.first, &range.last, &context), 0);
    PriceRecord record{};
    EXPECT_EQ(ReadDates(context, &record), whole);
    Library().CloseDataFile(&context);
    // The end of the data tells of the damage, also when it lay past the last record delivered.
    EXPECT_EQ(record.reserved36[0], GetParam().flags);
    int32_t number = 0;
    std::memcpy(&number, record.reserved36 + 4, 4);
    EXPECT_EQ(number, GetParam().firstOutOfOrder);

    // A range whose search meets the damage: the rows in it, none lost to the search.
    std::vector<uint32_t> early;
    for (uint32_t date : whole)
        if (date >= rows[3].date && date <= rows[40].date)
            early.push_back(date);
    ASSERT_EQ(OpenData("D", context, rows[3].date, rows[40].date), 0);
    EXPECT_EQ(ReadDates(context), early);
    Library().CloseDataFile(&context);
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedDataTest, testing::Values(
    DamageCase{"ZeroedRow", [](auto& b) { std::fill_n(b.begin() + 16 + kDamagedRow * 28, 28, 0); },
               Indexes(301, [](size_t i) { return i != kDamagedRow; }), QV2OMG_DAMAGE_ORDER, kDamagedRow + 1},
    DamageCase{"DateOutOfOrder", [](auto& b) {
                   const uint32_t date = 20000105;
                   std::memcpy(b.data() + 16 + kDamagedRow * 28, &date, 4); }, Indexes(301),
               QV2OMG_DAMAGE_ORDER, kDamagedRow + 1},
    DamageCase{"ZeroedLastRow", [](auto& b) { std::fill(b.end() - 28, b.end(), 0); }, Indexes(300),
               QV2OMG_DAMAGE_ORDER, 301},
    DamageCase{"TornTail", [](auto& b) { b.resize(b.size() - 13); }, Indexes(300), QV2OMG_DAMAGE_SIZE, 0}),
    CaseName());

using RangeTest = DatabaseTest;

TEST_F(RangeTest, DeliversTheRowsInTheRangeBothEndsIncluded)
{
    Add("R", {Row(19980302), Row(19980304), Row(19980306), Row(19991231), Row(20000229)});
    const struct { uint32_t first, last; std::vector<uint32_t> delivered; } cases[] = {
        {19000101, 20991231, {19980302, 19980304, 19980306, 19991231, 20000229}},
        {19980304, 19980306, {19980304, 19980306}},
        {19980303, 19980305, {19980304}},
        {20000229, 20000229, {20000229}},
        {19980307, 19991230, {}},
        {19000101, 19980301, {}},
        {20000301, 20991231, {}},
        {19980306, 19980304, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << " to " << c.last);
        FileContext context{};
        ASSERT_EQ(OpenData("R", context, c.first, c.last), 0);
        EXPECT_EQ(ReadDates(context), c.delivered);
        EXPECT_EQ(Library().CloseDataFile(&context), 0);
    }
}

// The row before a range's first day is read too, so that damage there is seen: here the
// row before 1998-03-05 is dated after it.
TEST_F(RangeTest, DamageJustBeforeTheFirstDayIsSeen)
{
    Add("R", {Row(19980302), Row(19980303), Row(19980304), Row(19980305), Row(19980306), Row(19980309)});
    Damage(FirstDataFile(), [](auto& b) { const uint32_t date = 19980306; std::memcpy(b.data() + 16 + 2 * 28, &date, 4); });
    FileContext context{};
    ASSERT_EQ(OpenData("R", context, 19980305, 19980309), 0);
    PriceRecord end{};
    EXPECT_EQ(ReadDates(context, &end), (std::vector<uint32_t>{19980306, 19980305, 19980306, 19980309}));
    Library().CloseDataFile(&context);
    EXPECT_EQ(end.reserved36[0], QV2OMG_DAMAGE_ORDER);
}

TEST_F(DatabaseTest, DeliversEveryFieldOneRecordPerCallThenZero)
{
    const float missing = qv2omg::MissingPrice();
    Add("F", {{19980305, missing, 2.5f, -1.25f, 0.1f, 2147483647, -5}, {19980306, 1e-7f, missing, missing, missing, 0, 7}});
    FileContext context{};
    ASSERT_EQ(OpenData("F", context, 19980101, 19981231), 0);

    PriceRecord record{};
    std::memset(&record, 0x5A, sizeof record);
    ASSERT_EQ(Library().ReadData(&context, &record, 1), 1);
    EXPECT_EQ(std::make_tuple(record.date.month, record.date.day, record.date.year), std::make_tuple(3, 5, 98));
    EXPECT_EQ(std::bit_cast<uint32_t>(record.open), 0x7F7FFFEEu);
    EXPECT_EQ(std::make_tuple(record.high, record.low, record.close), std::make_tuple(2.5f, -1.25f, 0.1f));
    EXPECT_EQ(std::make_tuple(record.volume, record.openInterest), std::make_tuple(2147483647, -5));
    EXPECT_TRUE(AllZero(record.reserved36, sizeof record - offsetof(PriceRecord, reserved36)));
    ASSERT_EQ(Library().ReadData(&context, &record, 5), 1);
    EXPECT_EQ(std::make_tuple(record.open, record.openInterest), std::make_tuple(1e-7f, 7));
    EXPECT_EQ(Library().ReadData(&context, &record, 1), 0);
    EXPECT_EQ(Library().CloseDataFile(&context), 0);
}

using ContextTest = DatabaseTest;

TEST_F(ContextTest, ForgedContextsAreRefusedAndOpenOnesReadIndependentlyUntilUninitialize)
{
    Add("A", {Row(19980302), Row(19980303)});
    Add("B", {Row(19990101), Row(19990102), Row(19990103)});
    FileContext context{};
    ASSERT_EQ(Library().OpenHeaderFile(DirText(), &context), 2);
    const FileContext closed = context;
    EXPECT_EQ(Library().CloseHeaderFile(&context), 0);
    // The next open may reuse the table slot; the closed handle must stay dead.
    ASSERT_EQ(Library().OpenHeaderFile(DirText(), &context), 2);

    FileContext zeroed{}, again = closed;
    PriceRecord record{};
    for (FileContext* refused : {&zeroed, &again, static_cast<FileContext*>(nullptr)}) {
        EXPECT_FALSE(refused && HeaderWorks(*refused));
        EXPECT_EQ(Library().ReadData(refused, &record, 1), 0);
        EXPECT_NE(Library().CloseDataFile(refused), 0);
    }
    for (size_t byte = 0; byte < 18; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            FileContext forged = context;
            reinterpret_cast<uint8_t*>(&forged)[byte] ^= static_cast<uint8_t>(1 << bit);
            ASSERT_FALSE(HeaderWorks(forged)) << "byte " << byte << " bit " << bit;
            ASSERT_NE(Library().CloseHeaderFile(&forged), 0);
        }
    }
    // A header context is no data context, and survives all of the above.
    EXPECT_EQ(Library().ReadData(&context, &record, 1), 0);
    EXPECT_TRUE(HeaderWorks(context));

    FileContext a{}, b{};
    ASSERT_EQ(OpenData("A", a), 0);
    ASSERT_EQ(OpenData("B", b), 0);
    std::vector<uint32_t> dates;
    for (FileContext* open : {&a, &b, &b, &a, &b}) {
        EXPECT_EQ(Library().ReadData(open, &record, 1), 1);
        dates.push_back(Yyyymmdd(record.date));
    }
    EXPECT_EQ(dates, (std::vector<uint32_t>{19980302, 19990101, 19990102, 19980303, 19990103}));

    EXPECT_EQ(Library().Uninitialize(), 0);
    EXPECT_FALSE(HeaderWorks(context));
    EXPECT_NE(Library().CloseDataFile(&a), 0);
    EXPECT_EQ(Library().Initialize(), 0);
    // Opening into a context that is still open closes the old file first.
    ASSERT_EQ(OpenData("B", b), 0);
    FileContext firstB = b;
    ASSERT_EQ(OpenData("A", b), 0);
    EXPECT_EQ(Library().ReadData(&firstB, &record, 1), 0);
    EXPECT_EQ(Library().ReadData(&b, &record, 1), 1);
    EXPECT_EQ(Yyyymmdd(record.date), 19980302u);
    EXPECT_EQ(Library().CloseDataFile(&b), 0);
}

} // namespace
} // namespace qv2omg_test
