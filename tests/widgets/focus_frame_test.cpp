// The control that has the keyboard shows its frame, whatever gave it the focus.

#include "widgets/focus_frame.h"

#include <QCheckBox>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

TEST(FocusFrame, FocusGivenByTheProgramIsDrawn)
{
    platform::FocusFrameStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    QWidget window;
    window.setStyle(&style);
    auto* layout = new QVBoxLayout(&window);
    auto* check = new QCheckBox(QStringLiteral("Import 'Open Interest' field"), &window);
    auto* button = new QPushButton(QStringLiteral("Search For Security"), &window);
    layout->addWidget(check);
    layout->addWidget(button);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (QWidget* control : std::initializer_list<QWidget*>{check, button}) {
        control->setStyle(&style);
        control->clearFocus();
        const QImage without = control->grab().toImage();
        // As after a dialog closes: no Tab, no access key.
        control->setFocus(Qt::ActiveWindowFocusReason);
        ASSERT_TRUE(control->hasFocus());
        EXPECT_NE(control->grab().toImage(), without) << control->metaObject()->className();
    }
}

} // namespace
