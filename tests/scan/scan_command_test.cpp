#include "scan_fixture.h"
#include "case_name.h"

#include "scan/scan_command.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace scan::test {
namespace {

struct SelectionCase : NamedCase<SelectionCase> {
    QStringList mainList;
    int selected;
    int removed;  // the entry the user removes before Close; -1: Clear list
    QStringList expectedList;
    const char* expectedSelection;
};

void RemoveAndClose(DataFolderDialog& dialog, int removed)
{
    if (removed < 0) {
        dialog.clearListButton->click();
    } else {
        dialog.folderList->topLevelItem(removed)->setSelected(true);
        dialog.removeButton->click();
    }
    dialog.closeButton->click();
}

class SelectionAfterScannerTest : public ScanFixture, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionAfterScannerTest, KeepsTheSelectedFolderWhenStillListed)
{
    const SelectionCase& c = GetParam();
    SetMainList(c.mainList, c.selected);
    ScopedScannerDriver driver([&](DataFolderDialog& dialog) { RemoveAndClose(dialog, c.removed); });
    ShowDataFolderScanner(state_, dataDirCombo_, &window_, FillDataDirCombo, SelectDataDir);

    EXPECT_EQ(state_.dataDirs, c.expectedList);
    EXPECT_EQ(dataDirCombo_->count(), c.expectedList.size());
    EXPECT_EQ(state_.currentDataDir, QString::fromLatin1(c.expectedSelection));
}

INSTANTIATE_TEST_SUITE_P(Edits, SelectionAfterScannerTest, ::testing::Values(
    SelectionCase{"StillListed", {"/d/A", "/d/B", "/d/C"}, 1, 0, {"/d/B", "/d/C"}, "/d/B"},
    SelectionCase{"Removed", {"/d/A", "/d/B", "/d/C"}, 1, 1, {"/d/A", "/d/C"}, "/d/A"},
    SelectionCase{"MatchedIgnoringCase", {"/d/A", "/d/b", "/d/B"}, 2, 0, {"/d/b", "/d/B"}, "/d/b"},
    SelectionCase{"ClosedEmpty", {"/d/A", "/d/B"}, 0, -1, {}, ""}),
    CaseName());

// Close hides the window, which keeps its list for the next opening. Closed through
// its frame, even during a scan, it ends the walk, goes, and hands nothing back.
TEST_F(ScanFixture, WindowSurvivesCloseButNotItsFrame)
{
    MakeTree({"db Data/A 1"});
    SetMainList({"/d/A", "/d/B", "/d/C"}, 2);
    QPointer<DataFolderDialog> first;
    {
        ScopedScannerDriver driver([&](DataFolderDialog& dialog) { first = &dialog; RemoveAndClose(dialog, 0); });
        ShowDataFolderScanner(state_, dataDirCombo_, &window_, FillDataDirCombo, SelectDataDir);
    }
    SetMainList({"/d/X"}, 0);  // not read: the window stays loaded
    {
        ScopedScannerDriver driver([&](DataFolderDialog& dialog) {
            EXPECT_EQ(&dialog, first.data());
            EXPECT_EQ(ListEntries(dialog), (Entries{{"/d/B", " 0"}, {"/d/C", " 0"}}));
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.close(); });
            dialog.scanButton->click();
            EXPECT_EQ(dialog.StatusText(), QStringLiteral("Total 0 directories searched, 0 files checked."));
        });
        ShowDataFolderScanner(state_, dataDirCombo_, &window_, FillDataDirCombo, SelectDataDir);
    }
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(state_.dataDirs, QStringList{"/d/X"});

    ScopedScannerDriver driver([&](DataFolderDialog& dialog) {
        EXPECT_EQ(ListEntries(dialog), (Entries{{"/d/X", " 0"}}));
        dialog.closeButton->click();
    });
    ShowDataFolderScanner(state_, dataDirCombo_, &window_, FillDataDirCombo, SelectDataDir);
}

// Without a driver the wait is the real modal one; Close ends it.
TEST_F(ScanFixture, ModalWaitEndsWhenTheWindowIsHidden)
{
    SetMainList({"/d/A", "/d/B"}, 1);
    auto scanners = [](const std::function<void(DataFolderDialog&)>& act) {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<DataFolderDialog*>(widget); dialog && dialog->isVisible())
                act(*dialog);
    };
    QTimer::singleShot(0, [&] { scanners([](DataFolderDialog& dialog) { RemoveAndClose(dialog, 0); }); });
    QTimer safety;  // should Close not end the wait, this does and the test fails
    QObject::connect(&safety, &QTimer::timeout, [&] { scanners([](DataFolderDialog& dialog) { dialog.done(0); }); });
    safety.start(10000);
    ShowDataFolderScanner(state_, dataDirCombo_, &window_, FillDataDirCombo, SelectDataDir);
    EXPECT_EQ(state_.dataDirs, QStringList{"/d/B"});
}

} // namespace
} // namespace scan::test
