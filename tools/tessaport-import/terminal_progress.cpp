#include "terminal_progress.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {
constexpr size_t kBarWidth = 30;
constexpr size_t kNarrowestBar = 10;
constexpr size_t kNameWidth = 16;

bool IsTerminal(std::FILE* stream)
{
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) == 1;
#endif
}

// The terminal's width in columns; 0 where it cannot be told.
size_t TerminalColumns(std::FILE* stream)
{
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (!GetConsoleScreenBufferInfo(console, &info))
        return 0;
    return static_cast<size_t>(std::max(0, info.srWindow.Right - info.srWindow.Left + 1));
#else
    winsize size{};
    return ::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
#endif
}

// Set when the terminal changes its width, so the line is drawn again to fit.
std::atomic<bool> resized{false};

void WatchWidth()
{
#ifdef SIGWINCH
    static const bool watching = [] {
        struct sigaction action{};
        action.sa_handler = [](int) { resized.store(true); };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        return sigaction(SIGWINCH, &action, nullptr) == 0;
    }();
    (void)watching;
#endif
}

// Asked after every record: a plain load first, the exchange only when it is set.
bool Resized()
{
    return resized.load(std::memory_order_relaxed) && resized.exchange(false);
}

std::string Bar(int percent, size_t width)
{
    const size_t filled = static_cast<size_t>(percent) * width / 100;
    return std::string(filled, '#') + std::string(width - filled, ' ');
}

std::string Padded(std::string text, size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

// "name [####    ]  42%" cut to a terminal `columns` wide (0: as wide as it likes): the
// padding goes first, then the bar narrows and goes, then the name is cut. The last column
// stays free, since writing it moves some terminals to the next line.
std::string ProgressLine(const std::string& head, size_t padTo, int percent, size_t columns)
{
    char tail[8];
    std::snprintf(tail, sizeof tail, "%3d%%", percent);
    const size_t tailSize = std::strlen(tail);
    if (columns == 0)
        return Padded(head, padTo) + " [" + Bar(percent, kBarWidth) + "] " + tail;
    const size_t room = columns - 1;
    for (const std::string& start : {Padded(head, padTo), head}) {
        const size_t fixed = start.size() + 4 + tailSize;
        if (fixed + kNarrowestBar <= room)
            return start + " [" + Bar(percent, std::min(kBarWidth, room - fixed)) + "] " + tail;
    }
    if (room <= tailSize)
        return std::string(tail).substr(0, room);
    return head.substr(0, room - tailSize - 1) + ' ' + tail;
}

// Draws `line` over the one before. Blanks rather than a terminal's erase sequence, so
// nothing but printable text and carriage returns reaches the terminal; never more of them
// than the terminal has room for.
void Redraw(std::FILE* stream, const std::string& line, size_t& width, size_t columns)
{
    std::string text = '\r' + line;
    const size_t clear = columns == 0 ? width : std::min(width, columns - 1);
    if (line.size() < clear)
        text.append(clear - line.size(), ' ');
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
    : stream_(stream), enabled_(!silent && IsTerminal(stream))
{
    if (enabled_)
        WatchWidth();
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
    if (!enabled_)
        return;
    // The estimate counts five records a week: the bar stops short of full until the end.
    const int percent = estimate_ <= 0 ? 99 : static_cast<int>(std::min<int64_t>(int64_t{done} * 100 / estimate_, 99));
    if (percent != percent_ || Resized())
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
    const size_t columns = TerminalColumns(stream_);
    Redraw(stream_, ProgressLine(name_, kNameWidth, percent, columns), width_, columns);
    drawn_ = true;
}

RunLine::RunLine(std::FILE* stream, int32_t count, bool verbose, bool silent)
    : stream_(stream), terminal_(!silent && IsTerminal(stream)), verbose_(verbose && !silent), count_(count)
{
    if (terminal_)
        WatchWidth();
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
    if (!terminal_)
        return;  // nothing to draw: the line is for a terminal only
    const double within = estimate_ <= 0 ? 0.0 : std::min(1.0, static_cast<double>(done) / estimate_);
    const int percent = count_ <= 0 ? 100 : static_cast<int>((index_ + within) * 100 / count_);
    if (percent != percent_ || Resized())
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
    const size_t columns = TerminalColumns(stream_);
    Redraw(stream_, ProgressLine(head + symbol_, std::strlen(head) + kNameWidth, percent, columns), width_, columns);
    drawn_ = true;
}
