#include "import_check.h"

#include "quality/database_check.h"

void ImportCheck::Start(const std::string& symbol, int16_t period, bool openInterest)
{
    symbol_ = symbol;
    openInterest_ = openInterest;
    findings_.clear();
    kinds_.clear();
    checker_ = std::make_unique<quality::PriceChecker>(
        quality::DefaultLimits(quality::PeriodOfCode(period)), [this](const quality::Finding& finding) {
            kinds_.push_back(finding.kind);
            // Sheet rows count from 1, and the first one holds the column labels.
            findings_ += "tessaport-import: " + symbol_ + ": row " + std::to_string(finding.position + 2) + ", "
                + quality::DateText(finding.date) + ": " + quality::KindName(finding.kind) + ": " + finding.reason
                + " (" + finding.values + ")\n";
        });
}

void ImportCheck::Row(const PriceRecord& record)
{
    const auto date = static_cast<uint32_t>((int64_t{record.date.year} + 1900) * 10000
                                            + int64_t{record.date.month} * 100 + record.date.day);
    checker_->Add(quality::InputOfRow(
        {date, record.open, record.high, record.low, record.close, record.volume, record.openInterest}, openInterest_));
}

void ImportCheck::Finish()
{
    if (!checker_)
        return;
    checker_->Finish();
    checker_.reset();
    summary_.Checked();
    for (const quality::FindingKind kind : kinds_)
        summary_.Add(symbol_, kind);
    std::fputs(findings_.c_str(), stream_);
}

void ImportCheck::Abandon()
{
    checker_.reset();
}

void ImportCheck::Summarize()
{
    std::fputs(summary_.Text().c_str(), stream_);
}
