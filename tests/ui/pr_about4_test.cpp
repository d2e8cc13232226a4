// The About window: its texts, modeless, and unloaded by the timer after Close.

#include "ui/pr_about4.h"

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

class AboutTest : public testing::Test {
protected:
    AboutTest()
    {
        QPixmap icon(32, 32);
        icon.fill(Qt::red);
        caller_.setWindowIcon(QIcon(icon));
        caller_.show();
    }
    ~AboutTest() override { delete PrAbout4::Loaded(); }

    template <class T>
    static T* Control(const char* name)
    {
        return PrAbout4::Loaded() ? PrAbout4::Loaded()->findChild<T*>(name) : nullptr;
    }
    static QString Text(const char* name) { return Control<QLabel>(name) ? Control<QLabel>(name)->text() : "<none>"; }

    static bool Centred(const QWidget* window)
    {
        const QRect screen = window->screen()->geometry();
        return window->x() == screen.x() + (screen.width() - window->width()) / 2
            && window->y() == screen.y() + (screen.height() - window->height()) / 2;
    }

    QWidget caller_;
};

TEST_F(AboutTest, ShowsTheProductVersionAndCallersIconModeless)
{
    ShowAbout(&caller_, "Tessaport Version 4.32", 0);

    PrAbout4* about = PrAbout4::Loaded();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_TRUE(Centred(about));
    EXPECT_EQ(Text("Label1"), "Quorvane  2");
    EXPECT_EQ(Text("Label5"), "\u00AE");
    EXPECT_EQ(Text("Label7"), "Tessaport Version 4.32");
    ASSERT_NE(Control<QPushButton>("Command1"), nullptr);
    EXPECT_EQ(Control<QPushButton>("Command1")->text(), "&Close");
    ASSERT_NE(Control<QLabel>("Image1"), nullptr);
    EXPECT_EQ(Control<QLabel>("Image1")->pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));
    ASSERT_NE(Control<QTimer>("Timer1"), nullptr);
    EXPECT_FALSE(Control<QTimer>("Timer1")->isActive());

    // A second About while it is open reuses the window with the new text.
    ShowAbout(&caller_, "Tessaport Version 4.33", 0);
    EXPECT_EQ(PrAbout4::Loaded(), about);
    EXPECT_EQ(Text("Label7"), "Tessaport Version 4.33");
}

TEST_F(AboutTest, CloseUnloadsAtTheTimersTickAndTheNextAboutLoadsAfresh)
{
    ShowAbout(&caller_, "Tessaport Version 4.32", 0);
    QPointer<PrAbout4> first = PrAbout4::Loaded();
    first->move(first->pos() + QPoint(40, 30));

    const QPointer<QTimer> timer = Control<QTimer>("Timer1");
    QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(PrAbout4::Loaded(), first.data()) << "closed inside the click";
    EXPECT_TRUE(timer && timer->isActive());

    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }));
    EXPECT_EQ(PrAbout4::Loaded(), nullptr);

    ShowAbout(&caller_, "Tessaport Version 4.32", 0);
    ASSERT_NE(PrAbout4::Loaded(), nullptr);
    EXPECT_TRUE(PrAbout4::Loaded()->isVisible());
    EXPECT_TRUE(Centred(PrAbout4::Loaded()));
}

} // namespace
