#pragma once

// Clean price histories for the checks to find nothing in, and to plant faults into:
// a seeded random walk on trading dates, every value rounded to single precision as the
// database stores it.

#include "quality/price_check.h"
#include "qv2omg/db_format.h"

#include <cstdint>
#include <vector>

namespace quality_test {

// A NaN price is a missing one.
struct Bar {
    uint32_t date = 0;  // yyyymmdd
    float open = 0, high = 0, low = 0, close = 0;
    int32_t volume = 0;
    int32_t openInterest = 0;
};

// `count` bars of `period` from `firstYear` on: weekdays but New Year's Day, Independence
// Day and Christmas; Fridays; the last weekday of each month. `sigma` is the spread of the
// close's log step.
std::vector<Bar> RandomWalk(quality::Period period, int count, double sigma, uint32_t seed, int firstYear = 1950);

// The typical step of a volatile stock's close for each period.
double TypicalSigma(quality::Period period);

uint32_t AddDays(uint32_t date, int days);

// Multiplies every price from `first` on: what an unadjusted split does to a history.
void Scale(std::vector<Bar>& bars, size_t first, float factor);

// A bar as the database holds it.
qv2omg::PriceRow Row(const Bar& bar);

} // namespace quality_test
