#include "installation.h"

#include "app/help_window.h"
#include "widgets/file_dialog.h"
#include "widgets/help_request.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSet>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTest>
#include <QTextBrowser>

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

TEST_F(MainWindowTest, EnterSearchesInSingleModeOnly)
{
    QTest::keyClicks(C().symbolEdit(), " ibx ");
    EXPECT_EQ(C().descriptionLabel()->text().trimmed(), "");
    QTest::keyClick(C().symbolEdit(), Qt::Key_Return);
    EXPECT_EQ(C().descriptionLabel()->text().trimmed(), "Fictional Machines");
    EXPECT_EQ(C().symbolEdit()->text(), "IBX");

    C().modeAction(ImportMode::SecurityList)->trigger();
    C().descriptionLabel()->setText("marker");
    QTest::keyClick(C().symbolEdit(), Qt::Key_Return);
    EXPECT_EQ(C().descriptionLabel()->text(), "marker");
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

// A mode switch clears the dates; the focus they had goes to the symbol (mask) box, not
// to the next control in the chain. A control still usable keeps it.
TEST_F(MainWindowTest, ModeSwitchLeavesTheFocusInAUsableControl)
{
    ShowIbx();
    C().lastDateEdit()->setFocus(Qt::TabFocusReason);
    C().modeAction(ImportMode::SecurityList)->trigger();
    EXPECT_EQ(FocusName(), "symbolEdit");

    C().skipInvalidCheck()->setFocus(Qt::TabFocusReason);
    C().modeAction(ImportMode::SingleSecurity)->trigger();
    EXPECT_EQ(FocusName(), "skipInvalidCheck");
}

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

// What a screen reader says for each input: its caption without "&" or colon, and the
// caption's label as its Label relation. The symbol box follows the caption of the mode.
TEST_F(MainWindowTest, InputsCarryTheirCaptionsAsAccessibleNames)
{
    // A combo box is the exception: on this platform its name is its current entry, by the
    // toolkit's design, and readers take its caption from the Label relation below.
    EXPECT_EQ(C().dataDirCombo()->accessibleName(), "Omega Downloader Files In");
    // A check box, an option or a button is named by the toolkit after its own text; one stands for them.
    const std::vector<std::pair<QWidget*, QString>> named = {
        {C().symbolEdit(), "Enter security symbol"}, {C().firstDateEdit(), "First Date"},
        {C().securityList(), "Securities"}, {C().searchBySymbolButton(), "Symbol"}};
    for (const auto& [widget, name] : named) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), name) << widget->objectName().toStdString();
    }
    const std::vector<std::pair<QWidget*, QLabel*>> labelled = {
        {C().dataDirCombo(), C().dataDirCaption()}, {C().symbolEdit(), C().symbolCaption()}};
    for (const auto& [widget, label] : labelled) {
        bool found = false;
        for (const auto& [other, relation] :
             QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label))
            found = found || other->object() == label;
        EXPECT_TRUE(found) << widget->objectName().toStdString();
    }

    C().modeAction(ImportMode::SecurityList)->trigger();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(C().symbolEdit())->text(QAccessible::Name), "Enter security mask");
}

// The menus, the boxes and the help open in the window's own font; every menu entry has
// an access key of its own; the "Symbol" option's caption keeps clear of the "Description"
// option.
TEST_F(MainWindowTest, MenusTakeTheWindowFontAndSearchOptionsKeepApart)
{
    const QList<QAction*> menus = Window().menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    for (const QAction* item : menus) {
        ASSERT_NE(item->menu(), nullptr);
        EXPECT_EQ(item->menu()->font().pointSizeF(), Window().font().pointSizeF()) << item->text().toStdString();
        QStringList keys;
        for (const QAction* entry : item->menu()->actions()) {
            if (!entry->isSeparator() && entry->objectName() != "dataDirectoriesAction")
                keys << QKeySequence::mnemonic(entry->text()).toString();
        }
        EXPECT_FALSE(keys.contains(QString())) << item->text().toStdString();
        EXPECT_EQ(keys.size(), QSet<QString>(keys.begin(), keys.end()).size()) << item->text().toStdString();
    }
    QMessageBox box;
    HelpWindow help;
    for (const QWidget* window : {static_cast<QWidget*>(&box), static_cast<QWidget*>(&help)})
        EXPECT_EQ(window->font(), Window().font()) << window->metaObject()->className();

    C().modeAction(ImportMode::SecurityList)->trigger();
    const QRadioButton& symbol = *C().searchBySymbolButton();
    const int captionEnd = symbol.x() + symbol.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &symbol) +
                           symbol.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &symbol) +
                           symbol.fontMetrics().horizontalAdvance(symbol.text());
    EXPECT_GE(C().searchByDescriptionButton()->x() - captionEnd, 8);
}

// Tab goes down the window as the eye does, along a row from left to right, and within a
// frame of two columns down the first, then the second; in both modes.
TEST_F(MainWindowTest, TabFollowsTheScreenFromTopToBottom)
{
    for (QAction* mode : C().modeActions()) {
        mode->trigger();
        std::vector<const QWidget*> chain;
        const QWidget* widget = C().dataDirCombo();
        do {
            if (widget->isVisibleTo(&Window()) && (widget->focusPolicy() & Qt::TabFocus) && widget->window() == &Window())
                chain.push_back(widget);
            widget = widget->nextInFocusChain();
        } while (widget != C().dataDirCombo());
        ASSERT_GE(chain.size(), 5u) << mode->objectName().toStdString();
        for (size_t i = 0; i + 1 < chain.size(); ++i) {
            const QRect a(chain[i]->mapTo(&Window(), QPoint()), chain[i]->size());
            const QRect b(chain[i + 1]->mapTo(&Window(), QPoint()), chain[i + 1]->size());
            const bool sameRow = b.top() <= a.bottom() && a.top() <= b.bottom();
            const bool nextColumn = chain[i]->parent() == chain[i + 1]->parent() && b.left() > a.right();
            EXPECT_TRUE(sameRow ? b.left() > a.left() : b.top() > a.top() || nextColumn)
                << mode->objectName().toStdString() << ": " << chain[i]->objectName().toStdString() << " then "
                << chain[i + 1]->objectName().toStdString();
        }
    }
}

TEST(HelpWindow, ContextsOpenTheirTopicsAndTheIndexLinksEveryTopic)
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

    const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
    auto read = [](const QString& page) {
        QFile file(QString(page).replace(QLatin1String("qrc:"), QLatin1String(":")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
        return QString::fromUtf8(file.readAll());
    };
    const QString index = read(HelpIndexPage());
    for (const HelpTopic& topic : HelpTopics()) {
        const QString name = topic.page.section(QLatin1Char('/'), -1);
        EXPECT_TRUE(index.contains("href=\"" + name + "\">" + topic.title + "</a>")) << name.toStdString();
        help.ShowTopic(topic.context);
        EXPECT_EQ(help.Browser()->documentTitle(), topic.title);
        // Every link of the page leads to a page that exists.
        for (const auto& match : link.globalMatch(read(topic.page)))
            EXPECT_TRUE(QFile::exists(":/help/" + match.captured(1))) << match.captured(1).toStdString();
    }

    // Escape closes it.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    QTest::keyClick(help.Browser(), Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
}

} // namespace
