#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace widgets {

namespace {
constexpr double kTwipsPerInch = 1440.0;
// What a window frame (title bar and borders) takes, in logical pixels, at most.
constexpr int kFrameAllowance = 40;
double twipsScale = 1.0;

double DpiX()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return (screen ? screen->logicalDotsPerInchX() : 96.0) * twipsScale;
}

double DpiY()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return (screen ? screen->logicalDotsPerInchY() : 96.0) * twipsScale;
}

int Round(double value) { return static_cast<int>(std::lround(value)); }
} // namespace

int TwipsToPixelsX(int twips) { return Round(twips * DpiX() / kTwipsPerInch); }
int TwipsToPixelsY(int twips) { return Round(twips * DpiY() / kTwipsPerInch); }

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
}

void SetTwipsGeometry(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
}

void SetTwipsScale(double factor)
{
    twipsScale = factor > 0 ? std::min(factor, 1.0) : 1.0;
}

double TwipsScale()
{
    return twipsScale;
}

void FitOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize room(std::max(1, area.width() - kFrameAllowance / 4), std::max(1, area.height() - kFrameAllowance));
    const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize().boundedTo(room));
    window->setMinimumSize(window->minimumSize().boundedTo(room));
    window->resize(size);
    QRect placed(window->pos(), size);
    // A dialog opens over the window it belongs to; being moved here, it would otherwise
    // stay wherever it was created, the corner of the screen.
    if (const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr; owner && owner->isVisible())
        placed.moveCenter(owner->frameGeometry().center());
    placed.moveLeft(std::clamp(placed.left(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    placed.moveTop(std::clamp(placed.top(), area.top(),
                              std::max(area.top(), area.bottom() + 1 - kFrameAllowance / 2 - size.height())));
    window->move(placed.topLeft());
}

} // namespace widgets
