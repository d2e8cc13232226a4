// The checks on histories held in memory: each fault planted at a known record is found
// with its kind and date and nothing else is.

#include "case_name.h"
#include "clean_series.h"

#include "quality/check_report.h"
#include "quality/database_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace quality_test {
namespace {

using quality::FindingKind;
using quality::Period;

constexpr size_t kAt = 150;  // where each fault is planted

quality::PriceInput Input(const Bar& bar) { return quality::InputOfRow(Row(bar), true); }

// Every finding of the checker over `bars`, with the limits of `period`.
std::vector<quality::Finding> Check(const std::vector<Bar>& bars, Period period)
{
    std::vector<quality::Finding> findings;
    quality::PriceChecker checker(quality::DefaultLimits(period),
                                  [&](const quality::Finding& finding) { findings.push_back(finding); });
    for (const Bar& bar : bars)
        checker.Add(Input(bar));
    checker.Finish();
    return findings;
}

struct Found {
    FindingKind kind;
    uint32_t date;
    bool operator==(const Found&) const = default;
};

std::vector<Found> KindsAndDates(const std::vector<quality::Finding>& findings)
{
    std::vector<Found> found;
    for (const quality::Finding& finding : findings)
        found.push_back({finding.kind, finding.date});
    return found;
}


// Sets a close and widens the day's range around it, so only the jump is a fault.
void SetClose(Bar& bar, float close)
{
    bar.close = close;
    bar.open = close;
    bar.high = std::max(bar.high, close);
    bar.low = std::min(bar.low, close);
}

// Records from kAt on a calendar day apart, the first `days` after the record before it.
void Respace(std::vector<Bar>& bars, int days)
{
    for (size_t i = kAt; i < bars.size(); ++i)
        bars[i].date = AddDays(bars[kAt - 1].date, days + static_cast<int>(i - kAt));
}

struct PlantCase {
    const char* name;
    Period period;
    std::function<void(std::vector<Bar>&)> plant;
    // The findings expected, as kinds at a record number (their dates are read off the
    // history after planting).
    std::vector<std::pair<FindingKind, size_t>> expected;
};

class PlantedFaultTest : public testing::TestWithParam<PlantCase> {};

TEST_P(PlantedFaultTest, IsFoundWithItsKindAndDateAndNothingElse)
{
    const PlantCase& plant = GetParam();
    std::vector<Bar> bars = RandomWalk(plant.period, 300, TypicalSigma(plant.period), 7);
    ASSERT_TRUE(KindsAndDates(Check(bars, plant.period)).empty());
    plant.plant(bars);

    std::vector<Found> expected;
    for (const auto& [kind, at] : plant.expected)
        expected.push_back({kind, bars[at].date});
    EXPECT_EQ(KindsAndDates(Check(bars, plant.period)), expected);
}

using enum FindingKind;
using enum Period;

const PlantCase kPlantCases[] = {
    {"HighBelowLow", Daily, [](auto& b) { std::swap(b[kAt].high, b[kAt].low); }, {{HighBelowLow, kAt}}},
    {"CloseBelowLow", Daily, [](auto& b) { b[kAt].close = b[kAt].low * 0.99f; }, {{OutsideRange, kAt}}},
    {"ZeroLow", Daily, [](auto& b) { b[kAt].low = 0; }, {{BadPrice, kAt}}},
    {"NegativeVolume", Daily, [](auto& b) { b[kAt].volume = -1; }, {{NegativeVolume, kAt}}},
    {"NegativeOpenInterest", Daily, [](auto& b) { b[kAt].openInterest = -1; }, {{NegativeVolume, kAt}}},
    {"NotACalendarDate", Daily, [](auto& b) { b[kAt].date = b[kAt].date / 10000 * 10000 + 230; }, {{BadDate, kAt}}},
    {"TwoRecordsOnOneDate", Daily, [](auto& b) { b[kAt].date = b[kAt - 1].date; }, {{DuplicateDate, kAt}}},
    // The record before is the one out of place; the one after it steps back into order.
    {"TwoDatesSwapped", Daily, [](auto& b) { std::swap(b[kAt - 1].date, b[kAt].date); }, {{OutOfOrder, kAt}}},
    // The longest step allowed is no gap; one day more is.
    {"StepAtTheGapLimit", Daily, [](auto& b) { Respace(b, quality::DefaultLimits(Daily).maxGapDays); }, {}},
    {"StepOneDayPastTheGapLimit", Daily, [](auto& b) { Respace(b, quality::DefaultLimits(Daily).maxGapDays + 1); },
     {{Gap, kAt}}},
    {"TwoWeeksMissingFromWeeklyData", Weekly, [](auto& b) { b.erase(b.begin() + kAt, b.begin() + kAt + 1); }, {{Gap, kAt}}},
    {"AMonthMissingFromMonthlyData", Monthly, [](auto& b) { b.erase(b.begin() + kAt, b.begin() + kAt + 1); }, {{Gap, kAt}}},
    {"TickUpAndBack", Daily, [](auto& b) { SetClose(b[kAt], b[kAt - 1].close * 1.6f); }, {{BadTick, kAt}}},
    // A clean ratio that comes back is a bad tick, not a split.
    {"DoubledForOneDay", Daily, [](auto& b) { SetClose(b[kAt], b[kAt - 1].close * 2); }, {{BadTick, kAt}}},
    {"WrongForTwoDays", Daily,
     [](auto& b) {
         SetClose(b[kAt], b[kAt - 1].close * 1.7f);
         SetClose(b[kAt + 1], b[kAt - 1].close * 1.72f);
     },
     {{BadTick, kAt}}},
    {"WeeklyTick", Weekly, [](auto& b) { SetClose(b[kAt], b[kAt - 1].close * 1.8f); }, {{BadTick, kAt}}},
    {"Split3For2", Daily, [](auto& b) { Scale(b, kAt, 2.0f / 3); }, {{Split, kAt}}},
    {"ReverseSplit1For10", Daily, [](auto& b) { Scale(b, kAt, 10); }, {{Split, kAt}}},
    {"MonthlySplit3For1", Monthly, [](auto& b) { Scale(b, kAt, 1.0f / 3); }, {{Split, kAt}}},
    // A drop by a third is within a monthly history's moves: not a finding there.
    {"MonthlyDropByAThird", Monthly, [](auto& b) { Scale(b, kAt, 2.0f / 3); }, {}},
    // A big move to a level that is no clean ratio and stays: news, not a fault.
    {"LastingDropOf40Percent", Daily, [](auto& b) { Scale(b, kAt, 0.6f); }, {}},
    {"SplitAndABadTickAfterIt", Daily,
     [](auto& b) {
         Scale(b, kAt, 0.5f);
         SetClose(b[kAt + 1], b[kAt].close * 3);
     },
     {{Split, kAt}, {BadTick, kAt + 1}}},
    // Missing prices make an invalid record, which the import skips; not a finding.
    {"MissingPrices", Daily,
     [](auto& b) {
         b[kAt].close = std::numeric_limits<float>::quiet_NaN();
         b[kAt + 5].high = b[kAt + 5].low = std::numeric_limits<float>::quiet_NaN();
     },
     {}},
};

INSTANTIATE_TEST_SUITE_P(Faults, PlantedFaultTest, testing::ValuesIn(kPlantCases), CaseName());

TEST(PriceCheckerTest, DescribesWhatItFound)
{
    std::vector<Bar> bars = RandomWalk(Period::Daily, 40, 0, 3);  // every price 40
    Scale(bars, 20, 0.5f);
    SetClose(bars[10], 80);
    bars[30].high = 1;
    const std::vector<quality::Finding> findings = Check(bars, Period::Daily);
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(findings[0].values, "before=40 close=80 back=40");
    EXPECT_EQ(findings[0].reason, "the close jumps +100% and comes back the next record");
    EXPECT_EQ(findings[1].values, "before=40 close=20 ratio=2:1");
    EXPECT_EQ(findings[1].reason,
              "the close becomes 1/2 of the close before and stays there, as after an unadjusted 2:1 split");
    EXPECT_EQ(findings[2].kind, FindingKind::HighBelowLow);
    EXPECT_EQ(findings[2].position, 30u);
    EXPECT_EQ(findings[2].values, "high=1 low=20");
    // In CSV a field is bare unless it holds a comma, a quote, a line break, or a backslash
    // (a control character escaped on its way out).
    EXPECT_EQ(quality::CsvField(findings[2].values), "high=1 low=20");
    EXPECT_EQ(quality::CsvField("A\\x01B"), "\"A\\x01B\"");
}

// Memory stays flat only if a finding leaves as soon as nothing later can precede it.
TEST(PriceCheckerTest, HandsOnFindingsInOrderWithinAFewRecords)
{
    std::vector<Bar> bars = RandomWalk(Period::Daily, 200, TypicalSigma(Period::Daily), 5);
    for (const size_t at : {20u, 60u, 100u, 140u})
        Scale(bars, at, 0.5f);
    SetClose(bars[80], bars[79].close * 1.5f);
    bars[81].volume = -1;
    std::vector<std::pair<uint64_t, uint64_t>> arrivals;  // finding's record, records added so far
    quality::PriceChecker* running = nullptr;
    quality::PriceChecker checker(quality::DefaultLimits(Period::Daily), [&](const quality::Finding& finding) {
        arrivals.emplace_back(finding.position, running->Count());
    });
    running = &checker;
    for (const Bar& bar : bars)
        checker.Add(Input(bar));
    checker.Finish();

    ASSERT_EQ(arrivals.size(), 6u);
    for (size_t i = 0; i < arrivals.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(arrivals[i - 1].first, arrivals[i].first);
        }
        EXPECT_LE(arrivals[i].second, arrivals[i].first + 5) << "finding on record " << arrivals[i].first;
    }
}

TEST(PriceCheckerTest, PeriodCodesChooseTheLimits)
{
    EXPECT_EQ(quality::PeriodOfCode(0), Period::Daily);
    EXPECT_EQ(quality::PeriodOfCode(1), Period::Weekly);
    EXPECT_EQ(quality::PeriodOfCode(2), Period::Monthly);
    EXPECT_EQ(quality::PeriodOfCode(9), Period::Daily);
}

} // namespace
} // namespace quality_test
