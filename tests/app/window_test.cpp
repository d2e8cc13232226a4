#include "installation.h"

#include "app/help_window.h"
#include "widgets/file_dialog.h"
#include "widgets/help_request.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTextBrowser>

#include <algorithm>

namespace {

using widgets::HelpRequest;

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        installation_.AddDataDir("USStock", {app_test::Security("IBX", "Fictional Machines"),
                                             app_test::Security("IBY", "Fictional Yards")});
        started_ = app_test::Start(installation_);
        ASSERT_EQ(started_.outcome, StartUpOutcome::Shown) << started_.Said();
        // Shortcuts reach the active window only.
        ASSERT_TRUE(QTest::qWaitForWindowActive(started_.window.get()));
    }

    ::MainWindow& Window() { return *started_.window; }
    const MainWindowControls& C() { return started_.window->Controls(); }
    QString FocusName() const
    {
        const QWidget* focus = started_.window->focusWidget();
        return focus ? focus->objectName() : QStringLiteral("(none)");
    }
    // The security IBX shown, ready for Begin Import into a file in the temporary folder.
    void ShowIbx()
    {
        QTest::keyClicks(C().symbolEdit(), "IBX");
        QTest::keyClick(C().symbolEdit(), Qt::Key_Return);
        ASSERT_TRUE(C().beginImportAction()->isEnabled());
        Window().State().patternFileName = installation_.Temp() + "/ibx.pat";
    }

    app_test::Installation installation_;
    app_test::StartUp started_;
};

TEST_F(MainWindowTest, CloseIsRefusedWhileAnImportRunsAndAllowedAfter)
{
    widgets::RecordedMessages messages;
    C().interruptImportAction()->setEnabled(true);
    EXPECT_FALSE(Window().close());
    C().exitAction()->trigger();
    EXPECT_TRUE(Window().isVisible());
    ASSERT_EQ(messages.All().size(), 2u);
    for (const widgets::Message& m : messages.All())
        EXPECT_EQ(std::tuple(m.title, m.text, m.icon),
                  std::tuple(QStringLiteral("Tessaport"), QStringLiteral("Import should either be interrupted or allowed "
                             "to run to completion before closing import module."), widgets::MessageIcon::Exclamation));

    C().interruptImportAction()->trigger();
    EXPECT_TRUE(Window().State().interruptRequested);
    C().interruptImportAction()->setEnabled(false);
    C().exitAction()->trigger();
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(messages.All().size(), 2u);
}

TEST_F(MainWindowTest, FunctionKeysAskForHelp)
{
    widgets::RecordedHelpRequests requests;
    QTest::keyClick(C().symbolEdit(), Qt::Key_F1);
    QTest::keyClick(C().symbolEdit(), Qt::Key_F2);
    EXPECT_EQ(requests.All(), (std::vector<HelpRequest>{{HelpRequest::Kind::Context, 5616},
                                                        {HelpRequest::Kind::Index, 0}}));
}

struct FocusCase : NamedCase<FocusCase> {
    const char* focused;  // before Begin Import, and after it
    bool writeFails;      // no pattern file chosen; the one chosen when asked lies in a missing folder
};

class FocusAfterImport : public MainWindowTest, public testing::WithParamInterface<FocusCase> {};

// The import locks the options, which moves the focus along the tab chain; when it ends,
// with or without the write-failure message, the focus is back where the user left it and
// the window is still the active one.
TEST_P(FocusAfterImport, ReturnsToTheControlThatHadIt)
{
    ShowIbx();
    widgets::FileDialogAnswers dialogs;
    if (GetParam().writeFails) {
        Window().State().patternFileName.clear();
        dialogs.Answer(installation_.Temp() + "/missing/ibx.pat");
    }
    Window().findChild<QWidget*>(GetParam().focused)->setFocus(Qt::TabFocusReason);
    widgets::RecordedMessages messages;

    C().beginImportAction()->trigger();

    EXPECT_EQ(messages.All().size(), GetParam().writeFails ? 1u : 0u);
    EXPECT_EQ(QFile::exists(installation_.Temp() + "/ibx.pat"), !GetParam().writeFails);
    EXPECT_EQ(FocusName(), GetParam().focused);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Window()));
}

INSTANTIATE_TEST_SUITE_P(Controls, FocusAfterImport, testing::Values(
    FocusCase{"LastDate", "lastDateEdit", false}, FocusCase{"SymbolBox", "symbolEdit", false},
    FocusCase{"WriteFailureSkip", "skipInvalidCheck", true}),
    CaseName());

// A line reached from the keyboard is selected, not only framed, and is the one shown.
TEST_F(MainWindowTest, KeyboardPicksListLinesWithTheSelection)
{
    C().modeAction(ImportMode::SecurityList)->trigger();
    Window().checkTypingPause();
    Window().checkTypingPause();
    ASSERT_EQ(C().securityList()->model()->rowCount(), 2);

    // The view makes a line current without selecting it when it takes the focus from
    // the keyboard.
    C().securityList()->setFocus(Qt::TabFocusReason);
    QItemSelectionModel& selection = *C().securityList()->selectionModel();
    selection.setCurrentIndex(C().securityList()->model()->index(0, 0), QItemSelectionModel::NoUpdate);
    EXPECT_TRUE(selection.isSelected(C().securityList()->currentIndex()));
    EXPECT_EQ(C().descriptionLabel()->text().trimmed(), "Fictional Machines");

    QTest::keyClick(C().securityList(), Qt::Key_Down);
    EXPECT_EQ(selection.selectedIndexes(), QModelIndexList{C().securityList()->currentIndex()});
    EXPECT_EQ(C().descriptionLabel()->text().trimmed(), "Fictional Yards");
}

// What a screen reader says for the symbol box: its caption without colon, which follows
// the mode, and the caption's label as its Label relation.
TEST_F(MainWindowTest, InputsCarryTheirCaptionsAsAccessibleNames)
{
    QAccessibleInterface* symbol = QAccessible::queryAccessibleInterface(C().symbolEdit());
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(symbol->text(QAccessible::Name), "Enter security symbol");
    const auto labels = symbol->relations(QAccessible::Label);
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const auto& r) { return r.first->object() == C().symbolCaption(); }));

    C().modeAction(ImportMode::SecurityList)->trigger();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(C().symbolEdit())->text(QAccessible::Name), "Enter security mask");
}

TEST(HelpWindow, ContextsOpenTheirTopicsAndEscapeCloses)
{
    BuiltInHelp engine;
    widgets::SetHelpEngine(&engine);
    widgets::ShowHelpContext(5616);
    widgets::SetHelpEngine(nullptr);
    ASSERT_NE(engine.Window(), nullptr);
    HelpWindow& help = *engine.Window();
    EXPECT_EQ(help.Browser()->documentTitle(), "The Tessaport window");
    EXPECT_TRUE(help.isVisible());
    help.ShowTopic(1);
    EXPECT_EQ(help.Browser()->documentTitle(), "Help index");

    for (const HelpTopic& topic : HelpTopics()) {
        help.ShowTopic(topic.context);
        EXPECT_EQ(help.Browser()->documentTitle(), topic.title);
    }

    // Escape closes it.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    QTest::keyClick(help.Browser(), Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
}

} // namespace
