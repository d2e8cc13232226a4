#include "quality/check_report.h"

#include "base/csv_field.h"

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
    // A backslash marks a control character escaped on its way out: quoted, so a reader
    // sees the field was not bare data.
    return base::CsvField(text, "\\");
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

void CheckSummary::Unreadable(std::string_view symbol, std::string_view reason)
{
    unreadable_.emplace_back(std::string(symbol), std::string(reason));
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
    // A security that could not be read is named again here, where the eye lands last.
    if (!unreadable_.empty()) {
        text += "Not checked:\n";
        for (const auto& [symbol, reason] : unreadable_)
            text += "  " + Padded(symbol, 16) + reason + "\n";
    }
    text += std::to_string(counts_.total) + (counts_.total == 1 ? " finding in " : " findings in ")
        + std::to_string(securities_) + (securities_ == 1 ? " security" : " securities") + " checked";
    if (!unreadable_.empty())
        text += "; " + std::to_string(unreadable_.size()) + (unreadable_.size() == 1 ? " security" : " securities")
            + " could not be read";
    return text + ".\n";
}

std::string ChecksHelpText()
{
    const CheckLimits daily = DefaultLimits(Period::Daily);
    const CheckLimits weekly = DefaultLimits(Period::Weekly);
    const CheckLimits monthly = DefaultLimits(Period::Monthly);
    // Paragraphs, not indented lists: the manual page is made from this text.
    char limits[1024];
    std::snprintf(limits, sizeof limits,
                  "Thresholds, daily / weekly / monthly (the period of the security record):\n"
                  "a gap is more than %d / %d / %d calendar days since the record before; a jump\n"
                  "is a close at least %.2f / %.2f / %.2f times the one before, or at most its\n"
                  "inverse (smaller moves are never bad ticks or splits); a bad tick comes back\n"
                  "within %d / %d / %d records; a split matches its ratio to within %.0f%% / %.0f%% / %.0f%%,\n"
                  "and monthly data are searched for splits from 2:1 up.\n",
                  daily.maxGapDays, weekly.maxGapDays, monthly.maxGapDays, daily.jumpFactor, weekly.jumpFactor,
                  monthly.jumpFactor, daily.returnPeriods, weekly.returnPeriods, monthly.returnPeriods,
                  daily.splitTolerance * 100, weekly.splitTolerance * 100, monthly.splitTolerance * 100);
    return std::string(
               "The checks report each finding with its kind, date, values and a reason:\n"
               "high-below-low (the high is below the low), outside-range (the open or the\n"
               "close lies outside low..high), bad-price (zero, negative or not a number),\n"
               "negative-volume (volume or open interest below zero), bad-date (no calendar\n"
               "date), duplicate-date (two records on one date), out-of-order (a date earlier\n"
               "than the record before), damaged-file (a data file whose size disagrees\n"
               "with its record count: a torn last record, say), gap (more days since the\n"
               "record before than the period allows), bad-tick (the close jumps and comes\n"
               "back, to within a quarter of the jump, within a few records) and split (the\n"
               "close jumps by 3:2, 2:1, 3:1, 4:1, 5:1, 10:1 or the reverse and stays there).\n"
               "A missing price is not a finding: such records are invalid, and the import\n"
               "skips them.\n"
               "\n")
        + limits;
}

} // namespace quality
