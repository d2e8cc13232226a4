#pragma once

// --check: the rows an import writes, checked as they are written. The findings of one
// security go to the error stream once its file is written, so they never break into
// the progress line; a clean history prints nothing until the closing counts.

#include "quality/check_report.h"
#include "quality/price_check.h"

#include <qv2omg.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class ImportCheck {
public:
    explicit ImportCheck(std::FILE* stream) : stream_(stream) {}

    // A new security: its symbol for messages, its period code from the security record,
    // and whether its rows carry open interest.
    void Start(const std::string& symbol, int16_t period, bool openInterest);
    void Row(const PriceRecord& record);
    // The file is written: the security's findings leave.
    void Finish();
    // The file could not be written: its rows are not reported.
    void Abandon();
    // After the last security: the counts per kind and per security.
    void Summarize();

private:
    std::FILE* stream_;
    std::string symbol_;
    bool openInterest_ = false;
    std::unique_ptr<quality::PriceChecker> checker_;
    std::string findings_;
    std::vector<quality::FindingKind> kinds_;
    quality::CheckSummary summary_;
};
