#include "scan_fixture.h"
#include "case_name.h"

#include "scan/data_folder_search.h"
#include "scan/drive_list.h"

#include <utility>

namespace scan::test {
namespace {

struct WalkCase : NamedCase<WalkCase> {
    QStringList tree;
    Entries found;  // relative to the root
    std::pair<int, int> foldersAndFiles;  // searched below the start, checked
};

class WalkTest : public ScanFixture, public ::testing::WithParamInterface<WalkCase> {};

// No window: the search on its own, from the system volume as the scanner starts it.
TEST_P(WalkTest, FindsTheDataFoldersOfTheDataRoot)
{
    MakeTree(GetParam().tree);
    Entries found;
    DataFolderSearchHooks hooks;
    hooks.found = [&](const QString& folder, int16_t count) { found.emplace_back(folder, u' ' + QString::number(count)); };
    const DataFolderSearchOutcome outcome =
        DataFolderSearch(state_.tradeStationDir, state_.omegaRootDir).Search(SystemVolume(), hooks);
    EXPECT_EQ(Sorted(found), Sorted(GetParam().found, true));
    EXPECT_EQ(std::pair(outcome.foldersSearched, outcome.filesChecked), GetParam().foldersAndFiles);
    EXPECT_EQ(outcome.unreadFolders, 0);
}

// A database of N securities is its header file and N data files.
INSTANTIATE_TEST_SUITE_P(Trees, WalkTest, ::testing::Values(
    WalkCase{"SeveralDepthsAndAFolderWithBothSubfoldersAndHeader",
             {"db Data/A 1", "db Data/B/C 2", "db Data/B/C/D/E 3", "file Data/F/readme.txt", "file Data/top.txt"},
             {{"Data/A", " 1"}, {"Data/B/C", " 2"}, {"Data/B/C/D/E", " 3"}},
             {6, 11}},
    WalkCase{"WindowsFoldersSkippedAtAnyDepthButFilesOfThoseNamesCounted",
             {"db Data/Windows 1", "db Data/x/WINNT 1", "db Data/x/y/wInNt 2", "file Data/windows", "file Data/x/y/WINNT"},
             {}, {2, 2}}),
    CaseName());

} // namespace
} // namespace scan::test
