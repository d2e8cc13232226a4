// The About window: its texts, modeless, and unloaded by the timer after Close.

#include "about/about_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "qt_printers.h"

namespace {

template <class T = QLabel>
T* Control(const char* name)
{
    return AboutDialog::Loaded() ? AboutDialog::Loaded()->findChild<T*>(name) : nullptr;
}

QString Text(const char* name) { return Control(name) ? Control(name)->text() : "<none>"; }

// Shown modeless with the caller's icon; a second About while it is open reuses it; Close
// unloads it at the timer's tick, and the next About loads it afresh.
TEST(About, ShowsItsTextsModelessAndReloadsAfterClose)
{
    QWidget caller;
    QPixmap icon(32, 32);
    icon.fill(Qt::red);
    caller.setWindowIcon(QIcon(icon));
    caller.show();
    ShowAbout(&caller, "Tessaport Version 4.32", 0);

    QPointer<AboutDialog> about = AboutDialog::Loaded();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), "About");
    EXPECT_EQ(Text("productLabel"), "Quorvane  2");
    EXPECT_EQ(Text("registeredMark"), "\u00AE");
    EXPECT_EQ(Text("versionLabel"), "Tessaport Version 4.32");
    ASSERT_TRUE(Control<QPushButton>("closeButton") && Control("callerIcon") && Control<QTimer>("closeTimer"));
    EXPECT_EQ(Control<QPushButton>("closeButton")->text(), "&Close");
    EXPECT_EQ(Control("callerIcon")->pixmap().toImage().pixelColor(16, 16), QColor(Qt::red));

    ShowAbout(&caller, "Tessaport Version 4.33", 0);
    EXPECT_EQ(AboutDialog::Loaded(), about);
    EXPECT_EQ(Text("versionLabel"), "Tessaport Version 4.33");

    const QPointer<QTimer> timer = Control<QTimer>("closeTimer");
    QTest::mouseClick(Control<QPushButton>("closeButton"), Qt::LeftButton);
    EXPECT_EQ(AboutDialog::Loaded(), about.data()) << "closed inside the click";
    EXPECT_TRUE(timer && timer->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }));
    EXPECT_EQ(AboutDialog::Loaded(), nullptr);

    ShowAbout(&caller, "Tessaport Version 4.32", 0);
    ASSERT_NE(AboutDialog::Loaded(), nullptr);
    EXPECT_TRUE(AboutDialog::Loaded()->isVisible());
    delete AboutDialog::Loaded();
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
        ASSERT_NE(AboutDialog::Loaded(), nullptr);
        EXPECT_EQ(AboutDialog::Loaded()->font().pointSizeF(), pointSize);
        for (const char* name : {"versionLabel", "copyrightLabel", "addressLabel", "contactLabel"}) {
            const QLabel* label = Control(name);
            ASSERT_NE(label, nullptr);
            const int lines = static_cast<int>(label->text().count(u'\n')) + 1;
            EXPECT_GE(label->height(), lines * label->fontMetrics().lineSpacing())
                << name << " at " << pointSize << " points";
            EXPECT_LE(label->geometry().bottom(), AboutDialog::Loaded()->height()) << name;
        }
        delete AboutDialog::Loaded();
    }
}

} // namespace
