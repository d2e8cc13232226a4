#include "installation.h"

#include "app/data_dir_list.h"
#include "main_window/security_list_model.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

namespace {

using app_test::Security;

// Three databases; "Case" and "CASE" differ only in letter case (where file names ignore
// it, the second is "Kase") and hold the same symbol with different descriptions.
class DataDirList : public testing::Test {
protected:
    void SetUp() override
    {
        upper_ = installation_.AddDataDir("CASE", {Security("ABC", "Upper Case Inc"), Security("ABD", "Upper Two")});
        lower_ = installation_.AddDataDir(platform::kFileNamesIgnoreCase ? "Kase" : "Case", {Security("ABC", "Lower Case Inc")});
        stocks_ = installation_.AddDataDir("USStock", {Security("XYZ", "Stock Corp")});
        started_ = app_test::Start(installation_);
        ASSERT_EQ(started_.outcome, StartUpOutcome::Shown) << started_.Said();
        ASSERT_EQ(State().currentDataDir, stocks_);
    }

    ProgramState& State() { return started_.window->State(); }
    const MainWindowControls& C() { return started_.window->Controls(); }
    int IndexOf(const QString& dir) { return C().dataDirCombo()->findText(dir, Qt::MatchExactly | Qt::MatchCaseSensitive); }
    void Choose(const QString& dir)  // as the user does: the box emits its activation
    {
        C().dataDirCombo()->setCurrentIndex(IndexOf(dir));
        emit C().dataDirCombo()->activated(IndexOf(dir));
    }
    QString Description() { return C().descriptionLabel()->text().trimmed(); }
    int ListedLines() { return omega::SecurityList(C().securityList())->rowCount(); }

    app_test::Installation installation_;
    app_test::StartUp started_;
    QString upper_, lower_, stocks_;
};

TEST_F(DataDirList, DirectoriesDifferingOnlyInCaseAreDifferentAndTheSymbolIsLookedUpAgain)
{
    C().symbolEdit()->setText("abc");
    Choose(upper_);
    EXPECT_EQ(std::pair(State().currentDataDir, Description()), std::pair(upper_, QStringLiteral("Upper Case Inc")));

    State().securityTableLoaded = true;
    Choose(lower_);
    EXPECT_EQ(std::tuple(State().currentDataDir, State().previousDataDir, State().securityTableLoaded, Description()),
              std::tuple(lower_, lower_, false, QStringLiteral("Lower Case Inc")));
}

TEST_F(DataDirList, SingleModeWithBlankSymbolOnlyChangesTheDirectory)
{
    C().symbolEdit()->setText("   ");
    C().descriptionLabel()->setText("marker");
    Choose(upper_);
    EXPECT_EQ(std::tuple(State().currentDataDir, Description(), C().symbolEdit()->text()),
              std::tuple(upper_, QStringLiteral("marker"), QStringLiteral("   ")));

    // Only blanks count as nothing typed; any other character is a symbol to look up.
    C().symbolEdit()->setText(" \t ");
    Choose(lower_);
    EXPECT_EQ(Description(), "No such security in specified data directory.");
}

TEST_F(DataDirList, ListModeKeepsTheShowAllMaskAndClearsAnyOther)
{
    C().modeAction(ImportMode::SecurityList)->trigger();
    C().symbolEdit()->setText("?");
    started_.window->checkTypingPause();
    started_.window->checkTypingPause();
    EXPECT_EQ(ListedLines(), 1);

    Choose(upper_);
    EXPECT_EQ(C().symbolEdit()->text(), "?");
    EXPECT_TRUE(State().securityTableLoaded);
    EXPECT_EQ(ListedLines(), 2);
    EXPECT_EQ(C().entryCountLabel()->text(), " 2");

    C().symbolEdit()->setText("AB");
    Choose(lower_);
    EXPECT_EQ(C().symbolEdit()->text(), "");
    EXPECT_EQ(ListedLines(), 0);
    EXPECT_TRUE(State().securityTableLoaded);
}

} // namespace
