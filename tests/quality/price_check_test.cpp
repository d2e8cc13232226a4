// The checks on histories held in memory: each fault planted at a known record is found
// with its kind and date and nothing else is.

#include "case_name.h"
#include "clean_series.h"

#include "quality/check_report.h"
#include "quality/database_check.h"

#include <gtest/gtest.h>

#include <functional>

namespace quality_test {
namespace {

using quality::FindingKind;
using quality::Period;

constexpr size_t kAt = 150;  // where each fault is planted

// Every finding of the checker over `bars`, with the limits of `period`.
std::vector<quality::Finding> Check(const std::vector<Bar>& bars, Period period)
{
    std::vector<quality::Finding> findings;
    quality::PriceChecker checker(quality::DefaultLimits(period),
                                  [&](const quality::Finding& finding) { findings.push_back(finding); });
    for (const Bar& bar : bars)
        checker.Add(quality::InputOfRow(Row(bar), true));
    checker.Finish();
    return findings;
}

using Found = std::pair<FindingKind, uint32_t>;  // a finding's kind and date

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
    {"NegativeVolume", Daily, [](auto& b) { b[kAt].volume = -1; }, {{NegativeVolume, kAt}}},
    {"NegativeOpenInterest", Daily, [](auto& b) { b[kAt].openInterest = -1; }, {{NegativeVolume, kAt}}},
    {"NotACalendarDate", Daily, [](auto& b) { b[kAt].date = b[kAt].date / 10000 * 10000 + 230; }, {{BadDate, kAt}}},
    {"TwoRecordsOnOneDate", Daily, [](auto& b) { b[kAt].date = b[kAt - 1].date; }, {{DuplicateDate, kAt}}},
    // The longest step allowed is no gap; one day more is.
    {"StepAtTheGapLimit", Daily, [](auto& b) { Respace(b, quality::DefaultLimits(Daily).maxGapDays); }, {}},
    {"StepOneDayPastTheGapLimit", Daily, [](auto& b) { Respace(b, quality::DefaultLimits(Daily).maxGapDays + 1); },
     {{Gap, kAt}}},
    {"TwoWeeksMissingFromWeeklyData", Weekly, [](auto& b) { b.erase(b.begin() + kAt, b.begin() + kAt + 1); }, {{Gap, kAt}}},
    {"AMonthMissingFromMonthlyData", Monthly, [](auto& b) { b.erase(b.begin() + kAt, b.begin() + kAt + 1); }, {{Gap, kAt}}},
    // A clean ratio that comes back is a bad tick, not a split.
    {"DoubledForOneDay", Daily, [](auto& b) { SetClose(b[kAt], b[kAt - 1].close * 2); }, {{BadTick, kAt}}},
    {"WrongForTwoDays", Daily,
     [](auto& b) {
         SetClose(b[kAt], b[kAt - 1].close * 1.7f);
         SetClose(b[kAt + 1], b[kAt - 1].close * 1.72f);
     },
     {{BadTick, kAt}}},
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

TEST(PriceCheckerTest, PeriodCodesChooseTheLimits)
{
    EXPECT_EQ(quality::PeriodOfCode(0), Period::Daily);
    EXPECT_EQ(quality::PeriodOfCode(1), Period::Weekly);
    EXPECT_EQ(quality::PeriodOfCode(2), Period::Monthly);
    EXPECT_EQ(quality::PeriodOfCode(9), Period::Daily);
}

} // namespace
} // namespace quality_test
