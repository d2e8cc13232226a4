// Loading a directory's securities, listing them by mask, and the two modes.

#include "search_fixture.h"

#include "main_window/progress_window.h"
#include "main_window/security_info.h"
#include "main_window/security_list_model.h"
#include "omega/security_table.h"

#include <gtest/gtest.h>

namespace {

using search_test::Security;
using Symbols = std::vector<QString>;

class SecuritySearchTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(w.AddSecurities({Security("IBM", "Intl Business Machines"), Security("IBMX", "IBM Extra"),
                                     Security("MSFT", "Microsoft"), Security("ibc", "Ibc Holdings")}));
    }

    Symbols Listed()
    {
        Symbols symbols;
        for (int row = 0; row < omega::SecurityList(w.c.securityList())->rowCount(); ++row)
            symbols.push_back(omega::SecurityLineSymbol(omega::SecurityList(w.c.securityList())->Line(row)));
        return symbols;
    }
    QString Count() const { return w.c.entryCountLabel()->text(); }
    void EnterListMode()
    {
        w.search.ApplyMode(w.state.mode = ImportMode::SecurityList);
        w.search.LoadTable();
    }

    search_test::TestWindow w;
};

TEST_F(SecuritySearchTest, MoreThan32767SecuritiesLoadAndListWhole)
{
    search_test::WriteHeaderOnly(w.DataDir(), 33000);
    EnterListMode();
    w.c.typingTimer()->stop();  // every change refreshes at once
    w.c.symbolEdit()->setText(QStringLiteral("?"));
    EXPECT_EQ(Listed().size(), 33000u);
    EXPECT_EQ(Count(), QStringLiteral(" 33000"));
    w.c.symbolEdit()->setText(QStringLiteral("s3299"));
    EXPECT_EQ(Listed().back(), QStringLiteral("S32999"));
    EXPECT_EQ(Count(), QStringLiteral(" 11"));
}

TEST_F(SecuritySearchTest, DirectoryWithoutSecuritiesIsReportedOnce)
{
    EnterListMode();
    const QString empty = QDir(w.temp.path()).filePath(QStringLiteral("Data/Empty"));
    ASSERT_TRUE(qv2omg::CreateDatabase(empty.toStdString()).IsOk());
    w.state.currentDataDir = empty;
    widgets::RecordedMessages messages;
    w.search.LoadTable();
    ASSERT_EQ(messages.All().size(), 1u);
    EXPECT_EQ(std::tuple(messages.All()[0].title, messages.All()[0].text, messages.All()[0].icon),
              std::tuple(QStringLiteral("Tessaport"), "Specified directory " + empty
                         + " does not contain a valid Omega Downloader header file.", widgets::MessageIcon::Critical));
    EXPECT_EQ(Count(), QStringLiteral(" 0"));
    EXPECT_TRUE(w.state.securityTableLoaded);  // kept, as it was
    EXPECT_TRUE(w.c.typingTimer()->isActive());
    // The previous directory's securities are not offered for this one.
    w.c.symbolEdit()->setText(QStringLiteral("?"));
    w.search.FillList();
    EXPECT_EQ(Listed(), Symbols{});
}

// Typing refreshes the list after one quiet tick of the timer; the list follows the mask
// and the field searched, and the line clicked is shown.
TEST_F(SecuritySearchTest, ListFollowsMaskAndSearchFieldAndClickedLineIsShown)
{
    EnterListMode();
    w.c.symbolEdit()->setText(QStringLiteral("IB"));
    EXPECT_TRUE(w.search.TypingPending());
    EXPECT_TRUE(widgets::IsBusyPointer());
    w.search.TypingTimerTick();  // changed since the last tick
    w.c.symbolEdit()->setText(QStringLiteral("IBM"));
    w.search.TypingTimerTick();
    EXPECT_EQ(Listed(), Symbols{});
    w.search.TypingTimerTick();  // unchanged for a whole tick
    EXPECT_EQ(Listed(), (Symbols{"IBM", "IBMX"}));
    EXPECT_FALSE(w.search.TypingPending());
    EXPECT_FALSE(widgets::IsBusyPointer());
    w.state.mode = ImportMode::SingleSecurity;  // in single mode typing starts nothing
    w.c.symbolEdit()->setText(QStringLiteral("MSFT"));
    EXPECT_FALSE(w.search.TypingPending());
    EXPECT_FALSE(widgets::IsBusyPointer());

    w.state.mode = ImportMode::SecurityList;
    w.c.typingTimer()->stop();  // every change refreshes at once
    w.c.symbolEdit()->setText(QStringLiteral("  ib"));
    EXPECT_EQ(Listed(), (Symbols{"IBM", "IBMX", "ibc"}));
    w.c.searchByDescriptionButton()->setChecked(true);
    w.search.Refresh();
    EXPECT_EQ(Listed(), (Symbols{"IBMX", "ibc"}));
    w.c.symbolEdit()->setText(QStringLiteral("zz"));
    EXPECT_EQ(Listed(), Symbols{});
    EXPECT_EQ(Count(), QStringLiteral(" 0"));
    w.c.symbolEdit()->setText(QStringLiteral("?"));
    w.c.symbolEdit()->clear();  // leaves the list as it is
    EXPECT_EQ(Listed(), (Symbols{"IBM", "IBMX", "MSFT", "ibc"}));
    EXPECT_EQ(Count(), QStringLiteral(" 4"));
    EXPECT_FALSE(widgets::IsBusyPointer());

    w.c.securityList()->setCurrentIndex(omega::SecurityList(w.c.securityList())->index(1));
    w.search.ShowSelected();
    EXPECT_EQ(w.c.descriptionLabel()->text().trimmed(), QStringLiteral("IBM Extra"));
    EXPECT_TRUE(w.c.beginImportAction()->isEnabled());
}

// The table is loaded once, the security chosen is kept, and the status line says what to
// do in the mode.
TEST_F(SecuritySearchTest, SwitchingModesLoadsOnceAndKeepsTheChosenOne)
{
    ShowSecurityInfo(w.state, w.c, QStringLiteral("IBM"));
    w.c.symbolEdit()->clear();
    w.search.SwitchMode(ImportMode::SecurityList);
    EXPECT_EQ(w.state.mode, ImportMode::SecurityList);
    EXPECT_TRUE(w.c.modeAction(ImportMode::SecurityList)->isChecked() && !w.c.modeAction(ImportMode::SingleSecurity)->isChecked());
    EXPECT_EQ(w.c.descriptionLabel()->text(), QString());
    EXPECT_FALSE(w.c.beginImportAction()->isEnabled());
    EXPECT_EQ(w.c.statusLine()->text(),
              "Choose a valid Omega data directory, enter security mask, pick security, then import.");
    w.search.TypingTimerTick();
    w.search.TypingTimerTick();
    EXPECT_EQ(Listed().size(), 4u);

    w.state.securityTable.clear();
    w.search.SwitchMode(ImportMode::SecurityList);  // already chosen: no reload, no change
    EXPECT_EQ(Listed().size(), 4u);
    EXPECT_TRUE(w.state.securityTable.empty());

    w.c.symbolEdit()->setText(QStringLiteral("msft "));
    w.search.SwitchMode(ImportMode::SingleSecurity);
    EXPECT_TRUE(w.c.modeAction(ImportMode::SingleSecurity)->isChecked());
    EXPECT_EQ(Listed(), Symbols{});
    EXPECT_EQ(w.c.descriptionLabel()->text().trimmed(), QStringLiteral("Microsoft"));
    EXPECT_EQ(w.c.symbolEdit()->text(), QStringLiteral("MSFT"));
    EXPECT_EQ(w.c.statusLine()->text(),
              "Choose a valid Omega data directory, enter a valid security symbol, search for it, then import.");
}

TEST_F(SecuritySearchTest, LoadStartedWhileAnotherReadsReplacesIt)
{
    const std::filesystem::path big = w.DataDir().parent_path() / "Big";
    search_test::WriteHeaderOnly(big, 1200);
    w.state.currentDataDir = QString::fromStdString(big.string());
    bool switched = false;
    {
        // The user picks another directory while the first one loads.
        search_test::PumpProbe probe([&] {
            if (switched || Count() != QStringLiteral(" 500"))
                return;
            switched = true;
            w.state.currentDataDir = QString::fromStdString(w.DataDir().string());
            w.state.securityTableLoaded = false;
            w.search.LoadTable();
        });
        w.search.LoadTable();
    }
    ASSERT_TRUE(switched);
    EXPECT_EQ(w.state.securityCount, 4);
    ASSERT_EQ(w.state.securityTable.size(), 4u);
    EXPECT_TRUE(w.state.securityTable[3].startsWith("ibc"));
    EXPECT_EQ(Count(), QStringLiteral(" 4"));
    EXPECT_FALSE(ProgressWindow()->isVisible());
}

} // namespace
