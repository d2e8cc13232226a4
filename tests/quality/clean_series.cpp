#include "clean_series.h"

#include "base/calendar.h"
#include "quality/database_check.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace quality_test {

namespace {

uint32_t Yyyymmdd(int64_t dayNumber)
{
    const base::CivilDate date = base::CivilOfSerial(dayNumber);
    return static_cast<uint32_t>(date.year * 10000 + date.month * 100 + date.day);
}

// 0 is Sunday: the weekdays of these series run Sunday to Thursday, which the checks
// cannot tell from Monday to Friday.
int Weekday(int64_t dayNumber) { return static_cast<int>(((dayNumber % 7) + 13) % 7); }

bool Trades(int64_t dayNumber)
{
    const uint32_t date = Yyyymmdd(dayNumber);
    const uint32_t monthDay = date % 10000;
    return Weekday(dayNumber) < 5 && monthDay != 101 && monthDay != 704 && monthDay != 1225;
}

bool IsDateOf(quality::Period period, int64_t dayNumber)
{
    switch (period) {
    case quality::Period::Weekly: return Weekday(dayNumber) == 4;
    case quality::Period::Monthly: {
        if (Weekday(dayNumber) >= 5)
            return false;
        for (int64_t next = dayNumber + 1; Yyyymmdd(next) / 100 == Yyyymmdd(dayNumber) / 100; ++next)
            if (Weekday(next) < 5)
                return false;
        return true;
    }
    case quality::Period::Daily: break;
    }
    return Trades(dayNumber);
}

} // namespace

uint32_t AddDays(uint32_t date, int days) { return Yyyymmdd(quality::DayNumber(date) + days); }

double TypicalSigma(quality::Period period)
{
    const double daily = 0.025;
    return period == quality::Period::Weekly    ? daily * std::sqrt(5.0)
        : period == quality::Period::Monthly ? daily * std::sqrt(21.0)
                                             : daily;
}

// std::mt19937's numbers, but on Windows under a type of our own: the static Qt there has its
// own copy of mt19937's code, which its callers expect to keep registers ours does not keep.
// (On Linux this is std::mt19937 itself.)
using Engine = std::mersenne_twister_engine<unsigned long, 32, 624, 397, 31, 0x9908b0df, 11, 0xffffffff, 7,
                                            0x9d2c5680, 15, 0xefc60000, 18, 1812433253>;

std::vector<Bar> RandomWalk(quality::Period period, int count, double sigma, uint32_t seed, int firstYear)
{
    Engine random(seed);
    std::normal_distribution<double> normal;
    std::vector<Bar> bars;
    bars.reserve(static_cast<size_t>(count));
    double close = 40;
    int64_t day = quality::DayNumber(static_cast<uint32_t>(firstYear * 10000 + 102));
    while (static_cast<int>(bars.size()) < count) {
        if (!IsDateOf(period, day++))
            continue;
        const double previous = close;
        close = previous * std::exp(sigma * normal(random));
        const double open = previous * std::exp(sigma * 0.3 * normal(random));
        Bar bar;
        bar.date = Yyyymmdd(day - 1);
        bar.open = static_cast<float>(open);
        bar.close = static_cast<float>(close);
        // Rounding to single precision keeps the order of the values, so the range holds.
        bar.high = static_cast<float>(std::max(open, close) * (1 + std::abs(normal(random) * sigma * 0.5)));
        bar.low = static_cast<float>(std::min(open, close) * (1 - std::min(0.9, std::abs(normal(random) * sigma * 0.5))));
        bar.high = std::max({bar.high, bar.open, bar.close});
        bar.low = std::min({bar.low, bar.open, bar.close});
        bar.volume = static_cast<int32_t>(1000 + random() % 100000);
        bar.openInterest = static_cast<int32_t>(5000 + random() % 1000);
        bars.push_back(bar);
    }
    return bars;
}

void Scale(std::vector<Bar>& bars, size_t first, float factor)
{
    for (size_t i = first; i < bars.size(); ++i) {
        bars[i].open *= factor;
        bars[i].high *= factor;
        bars[i].low *= factor;
        bars[i].close *= factor;
    }
}

qv2omg::PriceRow Row(const Bar& bar)
{
    auto price = [](float value) { return std::isnan(value) ? qv2omg::MissingPrice() : value; };
    return {bar.date, price(bar.open), price(bar.high), price(bar.low), price(bar.close), bar.volume, bar.openInterest};
}

} // namespace quality_test
