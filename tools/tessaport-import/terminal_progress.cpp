#include "terminal_progress.h"

#include <algorithm>

#include <unistd.h>

namespace {
constexpr int kBarWidth = 30;
}

TerminalProgress::TerminalProgress(std::FILE* stream, bool silent)
    : stream_(stream), enabled_(!silent && ::isatty(::fileno(stream)) == 1)
{
}

void TerminalProgress::Start(const std::string& name, int32_t estimate)
{
    name_ = name;
    estimate_ = estimate;
    percent_ = -1;
    Update(0);
}

void TerminalProgress::Update(int32_t done)
{
    // The estimate counts five records a week: the bar stops short of full until the end.
    const int percent = estimate_ <= 0 ? 99 : static_cast<int>(std::min<int64_t>(int64_t{done} * 100 / estimate_, 99));
    if (percent != percent_)
        Draw(percent);
}

void TerminalProgress::Finish(int32_t rows)
{
    if (!enabled_)
        return;
    Draw(100);
    std::fprintf(stream_, "  %ld rows\n", static_cast<long>(rows));
    drawn_ = false;
}

void TerminalProgress::Abandon()
{
    if (enabled_ && drawn_)
        std::fputs("\r\033[K", stream_);
    drawn_ = false;
}

void TerminalProgress::Draw(int percent)
{
    percent_ = percent;
    if (!enabled_)
        return;
    const int filled = percent * kBarWidth / 100;
    std::fprintf(stream_, "\r%-16s [%s%s] %3d%%", name_.c_str(), std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(kBarWidth - filled), ' ').c_str(), percent);
    std::fflush(stream_);
    drawn_ = true;
}

RunLine::RunLine(std::FILE* stream, int32_t count, bool verbose, bool silent)
    : stream_(stream), terminal_(!silent && ::isatty(::fileno(stream)) == 1), verbose_(verbose && !silent),
      count_(count)
{
}

void RunLine::Begin(int32_t index, const std::string& symbol, int32_t estimate)
{
    index_ = index;
    symbol_ = symbol;
    estimate_ = estimate;
    percent_ = -1;
    Update(0);
}

void RunLine::Update(int32_t done)
{
    const double within = estimate_ <= 0 ? 0.0 : std::min(1.0, static_cast<double>(done) / estimate_);
    const int percent = count_ <= 0 ? 100 : static_cast<int>((index_ + within) * 100 / count_);
    if (percent != percent_)
        Draw(percent);
}

void RunLine::Finish(int32_t rows)
{
    if (!terminal_ && verbose_)
        std::fprintf(stream_, "%ld of %ld %s: %ld rows\n", static_cast<long>(index_) + 1, static_cast<long>(count_),
                     symbol_.c_str(), static_cast<long>(rows));
}

void RunLine::Clear()
{
    if (drawn_)
        std::fputs("\r\033[K", stream_);
    drawn_ = false;
}

void RunLine::Draw(int percent)
{
    percent_ = percent;
    if (!terminal_)
        return;
    const int filled = percent * kBarWidth / 100;
    std::fprintf(stream_, "\r\033[K%ld of %ld %-16s [%s%s] %3d%%", static_cast<long>(index_) + 1,
                 static_cast<long>(count_), symbol_.c_str(), std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(kBarWidth - filled), ' ').c_str(), percent);
    std::fflush(stream_);
    drawn_ = true;
}
