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
        for (int row = 0; row < omega::SecurityList(w.c.List1)->rowCount(); ++row)
            symbols.push_back(omega::SecurityLineSymbol(omega::SecurityList(w.c.List1)->Line(row)));
        return symbols;
    }
    QString Count() const { return w.c.lblNumOfEntries->text(); }
    void EnterListMode()
    {
        ApplyImportMode(w.state, w.c, w.state.ImportMode = 1);
        LoadSecurityTable(w.state, w.c);
    }

    search_test::TestWindow w;
};

TEST_F(SecuritySearchTest, LoadingCountsInStepsOf500AndShowsProgress)
{
    search_test::WriteHeaderOnly(w.DataDir(), 1200);
    w.c.lblNumOfEntries->clear();
    std::vector<QString> counts;
    bool progressShown = false;
    {
        search_test::PumpProbe probe([&] {
            if (counts.empty() || counts.back() != Count())
                counts.push_back(Count());
            progressShown = progressShown || ProgressWindow()->isVisible();
            EXPECT_FALSE(w.c.Timer1->isActive());
        });
        LoadSecurityTable(w.state, w.c);
    }
    EXPECT_EQ(counts, (std::vector<QString>{"", " 0", " 500", " 1000"}));
    EXPECT_EQ(Count(), QStringLiteral(" 1200"));
    EXPECT_TRUE(progressShown);
    EXPECT_FALSE(ProgressWindow()->isVisible());
    EXPECT_EQ(w.state.SecurityTableLoaded, kTrue);
    EXPECT_EQ(w.state.SecurityTable.size(), 1200u);
    EXPECT_TRUE(w.c.Timer1->isActive());
    EXPECT_FALSE(platform::IsBusyPointer());
}

TEST_F(SecuritySearchTest, MoreThan32767SecuritiesLoadAndListWhole)
{
    search_test::WriteHeaderOnly(w.DataDir(), 33000);
    EnterListMode();
    w.c.Timer1->stop();  // every change refreshes at once
    w.c.txtSymbol->setText(QStringLiteral("?"));
    EXPECT_EQ(Listed().size(), 33000u);
    EXPECT_EQ(Count(), QStringLiteral(" 33000"));
    w.c.txtSymbol->setText(QStringLiteral("s3299"));
    EXPECT_EQ(Listed().back(), QStringLiteral("S32999"));
    EXPECT_EQ(Count(), QStringLiteral(" 11"));
}

TEST_F(SecuritySearchTest, DirectoryWithoutSecuritiesIsReportedOnce)
{
    EnterListMode();
    const QString empty = QDir(w.temp.path()).filePath(QStringLiteral("Data/Empty"));
    ASSERT_TRUE(qv2omg::CreateDatabase(empty.toStdString()).IsOk());
    w.state.CurrentDataDir = empty;
    platform::RecordedMessages messages;
    LoadSecurityTable(w.state, w.c);
    ASSERT_EQ(messages.All().size(), 1u);
    EXPECT_EQ(std::tuple(messages.All()[0].title, messages.All()[0].text, messages.All()[0].icon),
              std::tuple(QStringLiteral("Tessaport"), "Specified directory " + empty
                         + " does not contain a valid Omega Downloader header file.", platform::MessageIcon::Critical));
    EXPECT_EQ(Count(), QStringLiteral(" 0"));
    EXPECT_EQ(w.state.SecurityTableLoaded, kTrue);  // kept, as it was
    EXPECT_TRUE(w.c.Timer1->isActive());
    // The previous directory's securities are not offered for this one.
    w.c.txtSymbol->setText(QStringLiteral("?"));
    FillSecurityList(w.state, w.c);
    EXPECT_EQ(Listed(), Symbols{});
}

TEST_F(SecuritySearchTest, ListFollowsMaskAndSearchFieldAndClickedLineIsShown)
{
    EnterListMode();
    w.c.Timer1->stop();
    w.c.txtSymbol->setText(QStringLiteral("  ib"));
    EXPECT_EQ(Listed(), (Symbols{"IBM", "IBMX", "ibc"}));
    EXPECT_EQ(Count(), QStringLiteral(" 3"));

    w.c.opbSearch[1]->setChecked(true);
    opbSearch_Click(w.state, w.c, 1);
    EXPECT_EQ(Listed(), (Symbols{"IBMX", "ibc"}));
    w.c.txtSymbol->setText(QStringLiteral("zz"));
    EXPECT_EQ(Listed(), Symbols{});
    EXPECT_EQ(Count(), QStringLiteral(" 0"));
    w.c.txtSymbol->setText(QStringLiteral("?"));
    w.c.txtSymbol->clear();  // leaves the list as it is
    EXPECT_EQ(Listed(), (Symbols{"IBM", "IBMX", "MSFT", "ibc"}));
    EXPECT_EQ(Count(), QStringLiteral(" 4"));
    EXPECT_FALSE(platform::IsBusyPointer());

    w.c.List1->setCurrentIndex(omega::SecurityList(w.c.List1)->index(1));
    List1_Click(w.state, w.c);
    EXPECT_EQ(w.c.pctDesc->text().trimmed(), QStringLiteral("IBM Extra"));
    EXPECT_TRUE(w.c.mnuBegin->isEnabled());
}

TEST_F(SecuritySearchTest, TypingRefreshesTheListAfterOneQuietTick)
{
    EnterListMode();
    w.c.txtSymbol->setText(QStringLiteral("IB"));
    EXPECT_EQ(w.state.SymbolTypingPending, kTrue);
    EXPECT_TRUE(platform::IsBusyPointer());
    SymbolTimerTick(w.state, w.c);  // changed since the last tick
    w.c.txtSymbol->setText(QStringLiteral("IBM"));
    SymbolTimerTick(w.state, w.c);
    EXPECT_EQ(Listed(), Symbols{});
    SymbolTimerTick(w.state, w.c);  // unchanged for a whole tick
    EXPECT_EQ(Listed(), (Symbols{"IBM", "IBMX"}));
    EXPECT_EQ(w.state.SymbolTypingPending, kFalse);
    EXPECT_FALSE(platform::IsBusyPointer());

    w.state.ImportMode = 0;  // in single mode typing starts nothing
    w.c.txtSymbol->setText(QStringLiteral("MSFT"));
    EXPECT_EQ(w.state.SymbolTypingPending, kFalse);
    EXPECT_FALSE(platform::IsBusyPointer());
}

struct Arrangement {
    int16_t mode;
    const char* label6;
    int frameTop, optionsTop, panelHeight;
    const char* info;
};

void PrintTo(const Arrangement& a, std::ostream* out) { *out << (a.mode == 0 ? "single" : "list") << " mode"; }

class ModeArrangement : public SecuritySearchTest, public testing::WithParamInterface<Arrangement> {};

TEST_P(ModeArrangement, PlacesTheControlsOfTheMode)
{
    const Arrangement& a = GetParam();
    ApplyImportMode(w.state, w.c, a.mode);
    EXPECT_EQ(w.c.Label6->text(), QString::fromLatin1(a.label6));
    EXPECT_EQ(w.c.cmdSearch->isVisible(), a.mode == 0);
    for (QWidget* listOnly : std::initializer_list<QWidget*>{w.c.List1, w.c.Label12, w.c.Label13, w.c.opbSearch[0],
                                                             w.c.opbSearch[1], w.c.lblNumOfEntries, w.c.Label14})
        EXPECT_EQ(listOnly->isVisible(), a.mode != 0) << listOnly->objectName().toStdString();
    using platform::TwipsToPixelsY;
    EXPECT_EQ(std::tuple(w.c.Frame3D1->y(), w.c.frmOptions->y(), w.c.Panel3D1->height()),
              std::tuple(TwipsToPixelsY(a.frameTop), TwipsToPixelsY(a.optionsTop), TwipsToPixelsY(a.panelHeight)));
    EXPECT_EQ(w.c.InfoPanel->text(), QString::fromLatin1(a.info));
    const int height = TwipsToPixelsY(960) + TwipsToPixelsY(a.panelHeight) + TwipsToPixelsY(120) + TwipsToPixelsY(345);
    EXPECT_EQ(w.c.window->height(), height);
    EXPECT_EQ(w.c.InfoPanel->geometry().bottom(), height - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeArrangement,
    testing::Values(Arrangement{0, "Enter security symbol:", 600, 2100, 3345,
                                "Choose a valid Omega data directory, enter a valid security symbol, search for it, "
                                "then import."},
                    Arrangement{1, "Enter security mask:", 1800, 3210, 4335,
                                "Choose a valid Omega data directory, enter security mask, pick security, then "
                                "import."}));

TEST_F(SecuritySearchTest, SwitchingModesLoadsOnceAndKeepsTheChosenOne)
{
    ShowSecurityInfo(w.state, w.c, QStringLiteral("IBM"));
    w.c.txtSymbol->clear();
    mnuMode_Click(w.state, w.c, 1);
    EXPECT_EQ(w.state.ImportMode, 1);
    EXPECT_TRUE(w.c.mnuMode[1]->isChecked() && !w.c.mnuMode[0]->isChecked());
    EXPECT_EQ(w.c.pctDesc->text(), QString());
    EXPECT_FALSE(w.c.mnuBegin->isEnabled());
    EXPECT_EQ(w.state.SecurityTableLoaded, kTrue);
    EXPECT_EQ(w.c.txtSymbol->text(), QStringLiteral("?"));
    SymbolTimerTick(w.state, w.c);
    SymbolTimerTick(w.state, w.c);
    EXPECT_EQ(Listed().size(), 4u);

    w.state.SecurityTable.clear();
    mnuMode_Click(w.state, w.c, 1);  // already chosen: no reload, no change
    EXPECT_EQ(Listed().size(), 4u);
    EXPECT_TRUE(w.state.SecurityTable.empty());

    w.c.txtSymbol->setText(QStringLiteral("msft "));
    mnuMode_Click(w.state, w.c, 0);
    EXPECT_TRUE(w.c.mnuMode[0]->isChecked());
    EXPECT_EQ(Listed(), Symbols{});
    EXPECT_EQ(w.c.pctDesc->text().trimmed(), QStringLiteral("Microsoft"));
    EXPECT_EQ(w.c.txtSymbol->text(), QStringLiteral("MSFT"));
}

TEST_F(SecuritySearchTest, LoadStartedWhileAnotherReadsReplacesIt)
{
    const std::filesystem::path big = w.DataDir().parent_path() / "Big";
    search_test::WriteHeaderOnly(big, 1200);
    w.state.CurrentDataDir = QString::fromStdString(big.string());
    bool switched = false;
    {
        // The user picks another directory while the first one loads.
        search_test::PumpProbe probe([&] {
            if (switched || Count() != QStringLiteral(" 500"))
                return;
            switched = true;
            w.state.CurrentDataDir = QString::fromStdString(w.DataDir().string());
            w.state.SecurityTableLoaded = kFalse;
            LoadSecurityTable(w.state, w.c);
        });
        LoadSecurityTable(w.state, w.c);
    }
    ASSERT_TRUE(switched);
    EXPECT_EQ(w.state.SecurityCount, 4);
    ASSERT_EQ(w.state.SecurityTable.size(), 4u);
    EXPECT_TRUE(w.state.SecurityTable[3].startsWith("ibc"));
    EXPECT_EQ(Count(), QStringLiteral(" 4"));
    EXPECT_EQ(w.state.SecurityTableLoaded, kTrue);
    EXPECT_FALSE(ProgressWindow()->isVisible());
}

} // namespace
