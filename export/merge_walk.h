#pragma once

// What a merge of several securities is, apart from where the records come from: its
// fields and their column names, and the walk that lines the securities up by date.
// Standard C++ only, so the import's merge and the Python module give the same rows.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum PriceFields : unsigned {
    kFieldOpen = 1,
    kFieldHigh = 2,
    kFieldLow = 4,
    kFieldClose = 8,
    kFieldVolume = 16,
    kFieldOpenInterest = 32,
};
// All but open interest.
constexpr unsigned kDefaultFields = kFieldOpen | kFieldHigh | kFieldLow | kFieldClose | kFieldVolume;

enum class MergeShape { Wide, Long };

struct MergeFieldName {
    unsigned field;
    const char* option;      // as --fields names it
    const char* wideSuffix;  // as the pattern file's header names it
    const char* longName;
};
// In column order.
inline constexpr std::array<MergeFieldName, 6> kMergeFields = {{
    {kFieldOpen, "open", "_Open", "Open"},
    {kFieldHigh, "high", "_High", "High"},
    {kFieldLow, "low", "_Low", "Low"},
    {kFieldClose, "close", "_Close", "Close"},
    {kFieldVolume, "volume", "_Volume", "Volume"},
    {kFieldOpenInterest, "oi", "_Open_Interest", "Open_Interest"},
}};

inline int MergeFieldCount(unsigned fields)
{
    return static_cast<int>(std::count_if(kMergeFields.begin(), kMergeFields.end(),
                                          [fields](const MergeFieldName& f) { return (fields & f.field) != 0; }));
}

// The field of a lower-case option name ("open", ..., "oi"); nothing for another word.
inline std::optional<unsigned> MergeFieldOfName(std::string_view name)
{
    for (const MergeFieldName& f : kMergeFields) {
        if (name == f.option)
            return f.field;
    }
    return std::nullopt;
}

// "Date", then per security "SYM_Open"... (wide), or "Date,Symbol,Open,..." (long).
inline std::vector<std::string> MergeHeaderNames(MergeShape shape, unsigned fields,
                                                 std::span<const std::string> symbols)
{
    std::vector<std::string> names = {"Date"};
    if (shape == MergeShape::Long) {
        names.push_back("Symbol");
        for (const MergeFieldName& f : kMergeFields) {
            if (fields & f.field)
                names.push_back(f.longName);
        }
        return names;
    }
    for (const std::string& symbol : symbols) {
        for (const MergeFieldName& f : kMergeFields) {
            if (fields & f.field)
                names.push_back(symbol + f.wideSuffix);
        }
    }
    return names;
}

// Walks `count` sources side by side by date, each in date order. advance(i, day) moves
// source i to its next record and sets its day, false at its end; row(day, present) takes
// every date of the result in order, present[i] saying whether source i holds it, and
// returns false to stop. The dates are those any source holds, or with `commonDates`
// those every source holds. True when the walk reached the end.
template <typename Day, typename Advance, typename Row>
bool WalkByDate(size_t count, bool commonDates, Advance advance, Row row)
{
    std::vector<Day> days(count);
    std::vector<char> atEnd(count);
    std::vector<char> present(count);
    for (size_t i = 0; i < count; ++i)
        atEnd[i] = !advance(i, days[i]);
    for (;;) {
        Day day = std::numeric_limits<Day>::max();
        bool any = false;
        for (size_t i = 0; i < count; ++i) {
            if (!atEnd[i]) {
                day = std::min(day, days[i]);
                any = true;
            }
        }
        if (!any)
            return true;
        bool all = true;
        for (size_t i = 0; i < count; ++i) {
            present[i] = !atEnd[i] && days[i] == day;
            all = all && present[i];
        }
        if ((all || !commonDates) && !row(day, static_cast<const std::vector<char>&>(present)))
            return false;
        for (size_t i = 0; i < count; ++i) {
            if (present[i])
                atEnd[i] = !advance(i, days[i]);
        }
        // A source that ran out holds no more common dates.
        if (commonDates && std::any_of(atEnd.begin(), atEnd.end(), [](char end) { return end != 0; }))
            return true;
    }
}
