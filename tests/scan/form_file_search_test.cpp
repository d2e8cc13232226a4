#include "scan_fixture.h"

#include "widgets/file_dialog.h"
#include "qv2omg/database_writer.h"
#include "widgets/message_box.h"

#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <dirent.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#endif

#include <sched.h>
#include <cerrno>
#include <cstring>

namespace scan::test {
namespace {

constexpr int kScan = formFileSearch::kScan;

struct WalkCase {
    const char* name;
    QStringList tree;
    Entries found;  // relative to the root
    const char* status;
};

class WalkTest : public ScanFixture, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(WalkTest, FindsTheDataFoldersOfTheDataRoot)
{
    MakeTree(GetParam().tree);
    auto form = LoadScanner();
    form->Command1[kScan]->click();
    EXPECT_EQ(Sorted(ListEntries(*form)), Sorted(GetParam().found, true));
    EXPECT_EQ(form->StatusText(), QString::fromLatin1(GetParam().status));
}

// A database of N securities is its header file and N data files.
INSTANTIATE_TEST_SUITE_P(Trees, WalkTest, ::testing::Values(
    WalkCase{"SeveralDepthsAndAFolderWithBothSubfoldersAndHeader",
             {"db Data/A 1", "db Data/B/C 2", "db Data/B/C/D/E 3", "file Data/F/readme.txt", "file Data/top.txt"},
             {{"Data/A", " 1"}, {"Data/B/C", " 2"}, {"Data/B/C/D/E", " 3"}},
             "Total 6 directories searched, 11 files checked."},
    WalkCase{"WindowsFoldersSkippedAtAnyDepthButFilesOfThoseNamesCounted",
             {"db Data/Windows 1", "db Data/x/WINNT 1", "db Data/x/y/wInNt 2", "file Data/windows", "file Data/x/y/WINNT"},
             {}, "Total 2 directories searched, 2 files checked."},
    WalkCase{"HiddenEntriesNotListed",
             {"db Data/.hidden 1", "file Data/y/.master.omg", "file Data/y/seen.txt", "file Data/.profile"},
             {}, "Total 1 directories searched, 1 files checked."},
    WalkCase{"LinkLoopNotFollowedLinksToFilesCounted",
             {"db Data/z 2", "link Data/z/loop ..", "link Data/zz z", "link Data/z/alias.txt master.omg",
              "link Data/dangling nowhere"},
             {{"Data/z", " 2"}}, "Total 1 directories searched, 4 files checked."}),
    [](const auto& test) { return std::string(test.param.name); });

// The list starts as the main window's, counted; a folder found again keeps its entry,
// even one spelt in another case, and gets its count refreshed.
TEST_F(ScanFixture, LoadsTheMainListAndScansItWithoutDuplicatesIgnoringCase)
{
    MakeTree({"db Data/A 1", "db Data/B 2"});
    const QString otherCase = Path(QStringLiteral("data/a")).toUpper(), b = Path(QStringLiteral("Data/B"));
    SetMainList({otherCase, b}, 0);
    const QString workingDirectory = QDir::currentPath();
    auto form = LoadScanner();
    EXPECT_EQ(ListEntries(*form), (Entries{{otherCase, " 0"}, {b, " 2"}}));  // no header file under that spelling
    EXPECT_EQ(QDir::currentPath(), workingDirectory);
    EXPECT_GE(form->ListView1->columnWidth(0), form->fontMetrics().horizontalAdvance(otherCase));

    form->Command1[kScan]->click();
    AddSecurities(QStringLiteral("Data/B"), 3, 1);
    form->Command1[kScan]->click();
    EXPECT_EQ(ListEntries(*form), (Entries{{otherCase, " 1"}, {b, " 3"}}));
}

// However long a path, the count column stays in sight at the opening size; a path that
// fits is shown whole.
TEST_F(ScanFixture, CountColumnStaysInSightBesideLongPaths)
{
    const QString shortPath = Path(QStringLiteral("Data/A"));
    for (const QString& folder : {shortPath, Path(QStringLiteral("Data/") + QString(200, u'x'))}) {
        SetMainList({folder}, 0);
        auto form = LoadScanner();
        const QTreeWidget& list = *form->ListView1;
        EXPECT_LE(list.columnWidth(0) + list.columnWidth(1), list.maximumViewportSize().width());
        EXPECT_GE(list.columnWidth(1), list.fontMetrics().horizontalAdvance(QStringLiteral("# files")));
        if (folder == shortPath) {
            EXPECT_GE(list.columnWidth(0), list.fontMetrics().horizontalAdvance(folder));
        }
    }
}

TEST_F(ScanFixture, SystemVolumeIsWalkedFromTheDataRootOtherVolumesWhole)
{
    MakeTree({"db Outside 1", "db Data/In 2", "file Data/master.omg"});
    auto form = LoadScanner();
    form->Command1[kScan]->click();
    EXPECT_EQ(Sorted(ListEntries(*form)), Sorted({{"Data", " 0"}, {"Data/In", " 2"}}, true));

    // A header file at the top of a volume lists the volume itself.
    form->ListView1->clear();
    form->Drive1->addItem(Path(QStringLiteral("Outside")));
    form->Drive1->setCurrentIndex(form->Drive1->count() - 1);
    form->Command1[kScan]->click();
    EXPECT_EQ(ListEntries(*form), (Entries{{Path(QStringLiteral("Outside")), " 1"}}));
    EXPECT_EQ(form->StatusText(), QStringLiteral("Total 0 directories searched, 2 files checked."));
}

TEST_F(ScanFixture, StopEndsTheWalkAtTheNextEntryOnEveryLevel)
{
    MakeTree({"db Data/a/x/y 1", "db Data/b/x/y 1", "db Data/c/x/y 1", "db Data/d/x/y 1"});
    auto form = LoadScanner();
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (form->ListView1->topLevelItemCount() == 1)
            form->Command1[formFileSearch::kStop]->click();
    });
    stopper.start(0);
    form->Command1[kScan]->click();

    EXPECT_EQ(form->ListView1->topLevelItemCount(), 1);
    EXPECT_TRUE(form->StatusText().startsWith(QStringLiteral("Total "))) << form->StatusText().toStdString();
    EXPECT_TRUE(!form->Command1[formFileSearch::kStop]->isEnabled() && form->Command1[kScan]->isEnabled()
                && form->Command1[formFileSearch::kClose]->isEnabled());
}

// Running out of file handles deep down ends the whole walk without a message: what
// the data root lists after the deep folder is never searched.
TEST_F(ScanFixture, FailureEndsTheWholeWalkWithoutMessage)
{
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX only: handles run out through the descriptor limit (setrlimit)";
#else
    MakeTree({"db Data/a1 1", "db Data/a2 1", "db Data/a3 1", "db Data/a4 1",
              "db Data/deep" + QStringLiteral("/d").repeated(40) + " 1"});
    Entries expected;
    DIR* data = opendir(QFile::encodeName(Path(QStringLiteral("Data"))).constData());
    for (const dirent* entry = readdir(data); entry && strcmp(entry->d_name, "deep") != 0; entry = readdir(data))
        if (entry->d_name[0] != '.')
            expected.emplace_back(QStringLiteral("Data/") + QString::fromLatin1(entry->d_name), QStringLiteral(" 1"));
    closedir(data);
    auto form = LoadScanner();
    platform::RecordedMessages messages;

    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const rlimit saved = limit;    int handles = 0;  // eight free handles: enough for a few levels, not for forty
    for (int free = 0; free < 8; ++handles)
        free += fcntl(handles, F_GETFD) == -1 ? 1 : 0;
    limit.rlim_cur = static_cast<rlim_t>(handles);
    setrlimit(RLIMIT_NOFILE, &limit);
    form->Command1[kScan]->click();
    setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_EQ(Sorted(ListEntries(*form)), Sorted(expected, true));
    EXPECT_TRUE(messages.All().empty());
    EXPECT_TRUE(form->StatusText().startsWith(QStringLiteral("Total "))) << form->StatusText().toStdString();
#endif
}

TEST_F(ScanFixture, VolumeThatCannotBeListedIsNotReady)
{
    auto form = LoadScanner();
    form->Drive1->addItem(QStringLiteral("/no/such/volume"));
    form->Drive1->setCurrentIndex(form->Drive1->count() - 1);
    platform::RecordedMessages messages;
    form->Command1[kScan]->click();
    ASSERT_EQ(messages.All().size(), 1u);
    EXPECT_EQ(messages.All()[0].title + '|' + messages.All()[0].text, "Tessaport|Drive /no/such/volume is not ready.");
    EXPECT_EQ(messages.All()[0].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(form->StatusText(), QString());
}

#if !defined(_WIN32)
// A volume of its own mounted under /tmp (a tmpfs, in a mount namespace of this process
// alone) is offered and walked within itself; a volume mounted inside it is not entered.
TEST_F(ScanFixture, OffersASecondVolumeAndWalksItWithinItself)
{
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no private mount namespace here (" << std::strerror(errno)
                     << "): run as root to mount a tmpfs for this test";
    const QString volume = Path(QStringLiteral("volume"));
    ASSERT_TRUE(QDir().mkpath(volume));
    ASSERT_EQ(mount("tessaport-test", QFile::encodeName(volume).constData(), "tmpfs", 0, nullptr), 0) << std::strerror(errno);
    struct Unmount {
        QByteArray path;
        ~Unmount() { umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(volume)};
    ASSERT_TRUE(qv2omg::CreateDatabase(QFile::encodeName(volume + "/db").toStdString()).IsOk());
    AddSecurities(QStringLiteral("volume/db"), 1, 3);
    const QString inner = volume + QStringLiteral("/inner");
    ASSERT_TRUE(QDir().mkpath(inner));
    ASSERT_EQ(mount("tessaport-test", QFile::encodeName(inner).constData(), "tmpfs", 0, nullptr), 0);
    struct Unmount innerUnmount{QFile::encodeName(inner)};
    ASSERT_TRUE(qv2omg::CreateDatabase(QFile::encodeName(inner + "/db").toStdString()).IsOk());
    AddSecurities(QStringLiteral("volume/inner/db"), 1, 2);

    auto form = LoadScanner();
    const int at = form->Drive1->findText(volume);
    ASSERT_GE(at, 0) << "not offered: " << form->Drive1->currentText().toStdString();
    form->Drive1->setCurrentIndex(at);
    form->Drive1_Change(at);
    form->Command1[kScan]->click();
    EXPECT_EQ(ListEntries(*form), (Entries{{volume + "/db", " 3"}}));
}
#endif

// Folder... asks for a folder, offers it from then on, and the scan walks it; a cancelled
// choice leaves the place chosen before.
TEST_F(ScanFixture, FolderEntryScansAFolderOfOnesChoice)
{
    MakeTree({"db Elsewhere/Mine 4", "db Elsewhere/Mine/Deeper 1"});
    auto form = LoadScanner();
    const int places = form->Drive1->count();
    EXPECT_GE(form->Drive1->findText(QDir::homePath()), 0);
    const int folderEntry = places - 1;
    EXPECT_EQ(form->Drive1->itemText(folderEntry), QString::fromUtf8("Folder\u2026"));
    const int before = form->Drive1->currentIndex();

    platform::FileDialogAnswers answers;
    answers.AnswerCancel();
    answers.AnswerFileName(Path(QStringLiteral("Elsewhere/Mine/")));
    form->Drive1->setCurrentIndex(folderEntry);
    form->Drive1_Change(folderEntry);
    EXPECT_EQ(form->Drive1->currentIndex(), before);
    form->Drive1->setCurrentIndex(folderEntry);
    form->Drive1_Change(folderEntry);
    ASSERT_EQ(answers.Requests().size(), 2u);
    EXPECT_EQ(answers.Requests()[1].mode, platform::FileDialogMode::Folder);
    EXPECT_EQ(form->Drive1->count(), places + 1);
    EXPECT_EQ(form->Drive1->currentText(), Path(QStringLiteral("Elsewhere/Mine")));
    EXPECT_EQ(form->Drive1->itemText(places), QString::fromUtf8("Folder\u2026"));

    form->ListView1->clear();
    form->Command1[kScan]->click();
    EXPECT_EQ(Sorted(ListEntries(*form)),
              Sorted({{"Elsewhere/Mine", " 4"}, {"Elsewhere/Mine/Deeper", " 1"}}, true));
}

} // namespace
} // namespace scan::test
