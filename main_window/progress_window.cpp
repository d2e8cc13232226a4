#include "main_window/progress_window.h"

#include "widgets/twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QLocale>
#include <QVBoxLayout>
#include <QWindow>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <qdrawutil.h>

#include <algorithm>
#include <limits>

namespace {

constexpr char kDefaultCaption[] = "Percent Completed";

// Triggers the command the menu offers, if it is on: the run stops as it would from the menu.
bool TriggerInterrupt(QAction* interrupt)
{
    if (!interrupt || !interrupt->isEnabled())
        return false;
    interrupt->trigger();
    return true;
}

// Alt and a letter the progress window has no use for open the owner's menu of that
// access key, so Alt+I, I reaches Interrupt Import even where the system handed the
// progress window the keyboard. The menu that opens takes the next key wherever the
// keyboard is.
bool PassMenuKeyOn(const QKeyEvent& key, QWidget* owner)
{
    if (!owner || key.modifiers() != Qt::AltModifier)
        return false;
    auto* bar = owner->window()->findChild<QMenuBar*>();
    if (!bar)
        return false;
    for (QAction* menu : bar->actions()) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(menu->text());
        if (menu->isEnabled() && menu->isVisible() && !mnemonic.isEmpty() && mnemonic[0].key() == key.key()) {
            owner->window()->activateWindow();
            bar->setActiveAction(menu);
            return true;
        }
    }
    return false;
}

// What stops the operation in hand; see SetProgressInterrupt.
QPointer<QAction> progressInterrupt;
QPointer<QWidget> progressOwner;

// A sunken 3-D panel filled from the left to a percentage, the percentage written
// in its middle.
class PercentPanel : public QFrame {
public:
    explicit PercentPanel(QWidget* parent) : QFrame(parent)
    {
        setObjectName(QStringLiteral("percentBar"));
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
    }

    int Value() const { return value_; }
    // True when the value changed; only then is the panel painted again.
    bool SetValue(int value)
    {
        const int clamped = std::clamp(value, 0, 100);
        if (clamped == value_)
            return false;
        value_ = clamped;
        update();
        return true;
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        const QRect inner = contentsRect();
        const QRect filled(inner.left(), inner.top(), inner.width() * value_ / 100, inner.height());
        const QString text = QString::number(value_) + u'%';
        const QColor fill(0, 0, 128);

        painter.fillRect(filled, fill);
        painter.setPen(Qt::black);
        painter.drawText(inner, Qt::AlignCenter, text);
        // The part of the text over the fill is drawn in the background colour.
        painter.setClipRect(filled);
        painter.setPen(palette().color(QPalette::Window));
        painter.drawText(inner, Qt::AlignCenter, text);
    }

private:
    int value_ = 0;
};

class PercentWindow : public QWidget {
public:
    PercentWindow() : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
    {
        setObjectName(QStringLiteral("progressWindow"));
        setWindowTitle(QStringLiteral("Percentage Completed"));
        // The main window keeps the activation and the keyboard while the bar runs.
        setAttribute(Qt::WA_ShowWithoutActivating);
        QPalette grey = palette();
        grey.setColor(QPalette::Window, QColor(192, 192, 192));
        setPalette(grey);
        setAutoFillBackground(true);
        setFixedSize(platform::TwipsToPixelsX(6225), platform::TwipsToPixelsY(645));
        bar_ = new PercentPanel(this);
        platform::SetTwipsGeometry(bar_, 120, 120, 6015, 375);
    }

    PercentPanel* Bar() const { return bar_; }
    // Between ShowProgress and CloseProgress.
    void SetRunning(bool running) { running_ = running; }

protected:
    // Clicking the window brings it back in front of the main window, while it runs. A
    // window manager may hand it the activation late, after the operation ended: that
    // must not bring it back.
    void changeEvent(QEvent* event) override
    {
        QWidget::changeEvent(event);
        if (running_ && event->type() == QEvent::ActivationChange && isActiveWindow()) {
            show();
            raise();
        }
    }

    void closeEvent(QCloseEvent* event) override
    {
        // Closing the window of a run that can be stopped stops it; the window goes with the run.
        if (running_ && TriggerInterrupt(progressInterrupt))
            event->ignore();
        else
            QWidget::closeEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (running_ && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier
            && TriggerInterrupt(progressInterrupt))
            return;
        if (!PassMenuKeyOn(*event, progressOwner))
            QWidget::keyPressEvent(event);
    }

private:
    PercentPanel* bar_ = nullptr;
    bool running_ = false;
};

QPointer<PercentWindow> window;
ProgressState progress;
Qt::WindowStates mainWindowState = Qt::WindowNoState;

PercentWindow* Window()
{
    if (!window) {
        window = new PercentWindow;
        window->setWindowState(mainWindowState);
    }
    return window;
}

// Every setting counts as a draw; true when the bar shows something new.
bool SetBar(int value)
{
    const bool changed = Window()->Bar()->SetValue(value);
    progress.BarValue = Window()->Bar()->Value();
    ++progress.BarDraws;
    return changed;
}

void RunPendingEvents()
{
    QCoreApplication::processEvents();
}

// current / total x 100, rounded to the nearest whole number, halves to even.
int32_t RoundedPercent(int32_t current, int32_t total)
{
    int64_t numerator = int64_t{current} * 100;
    int64_t denominator = total;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    int64_t quotient = numerator / denominator;
    int64_t remainder = numerator % denominator;
    if (remainder < 0) {
        --quotient;
        remainder += denominator;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0))
        ++quotient;
    return static_cast<int32_t>(std::clamp<int64_t>(quotient, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

int16_t ShowProgress(int32_t total, const QString& caption, int left, int top)
{
    PercentWindow* bar = Window();
    bar->setWindowTitle(caption.isEmpty() ? QString::fromLatin1(kDefaultCaption) : caption);
    progress.ProgressCurrent = 0;
    progress.ProgressPercent = 0;
    progress.ProgressShown = 0;
    SetBar(0);
    progress.ProgressTotal = total;
    if (total != 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
        bar->move(origin + QPoint(platform::TwipsToPixelsX(left), platform::TwipsToPixelsY(top)));
        SetBar(0);
        bar->SetRunning(true);
        bar->show();
        RunPendingEvents();
    }
    return 0;
}

int16_t UpdateProgress(int32_t current)
{
    progress.ProgressCurrent = current;
    // Nothing to count means nothing left to do.
    progress.ProgressPercent = progress.ProgressTotal == 0 ? 100 : RoundedPercent(current, progress.ProgressTotal);
    bool changed = false;
    if (progress.ProgressPercent >= 100) {
        changed = SetBar(100);
        progress.ProgressShown = progress.ProgressPercent;
    } else if (int64_t{progress.ProgressPercent} >= int64_t{progress.ProgressShown} + 5) {
        changed = SetBar(int64_t{current} >= int64_t{progress.ProgressTotal} - 4 ? 100 : progress.ProgressPercent);
        progress.ProgressShown = progress.ProgressPercent;
    }
    // Past the total every report sets 100 again: only a bar that shows something new is
    // painted and lets events run. The state above is recorded first: events may start
    // another operation on the window.
    if (changed)
        RunPendingEvents();
    return 0;
}

int16_t CloseProgress()
{
    // The window is unloaded, not only hidden: a window manager that is still mapping it
    // (a short operation ends before the map request is served) or that hands it the
    // activation late would otherwise bring it back after the operation, for good. Once
    // its native window is destroyed nothing can show it again.
    if (window) {
        window->SetRunning(false);
        window->hide();
        delete window.data();
    }
    RunPendingEvents();
    // The window exists again, hidden, with an empty caption.
    Window()->setWindowTitle(QString());
    return 0;
}

void SetProgressInterrupt(QAction* interrupt, QWidget* owner)
{
    progressInterrupt = interrupt;
    progressOwner = owner;
}

void FollowMainWindowState(Qt::WindowStates state)
{
    mainWindowState = state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    Window()->setWindowState(mainWindowState);
}

const ProgressState& CurrentProgress()
{
    return progress;
}

QWidget* ProgressWindow()
{
    return Window();
}

QString GroupedCount(int64_t count)
{
    // The C locale leaves the groups out by default; a long count reads better with them.
    QLocale locale = QLocale::system();
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<qlonglong>(count));
}

namespace {

std::function<void(const RunProgress&)>& RunObserver()
{
    static std::function<void(const RunProgress&)> observer;
    return observer;
}

} // namespace

void SetRunProgressObserver(std::function<void(const RunProgress&)> observer)
{
    RunObserver() = std::move(observer);
}

class RunProgress::Frame : public QWidget {
public:
    Frame(QWidget* owner, const QString& title, QAction* interrupt)
        : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                             | Qt::WindowCloseButtonHint),
          owner_(owner), interrupt_(interrupt)
    {
        setObjectName(QStringLiteral("RunProgress"));
        setWindowTitle(title);
        // The main window keeps the activation, and with it its menu bar and Interrupt Import.
        setAttribute(Qt::WA_ShowWithoutActivating);
        if (owner)
            setFont(owner->window()->font());
        auto* layout = new QVBoxLayout(this);
        label_ = new QLabel(this);
        label_->setObjectName(QStringLiteral("runSecurityLabel"));
        bar_ = new PercentPanel(this);
        bar_->setFixedSize(platform::TwipsToPixelsX(6015), platform::TwipsToPixelsY(375));
        button_ = new QPushButton(QStringLiteral("&Interrupt"), this);
        button_->setObjectName(QStringLiteral("interruptButton"));
        button_->setAutoDefault(false);
        button_->setEnabled(interrupt != nullptr);
        connect(button_, &QPushButton::clicked, this, &Frame::Interrupt);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(button_);
        layout->addWidget(label_);
        layout->addWidget(bar_);
        layout->addLayout(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }

    QLabel* Label() const { return label_; }
    PercentPanel* Bar() const { return bar_; }
    QPushButton* Button() const { return button_; }

    // Centred over the owner, within the screen, and painted before the run goes on: a
    // window that is mapped but not yet drawn shows black until events run again.
    void ShowOver(QWidget* owner)
    {
        adjustSize();
        if (owner) {
            QRect frame(QPoint(), size());
            frame.moveCenter(owner->frameGeometry().center());
            if (const QScreen* screen = owner->screen()) {
                const QRect area = screen->availableGeometry();
                frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width())));
                frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height())));
            }
            move(frame.topLeft());
        }
        show();
        QElapsedTimer waited;
        waited.start();
        while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        repaint();
    }

protected:
    // The window goes with the run, not before: closing it asks the run to stop.
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        Interrupt();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
            Interrupt();
        else if (!PassMenuKeyOn(*event, owner_))
            QWidget::keyPressEvent(event);
    }

private:
    void Interrupt()
    {
        if (TriggerInterrupt(interrupt_)) {
            button_->setEnabled(false);
            label_->setText(QStringLiteral("Stopping after the record in hand..."));
        }
    }

    QPointer<QWidget> owner_;
    QPointer<QAction> interrupt_;
    QLabel* label_;
    PercentPanel* bar_;
    QPushButton* button_;
};

RunProgress::RunProgress(QWidget* owner, const QString& title, int32_t count, QAction* interrupt)
    : window_(new Frame(owner, title, interrupt)), count_(count)
{
    Begin(0, QString(), 0);
    window_->ShowOver(owner);
}

RunProgress::~RunProgress()
{
    window_->hide();
    delete window_;
}

void RunProgress::Begin(int32_t index, const QString& symbol, int32_t estimate)
{
    index_ = index;
    estimate_ = estimate;
    window_->Label()->setText(QStringLiteral("%1 of %2: %3").arg(GroupedCount(int64_t{index} + 1), GroupedCount(count_), symbol));
    Records(0);
}

void RunProgress::BeginWhole(const QString& text, int32_t estimate)
{
    index_ = 0;
    estimate_ = estimate;
    window_->Label()->setText(text);
    Records(0);
}

void RunProgress::Records(int32_t recordsRead)
{
    // The estimate counts five records a week: a security counts as done only when the next begins.
    const double within = estimate_ <= 0 ? 0.0 : std::min(1.0, static_cast<double>(recordsRead) / estimate_);
    const double done = count_ <= 0 ? 1.0 : (index_ + within) / count_;
    window_->Bar()->SetValue(static_cast<int>(done * 100));
    if (RunObserver())
        RunObserver()(*this);
}

QWidget* RunProgress::Window() const
{
    return window_;
}

QPushButton* RunProgress::InterruptButton() const
{
    return window_->Button();
}

QString RunProgress::Text() const
{
    return window_->Label()->text();
}

int RunProgress::BarValue() const
{
    return window_->Bar()->Value();
}
