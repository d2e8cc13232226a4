#pragma once

// Data-quality checks of one price history, fed one record (or sheet row) at a time.
// The checker keeps only the last few closes it needs to tell a bad tick from a split,
// so a history of any length costs the same memory. Standard C++ only: the database
// tools, the import command and the viewer share it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quality {

enum class FindingKind {
    HighBelowLow,    // the high is below the low
    OutsideRange,    // the open or the close lies outside low..high
    BadPrice,        // a price is zero, negative or not a number
    NegativeVolume,  // volume or open interest below zero
    BadDate,         // not a calendar date
    DuplicateDate,   // the same date as the record before
    OutOfOrder,      // earlier than the record before
    DamagedFile,     // the file's size disagrees with its record count
    Gap,             // longer without a record than the period allows
    BadTick,         // the close jumps and comes back within a few periods
    Split,           // the close jumps by a clean ratio and stays there
};
inline constexpr int kFindingKinds = 11;

// The kind as one lower-case word for tables and CSV: "high-below-low", "bad-tick", ...
const char* KindName(FindingKind kind);

enum class Period { Daily, Weekly, Monthly };

// The period of a security record's period code: 1 weekly, 2 monthly, anything else daily.
Period PeriodOfCode(int code);
const char* PeriodName(Period period);  // "daily", "weekly", "monthly"

// The thresholds of the checks. A jump is a close at least `jumpFactor` times the one
// before it, or at most 1 / `jumpFactor` of it.
struct CheckLimits {
    int maxGapDays = 10;          // longest calendar-day step between two records
    double jumpFactor = 1.25;     // a smaller move is never a bad tick or a split
    int returnPeriods = 3;        // a jump that comes back within this many records is a bad tick
    double returnShare = 0.25;    // "comes back": to within this share of the jump (in log terms)
    double splitTolerance = 0.08; // a split moves the close by its ratio give or take this (log)
    double smallestSplit = 1.5;   // the smallest split ratio looked for (3:2)
};

// The defaults for a period (see README.md for why these figures).
CheckLimits DefaultLimits(Period period);

// One record or row. A missing price or count is empty: missing prices are invalid
// records, which the import already skips, not a quality finding.
struct PriceInput {
    uint32_t date = 0;  // yyyymmdd
    std::optional<double> open;
    std::optional<double> high;
    std::optional<double> low;
    std::optional<double> close;
    std::optional<double> volume;
    std::optional<double> openInterest;
};

struct Finding {
    FindingKind kind = FindingKind::BadPrice;
    uint32_t date = 0;      // yyyymmdd of the record found at fault
    uint64_t position = 0;  // its place in the stream, counted from 0
    std::string values;     // the values involved: "high=9.5 low=10"
    std::string reason;     // a short plain-language sentence
};

// Checks one history. Findings reach the sink in stream order, each at most a few
// records after its own record was added (a jump is judged by what follows it).
class PriceChecker {
public:
    using Sink = std::function<void(const Finding&)>;

    PriceChecker(const CheckLimits& limits, Sink sink);

    void Add(const PriceInput& record);
    // Judges what is still open and delivers the rest; call once after the last record.
    void Finish();

    uint64_t Count() const { return position_; }

private:
    // A jump whose fate is not known yet.
    struct Candidate {
        uint64_t position;
        uint32_t date;
        double before;  // the close before the jump
        double close;
        int closesAfter;
    };

    void CheckRecord(const PriceInput& record);
    void CheckDate(const PriceInput& record);
    void CheckClose(uint32_t date, double close);
    void Decide(const Candidate& candidate);
    void Report(FindingKind kind, uint32_t date, uint64_t position, std::string values, std::string reason);
    void Release(bool all);

    CheckLimits limits_;
    double logJump_ = 0;
    Sink sink_;
    uint64_t position_ = 0;  // of the record being added

    uint32_t previousDate_ = 0;  // the last valid date, 0 before the first
    bool previousInOrder_ = true;

    double previousClose_ = 0;   // the last usable close, 0 before the first
    std::vector<Candidate> candidates_;  // at most returnPeriods + 1
    std::vector<Finding> held_;          // findings that may still be preceded by a jump's
};

// yyyymmdd as YYYY-MM-DD, whatever the digits say.
std::string DateText(uint32_t date);
bool IsCalendarDate(uint32_t date);
// The day number of a calendar date (base/calendar.h).
int64_t DayNumber(uint32_t date);
// A number for the values text: up to seven significant digits, the precision the
// database's single-precision prices carry.
std::string NumberText(double value);

// Running totals for the summary of a check.
struct FindingCounts {
    uint64_t byKind[kFindingKinds] = {};
    uint64_t total = 0;
    void Add(FindingKind kind)
    {
        ++byKind[static_cast<int>(kind)];
        ++total;
    }
};

} // namespace quality
