#include "terminal_progress.h"

#include <algorithm>

#include <unistd.h>

namespace {
constexpr int kBarWidth = 30;

std::string Bar(int percent)
{
    const int filled = percent * kBarWidth / 100;
    return std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(kBarWidth - filled), ' ');
}

// Draws `line` over the one before. Blanks rather than a terminal's erase sequence, so
// nothing but printable text and carriage returns reaches the terminal.
void Redraw(std::FILE* stream, const std::string& line, size_t& width)
{
    std::string text = '\r' + line;
    if (line.size() < width)
        text.append(width - line.size(), ' ');
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
    width = line.size();
}

void Wipe(std::FILE* stream, size_t& width)
{
    std::fputs(('\r' + std::string(width, ' ') + '\r').c_str(), stream);
    width = 0;
}
} // namespace

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
        Wipe(stream_, width_);
    drawn_ = false;
}

void TerminalProgress::Draw(int percent)
{
    percent_ = percent;
    if (!enabled_)
        return;
    char tail[8];
    std::snprintf(tail, sizeof tail, "%3d%%", percent);
    std::string name = name_;
    if (name.size() < 16)
        name.append(16 - name.size(), ' ');
    Redraw(stream_, name + " [" + Bar(percent) + "] " + tail, width_);
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
        Wipe(stream_, width_);
    drawn_ = false;
}

void RunLine::Draw(int percent)
{
    percent_ = percent;
    if (!terminal_)
        return;
    char head[48];
    std::snprintf(head, sizeof head, "%ld of %ld ", static_cast<long>(index_) + 1, static_cast<long>(count_));
    char tail[8];
    std::snprintf(tail, sizeof tail, "%3d%%", percent);
    std::string symbol = symbol_;
    if (symbol.size() < 16)
        symbol.append(16 - symbol.size(), ' ');
    Redraw(stream_, head + symbol + " [" + Bar(percent) + "] " + tail, width_);
    drawn_ = true;
}
