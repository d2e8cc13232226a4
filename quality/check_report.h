#pragma once

// Findings as text: a table for people, CSV for programs, and the closing counts per
// kind and per security. Shared by omegadb check and tessaport-import --check.

#include "quality/price_check.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quality {

// The header line and one line of each form, without the line end.
std::string TableHeader();
std::string TableLine(std::string_view symbol, const Finding& finding);
std::string CsvHeader();
std::string CsvLine(std::string_view symbol, const Finding& finding);

// One CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

// Counts findings per kind and per security, in the order the securities came.
class CheckSummary {
public:
    void Add(std::string_view symbol, FindingKind kind);
    void Checked() { ++securities_; }
    // A security that could not be checked, and why.
    void Unreadable(std::string_view symbol, std::string_view reason);

    uint64_t Total() const { return counts_.total; }
    // "Findings by kind:" with every kind, "Findings by security:" with those that have
    // any, those that could not be read with the reason, and a closing line with the number
    // of securities checked and of those not checked.
    std::string Text() const;

private:
    FindingCounts counts_;
    std::vector<std::pair<std::string, uint64_t>> bySecurity_;
    uint64_t securities_ = 0;
    std::vector<std::pair<std::string, std::string>> unreadable_;
};

// What --help says about the checks and their thresholds.
std::string ChecksHelpText();

} // namespace quality
