#include "program_icon.h"

#include <QPainter>
#include <QPixmap>

#include <array>

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double unit = size / 16.0;
        painter.setPen(QPen(QColor(0x20, 0x30, 0x60), unit));
        painter.setBrush(QColor(0xF4, 0xF1, 0xE6));
        painter.drawRoundedRect(QRectF(0.5 * unit, 0.5 * unit, 15 * unit, 15 * unit), 2 * unit, 2 * unit);
        // Four bars, each a high-low line with a close tick.
        constexpr std::array<std::array<double, 3>, 4> kBars{{{10, 13, 12}, {7, 11, 8}, {5, 9, 6}, {3, 7, 4}}};
        painter.setPen(QPen(QColor(0x10, 0x60, 0x30), 1.4 * unit));
        for (std::size_t i = 0; i < kBars.size(); ++i) {
            const double x = (3.5 + 3.0 * static_cast<double>(i)) * unit;
            painter.drawLine(QPointF(x, kBars[i][0] * unit), QPointF(x, kBars[i][1] * unit));
            painter.drawLine(QPointF(x, kBars[i][2] * unit), QPointF(x + 1.2 * unit, kBars[i][2] * unit));
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
