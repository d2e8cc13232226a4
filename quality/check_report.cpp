#include "quality/check_report.h"

#include <cstdio>

namespace quality {

namespace {

std::string Padded(std::string_view text, size_t width)
{
    std::string padded(text);
    padded.resize(std::max(width, text.size()), ' ');
    return padded;
}

std::string Cells(std::string_view symbol, std::string_view date, std::string_view kind, std::string_view values,
                  std::string_view reason)
{
    return Padded(symbol, 8) + "  " + Padded(date, 10) + "  " + Padded(kind, 15) + "  " + Padded(values, 34) + "  "
        + std::string(reason);
}

} // namespace

std::string TableHeader() { return Cells("Symbol", "Date", "Kind", "Values", "Reason"); }

std::string TableLine(std::string_view symbol, const Finding& finding)
{
    return Cells(symbol, DateText(finding.date), KindName(finding.kind), finding.values, finding.reason);
}

std::string CsvHeader() { return "Symbol,Date,Kind,Values,Reason"; }

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvLine(std::string_view symbol, const Finding& finding)
{
    return CsvField(symbol) + ',' + DateText(finding.date) + ',' + KindName(finding.kind) + ','
        + CsvField(finding.values) + ',' + CsvField(finding.reason);
}

void CheckSummary::Add(std::string_view symbol, FindingKind kind)
{
    counts_.Add(kind);
    if (bySecurity_.empty() || bySecurity_.back().first != symbol)
        bySecurity_.emplace_back(std::string(symbol), 0);
    ++bySecurity_.back().second;
}

std::string CheckSummary::Text() const
{
    std::string text = "Findings by kind:\n";
    for (int kind = 0; kind < kFindingKinds; ++kind)
        text += "  " + Padded(KindName(static_cast<FindingKind>(kind)), 16)
            + std::to_string(counts_.byKind[kind]) + "\n";
    text += "Findings by security:\n";
    if (bySecurity_.empty())
        text += "  none\n";
    for (const auto& [symbol, count] : bySecurity_)
        text += "  " + Padded(symbol, 16) + std::to_string(count) + "\n";
    text += std::to_string(counts_.total) + (counts_.total == 1 ? " finding in " : " findings in ")
        + std::to_string(securities_) + (securities_ == 1 ? " security" : " securities") + " checked.\n";
    return text;
}

std::string ChecksHelpText()
{
    const CheckLimits daily = DefaultLimits(Period::Daily);
    const CheckLimits weekly = DefaultLimits(Period::Weekly);
    const CheckLimits monthly = DefaultLimits(Period::Monthly);
    char limits[1024];
    std::snprintf(limits, sizeof limits,
                  "  threshold                         daily  weekly  monthly\n"
                  "  gap: most calendar days between   %5d  %6d  %7d\n"
                  "  jump: close moves by a factor of  %5.2f  %6.2f  %7.2f\n"
                  "  bad tick: comes back within       %5d  %6d  %7d  records\n"
                  "  split: ratio matched to within    %4.0f%%  %5.0f%%  %6.0f%%\n"
                  "  split: smallest ratio looked for    3:2     3:2      2:1\n",
                  daily.maxGapDays, weekly.maxGapDays, monthly.maxGapDays, daily.jumpFactor, weekly.jumpFactor,
                  monthly.jumpFactor, daily.returnPeriods, weekly.returnPeriods, monthly.returnPeriods,
                  daily.splitTolerance * 100, weekly.splitTolerance * 100, monthly.splitTolerance * 100);
    return std::string(
               "The checks, each reported with its kind, date, values and a reason:\n"
               "  high-below-low   the high is below the low\n"
               "  outside-range    the open or the close lies outside low..high\n"
               "  bad-price        a price is zero, negative or not a number\n"
               "  negative-volume  the volume or the open interest is below zero\n"
               "  bad-date         the date is not a calendar date\n"
               "  duplicate-date   two records on one date\n"
               "  out-of-order     a date earlier than the record before\n"
               "  gap              more calendar days since the record before than the\n"
               "                   period allows (weekends and holidays fit within it)\n"
               "  bad-tick         the close jumps and comes back, to within a quarter of\n"
               "                   the jump, within a few records\n"
               "  split            the close jumps by a clean ratio (3:2, 2:1, 3:1, 4:1,\n"
               "                   5:1, 10:1 or the reverse) and stays there\n"
               "A missing price is not a finding: such records are invalid and the import\n"
               "skips them. The period (daily, weekly, monthly) of each security sets the\n"
               "thresholds; a jump is a close at least the factor above or below the one\n"
               "before, and a smaller move is never a bad tick or a split.\n")
        + limits;
}

} // namespace quality
