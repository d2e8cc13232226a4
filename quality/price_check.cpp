#include "quality/price_check.h"

#include "base/calendar.h"
#include "qv2omg/db_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace quality {

namespace {

// Split ratios as new shares : old shares. The price moves by old / new; the reverse
// split of each is looked for as well.
struct SplitRatio {
    int newShares;
    int oldShares;
};
constexpr SplitRatio kSplitRatios[] = {{3, 2}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {10, 1}};

std::string RatioText(int newShares, int oldShares)
{
    return std::to_string(newShares) + ":" + std::to_string(oldShares);
}

// "2 times", "3/2 of": what a price becomes after a reverse split.
std::string FactorText(int numerator, int denominator)
{
    if (numerator % denominator == 0)
        return std::to_string(numerator / denominator) + " times";
    return std::to_string(numerator) + "/" + std::to_string(denominator) + " of";
}

std::string PercentText(double factor)
{
    char text[32];
    std::snprintf(text, sizeof text, "%+.0f%%", (factor - 1) * 100);
    return text;
}

bool UsablePrice(const std::optional<double>& price)
{
    return price && std::isfinite(*price) && *price > 0;
}

} // namespace

const char* KindName(FindingKind kind)
{
    switch (kind) {
    case FindingKind::HighBelowLow: return "high-below-low";
    case FindingKind::OutsideRange: return "outside-range";
    case FindingKind::BadPrice: return "bad-price";
    case FindingKind::NegativeVolume: return "negative-volume";
    case FindingKind::BadDate: return "bad-date";
    case FindingKind::DuplicateDate: return "duplicate-date";
    case FindingKind::OutOfOrder: return "out-of-order";
    case FindingKind::DamagedFile: return "damaged-file";
    case FindingKind::Gap: return "gap";
    case FindingKind::BadTick: return "bad-tick";
    case FindingKind::Split: return "split";
    }
    return "unknown";
}

Period PeriodOfCode(int code)
{
    return code == 1 ? Period::Weekly : code == 2 ? Period::Monthly : Period::Daily;
}

const char* PeriodName(Period period)
{
    switch (period) {
    case Period::Weekly: return "weekly";
    case Period::Monthly: return "monthly";
    case Period::Daily: break;
    }
    return "daily";
}

CheckLimits DefaultLimits(Period period)
{
    switch (period) {
    case Period::Weekly: return {12, 1.4, 3, 0.25, 0.10, 1.5};
    case Period::Monthly: return {45, 1.8, 2, 0.25, 0.15, 2.0};
    case Period::Daily: break;
    }
    return {10, 1.25, 3, 0.25, 0.08, 1.5};
}

bool IsCalendarDate(uint32_t date)
{
    return qv2omg::IsValidDate(date);
}

int64_t DayNumber(uint32_t date)
{
    return base::SerialOfCivil(date / 10000, date / 100 % 100, date % 100);
}

std::string DateText(uint32_t date)
{
    return base::IsoDateOfYyyymmdd(date);
}

std::string NumberText(double value)
{
    char text[48];
    if (std::isfinite(value) && value == std::trunc(value) && std::abs(value) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", value);
    else
        std::snprintf(text, sizeof text, "%.7g", value);
    return text;
}

PriceChecker::PriceChecker(const CheckLimits& limits, Sink sink)
    : limits_(limits), logJump_(std::log(std::max(limits.jumpFactor, 1.0))), sink_(std::move(sink))
{
    candidates_.reserve(static_cast<size_t>(std::max(limits_.returnPeriods, 0)) + 2);
}

void PriceChecker::Add(const PriceInput& record)
{
    // A jump that nothing can bring back any more is judged now.
    while (!candidates_.empty()
           && candidates_.front().position + static_cast<uint64_t>(std::max(limits_.returnPeriods, 0)) < position_) {
        const Candidate candidate = candidates_.front();
        candidates_.erase(candidates_.begin());
        Decide(candidate);
    }
    CheckRecord(record);
    CheckDate(record);
    if (UsablePrice(record.close))
        CheckClose(record.date, *record.close);
    Release(false);
    ++position_;
}

void PriceChecker::Finish()
{
    for (const Candidate& candidate : candidates_)
        Decide(candidate);
    candidates_.clear();
    Release(true);
}

void PriceChecker::Report(FindingKind kind, uint32_t date, uint64_t position, std::string values, std::string reason)
{
    held_.push_back({kind, date, position, std::move(values), std::move(reason)});
}

// Hands on every finding that no later one can precede.
void PriceChecker::Release(bool all)
{
    if (held_.empty())
        return;
    const uint64_t limit = all || candidates_.empty() ? UINT64_MAX : candidates_.front().position;
    std::stable_sort(held_.begin(), held_.end(),
                     [](const Finding& a, const Finding& b) { return a.position < b.position; });
    size_t released = 0;
    while (released < held_.size() && held_[released].position < limit)
        sink_(held_[released++]);
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(released));
}

void PriceChecker::CheckRecord(const PriceInput& record)
{
    const std::pair<const char*, const std::optional<double>*> prices[] = {
        {"open", &record.open}, {"high", &record.high}, {"low", &record.low}, {"close", &record.close}};
    std::string badValues;
    for (const auto& [name, price] : prices) {
        if (*price && !UsablePrice(*price))
            badValues += (badValues.empty() ? "" : " ") + std::string(name) + "=" + NumberText(**price);
    }
    if (!badValues.empty()) {
        Report(FindingKind::BadPrice, record.date, position_, badValues,
               "a price is zero, negative or not a number");
    } else if (record.high && record.low && *record.high < *record.low) {
        Report(FindingKind::HighBelowLow, record.date, position_,
               "high=" + NumberText(*record.high) + " low=" + NumberText(*record.low), "the high is below the low");
    } else {
        std::string values;
        std::string reason;
        for (const auto& [name, price] : {prices[0], prices[3]}) {
            if (!*price)
                continue;
            const char* where = record.high && **price > *record.high ? "above the high"
                : record.low && **price < *record.low                 ? "below the low"
                                                                      : nullptr;
            if (!where)
                continue;
            values += (values.empty() ? "" : " ") + std::string(name) + "=" + NumberText(**price);
            reason += (reason.empty() ? "the " : " and the ") + std::string(name) + " is " + where;
        }
        if (!values.empty()) {
            values += " high=" + (record.high ? NumberText(*record.high) : std::string("?"));
            values += " low=" + (record.low ? NumberText(*record.low) : std::string("?"));
            Report(FindingKind::OutsideRange, record.date, position_, values, reason);
        }
    }

    std::string counts;
    if (record.volume && *record.volume < 0)
        counts = "volume=" + NumberText(*record.volume);
    if (record.openInterest && *record.openInterest < 0)
        counts += (counts.empty() ? "" : " ") + std::string("open-interest=") + NumberText(*record.openInterest);
    if (!counts.empty())
        Report(FindingKind::NegativeVolume, record.date, position_, counts, "a count is below zero");
}

void PriceChecker::CheckDate(const PriceInput& record)
{
    const uint32_t date = record.date;
    if (!IsCalendarDate(date)) {
        Report(FindingKind::BadDate, date, position_, "date=" + std::to_string(date), "not a calendar date");
        return;
    }
    if (previousDate_ != 0) {
        const std::string previous = "previous=" + DateText(previousDate_);
        if (date == previousDate_) {
            Report(FindingKind::DuplicateDate, date, position_, previous, "a second record on the same date");
        } else if (date < previousDate_) {
            Report(FindingKind::OutOfOrder, date, position_, previous, "earlier than the record before it");
            previousDate_ = date;
            previousInOrder_ = false;
            return;
        } else if (const int64_t days = DayNumber(date) - DayNumber(previousDate_);
                   previousInOrder_ && days > limits_.maxGapDays) {
            // After a record out of order the step back into order is not a gap.
            Report(FindingKind::Gap, date, position_, previous + " days=" + std::to_string(days),
                   std::to_string(days) + " days after the record before; at most "
                       + std::to_string(limits_.maxGapDays) + " are expected");
        }
    }
    previousDate_ = date;
    previousInOrder_ = true;
}

void PriceChecker::CheckClose(uint32_t date, double close)
{
    bool returning = false;
    for (size_t i = 0; i < candidates_.size(); ++i) {
        Candidate& candidate = candidates_[i];
        const double jump = std::log(candidate.close / candidate.before);
        if (std::abs(std::log(close / candidate.before)) <= limits_.returnShare * std::abs(jump)) {
            // Back where it was: the jump and everything after it were one bad excursion.
            const uint64_t records = position_ - candidate.position;
            Report(FindingKind::BadTick, candidate.date, candidate.position,
                   "before=" + NumberText(candidate.before) + " close=" + NumberText(candidate.close)
                       + " back=" + NumberText(close),
                   "the close jumps " + PercentText(candidate.close / candidate.before) + " and comes back "
                       + (records == 1 ? std::string("the next record") : std::to_string(records) + " records later"));
            candidates_.erase(candidates_.begin() + static_cast<std::ptrdiff_t>(i), candidates_.end());
            returning = true;
            break;
        }
        ++candidate.closesAfter;
    }

    if (previousClose_ > 0 && !returning && std::abs(std::log(close / previousClose_)) >= logJump_ && logJump_ > 0)
        candidates_.push_back({position_, date, previousClose_, close, 0});
    previousClose_ = close;
}

void PriceChecker::Decide(const Candidate& candidate)
{
    // A jump at the very end has nothing after it to say whether it stays.
    if (candidate.closesAfter == 0)
        return;
    const double jump = std::log(candidate.close / candidate.before);
    for (const SplitRatio& ratio : kSplitRatios) {
        if (static_cast<double>(ratio.newShares) / ratio.oldShares < limits_.smallestSplit - 1e-9)
            continue;
        const double factor = std::log(static_cast<double>(ratio.oldShares) / ratio.newShares);
        for (const int sign : {1, -1}) {
            if (std::abs(jump - sign * factor) > limits_.splitTolerance)
                continue;
            const std::string split = sign > 0 ? RatioText(ratio.newShares, ratio.oldShares)
                                                : RatioText(ratio.oldShares, ratio.newShares);
            const std::string becomes = sign > 0 ? std::to_string(ratio.oldShares) + "/" + std::to_string(ratio.newShares) + " of"
                                                 : FactorText(ratio.newShares, ratio.oldShares);
            Report(FindingKind::Split, candidate.date, candidate.position,
                   "before=" + NumberText(candidate.before) + " close=" + NumberText(candidate.close)
                       + " ratio=" + split,
                   "the close becomes " + becomes + " the close before and stays there, as after an unadjusted "
                       + split + " split");
            return;
        }
    }
}

} // namespace quality
