// The About window: its texts, modeless, and unloaded by the timer after Close.

#include "about/about_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "qt_printers.h"

namespace {

template <class T = QLabel>
T* Control(const char* name)
{
    return PrAbout4::Loaded() ? PrAbout4::Loaded()->findChild<T*>(name) : nullptr;
}

QString Text(const char* name) { return Control(name) ? Control(name)->text() : "<none>"; }

bool Centred(const QWidget* window)
{
    const QRect screen = window->screen()->geometry();
    return window->x() == screen.x() + (screen.width() - window->width()) / 2
        && window->y() == screen.y() + (screen.height() - window->height()) / 2;
}

// Shown modeless with the caller's icon; a second About while it is open reuses it; Close
// unloads it at the timer's tick, and the next About loads it afresh, centred again.
TEST(About, ShowsItsTextsModelessAndReloadsAfterClose)
{
    QWidget caller;
    QPixmap icon(32, 32);
    icon.fill(Qt::red);
    caller.setWindowIcon(QIcon(icon));
    caller.show();
    ShowAbout(&caller, "Tessaport Version 4.32", 0);

    QPointer<PrAbout4> about = PrAbout4::Loaded();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_TRUE(Centred(about));
    EXPECT_EQ(Text("Label1"), "Quorvane  2");
    EXPECT_EQ(Text("Label5"), "\u00AE");
    EXPECT_EQ(Text("Label7"), "Tessaport Version 4.32");
    ASSERT_TRUE(Control<QPushButton>("Command1") && Control("Image1") && Control<QTimer>("Timer1"));
    EXPECT_EQ(Control<QPushButton>("Command1")->text(), "&Close");
    EXPECT_EQ(Control("Image1")->pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));
    EXPECT_FALSE(Control<QTimer>("Timer1")->isActive());

    ShowAbout(&caller, "Tessaport Version 4.33", 0);
    EXPECT_EQ(PrAbout4::Loaded(), about);
    EXPECT_EQ(Text("Label7"), "Tessaport Version 4.33");

    about->move(about->pos() + QPoint(40, 30));
    const QPointer<QTimer> timer = Control<QTimer>("Timer1");
    QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(PrAbout4::Loaded(), about.data()) << "closed inside the click";
    EXPECT_TRUE(timer && timer->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }));
    EXPECT_EQ(PrAbout4::Loaded(), nullptr);

    ShowAbout(&caller, "Tessaport Version 4.32", 0);
    ASSERT_NE(PrAbout4::Loaded(), nullptr);
    EXPECT_TRUE(PrAbout4::Loaded()->isVisible());
    EXPECT_TRUE(Centred(PrAbout4::Loaded()));
    delete PrAbout4::Loaded();
}

// Every line shows whole, descenders included, in the caller's font and in taller ones.
TEST(About, LabelsShowTheirLinesWhole)
{
    for (const double pointSize : {8.0, QApplication::font().pointSizeF(), 12.0}) {
        QWidget caller;
        QFont font = caller.font();
        font.setPointSizeF(pointSize);
        caller.setFont(font);
        ShowAbout(&caller, "Tessaport Version 4.32", 0);
        ASSERT_NE(PrAbout4::Loaded(), nullptr);
        EXPECT_EQ(PrAbout4::Loaded()->font().pointSizeF(), pointSize);
        for (const char* name : {"Label7", "Label2", "Label3", "Label4"}) {
            const QLabel* label = Control(name);
            ASSERT_NE(label, nullptr);
            const int lines = static_cast<int>(label->text().count(u'\n')) + 1;
            EXPECT_GE(label->height(), lines * label->fontMetrics().lineSpacing())
                << name << " at " << pointSize << " points";
            EXPECT_LE(label->geometry().bottom(), PrAbout4::Loaded()->height()) << name;
        }
        delete PrAbout4::Loaded();
    }
}

} // namespace
