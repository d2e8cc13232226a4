#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace platform {

namespace {
constexpr double kTwipsPerInch = 1440.0;

double DpiX()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double DpiY()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
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

} // namespace platform
