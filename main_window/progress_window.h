#pragma once

#include <QString>
#include <Qt>

#include <cstdint>
#include <functional>

class QAction;
class QPushButton;
class QWidget;

// The process-wide progress window, "Percentage Completed". Positions are in twips.
int16_t ShowProgress(int32_t total, const QString& caption, int left, int top);
int16_t UpdateProgress(int32_t current);
int16_t CloseProgress();
// The main window's resize handler: create the window hidden if it does not exist yet
// and give it the main window's state (normal, minimized, maximized).
void FollowMainWindowState(Qt::WindowStates state);

// The command that stops the operation the window shows, and the window whose menus take
// the keys the progress window has no use for: while set, Escape and closing the window
// trigger the command as the menu does. Nothing (the default) for an operation that
// cannot be stopped.
void SetProgressInterrupt(QAction* interrupt, QWidget* owner);

// What the progress window holds, for tests and tools.
struct ProgressState {
    int32_t ProgressTotal = 0;
    int32_t ProgressCurrent = 0;
    int32_t ProgressPercent = 0;
    int32_t ProgressShown = 0;
    int BarValue = 0;       // percentage filled, 0 to 100
    int64_t BarDraws = 0;   // times the bar was set, over the whole run
};
const ProgressState& CurrentProgress();
// The window, created hidden when it does not exist yet.
QWidget* ProgressWindow();

// The progress window of a run over many securities, shown once for the whole run: which
// security of how many ("17 of 3,000: S00017") and a bar for the run. It lies centred over
// `owner`, never takes the activation from it, and is drawn before the first security is
// read. Its Interrupt button, Escape and its close button trigger `interrupt`, as the
// menu does; Alt and a letter open the owner's menu. It goes when the object does.
class RunProgress {
public:
    RunProgress(QWidget* owner, const QString& title, int32_t count, QAction* interrupt = nullptr);
    ~RunProgress();
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

    // Security `index` (from 0) begins, with about `estimate` records to read.
    void Begin(int32_t index, const QString& symbol, int32_t estimate);
    // Or the one step of a run that reads all its securities at once, said in `text`.
    void BeginWhole(const QString& text, int32_t estimate);
    void Records(int32_t recordsRead);

    QWidget* Window() const;
    QPushButton* InterruptButton() const;
    QString Text() const;  // the line above the bar
    int BarValue() const;

private:
    class Frame;
    Frame* window_;
    int32_t count_;
    int32_t index_ = 0;
    int32_t estimate_ = 0;
};

// Tests follow a run through this: it is called whenever the window is brought up to date.
void SetRunProgressObserver(std::function<void(const RunProgress&)> observer);

// "3,000": counts in the progress and end messages, grouped as the locale groups them.
QString GroupedCount(int64_t count);
