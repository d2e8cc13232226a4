#include "scan_fixture.h"

#include "widgets/file_dialog.h"
#include "qv2omg/database_writer.h"
#include "widgets/message_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <sched.h>
#include <cerrno>
#include <cstring>

namespace scan::test {
namespace {

// The list starts as the main window's, counted; a folder found again keeps its entry,
// even one spelt in another case, and gets its count refreshed.
TEST_F(ScanFixture, LoadsTheMainListAndScansItWithoutDuplicatesIgnoringCase)
{
    MakeTree({"db Data/A 1", "db Data/B 2"});
    const QString otherCase = Path(QStringLiteral("data/a")).toUpper(), b = Path(QStringLiteral("Data/B"));
    SetMainList({otherCase, b}, 0);
    const QString workingDirectory = QDir::currentPath();
    auto dialog = LoadScanner();
    EXPECT_EQ(ListEntries(*dialog), (Entries{{otherCase, " 0"}, {b, " 2"}}));  // no header file under that spelling
    EXPECT_EQ(QDir::currentPath(), workingDirectory);

    dialog->scanButton->click();
    AddSecurities(QStringLiteral("Data/B"), 3, 1);
    dialog->scanButton->click();
    EXPECT_EQ(ListEntries(*dialog), (Entries{{otherCase, " 1"}, {b, " 3"}}));
}

TEST_F(ScanFixture, SystemVolumeIsWalkedFromTheDataRootOtherVolumesWhole)
{
    MakeTree({"db Outside 1", "db Data/In 2", "file Data/master.omg"});
    auto dialog = LoadScanner();
    dialog->scanButton->click();
    EXPECT_EQ(Sorted(ListEntries(*dialog)), Sorted({{"Data", " 0"}, {"Data/In", " 2"}}, true));

    // A header file at the top of a volume lists the volume itself.
    dialog->folderList->clear();
    dialog->placeBox->addItem(Path(QStringLiteral("Outside")));
    dialog->placeBox->setCurrentIndex(dialog->placeBox->count() - 1);
    dialog->scanButton->click();
    EXPECT_EQ(ListEntries(*dialog), (Entries{{Path(QStringLiteral("Outside")), " 1"}}));
    EXPECT_EQ(dialog->StatusText(), QStringLiteral("Total 0 directories searched, 2 files checked."));
}

TEST_F(ScanFixture, StopEndsTheWalkAtTheNextEntryOnEveryLevel)
{
    MakeTree({"db Data/a/x/y 1", "db Data/b/x/y 1", "db Data/c/x/y 1", "db Data/d/x/y 1"});
    auto dialog = LoadScanner();
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (dialog->folderList->topLevelItemCount() == 1)
            dialog->stopButton->click();
    });
    stopper.start(0);
    dialog->scanButton->click();

    EXPECT_EQ(dialog->folderList->topLevelItemCount(), 1);
    EXPECT_TRUE(dialog->StatusText().startsWith(QStringLiteral("Total "))) << dialog->StatusText().toStdString();
    EXPECT_TRUE(!dialog->stopButton->isEnabled() && dialog->scanButton->isEnabled()
                && dialog->closeButton->isEnabled());
}

#if !defined(_WIN32)
// The case below changes the process itself (its limits, its user): it runs in a child,
// this test program again, so that nothing of it reaches the other tests.
TEST(ScanInChild, WalkGoesOnPastFoldersItCannotReadAndHasNoDepthLimit)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", QStringLiteral("--gtest_filter=ScanFixture.DISABLED_DeepTreeAndUnreadableFolder")});
    ASSERT_TRUE(child.waitForFinished(-1));
    const QByteArray output = child.readAll();
    EXPECT_EQ(std::pair(child.exitStatus(), child.exitCode()), std::pair(QProcess::NormalExit, 0)) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test") || output.contains("[  SKIPPED ] 1 test")) << output.toStdString();
}

// A path as deep as a file system allows: made and removed a level at a time, through
// handles, as no path that long can be named whole.
class DeepChain {
public:
    DeepChain(const QString& top, int depth) : top_(QFile::encodeName(top))
    {
        int fd = ::open(top_.constData(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < depth && fd >= 0; ++i) {
            const int next = mkdirat(fd, "d", 0755) == 0 ? openat(fd, "d", O_RDONLY | O_DIRECTORY) : -1;
            ::close(fd);
            fd = next;
        }
        made_ = fd >= 0 && ::close(openat(fd, "master.omg", O_WRONLY | O_CREAT, 0644)) == 0;
        ::close(fd);
    }
    ~DeepChain()
    {
        // Lift the grandchild in place of the child until the rest can go by its path.
        const int fd = ::open(top_.constData(), O_RDONLY | O_DIRECTORY);
        struct stat status {};
        while (fstatat(fd, "d/d", &status, AT_SYMLINK_NOFOLLOW) == 0 && renameat(fd, "d/d", fd, "lifted") == 0
               && unlinkat(fd, "d", AT_REMOVEDIR) == 0 && renameat(fd, "lifted", fd, "d") == 0) {
        }
        ::close(fd);
    }
    bool Made() const { return made_; }

private:
    QByteArray top_;
    bool made_ = false;
};

// Ten thousand levels, on a stack far smaller than a walk by recursion would need; a folder
// closed to the user is left out, said so, and the walk goes on. Root may read every
// folder: it reads as nobody.
TEST_F(ScanFixture, DISABLED_DeepTreeAndUnreadableFolder)
{
    constexpr int kDepth = 10000;
    rlimit handles{};
    getrlimit(RLIMIT_NOFILE, &handles);
    if (handles.rlim_max != RLIM_INFINITY && handles.rlim_max < kDepth + 100)
        GTEST_SKIP() << "the walk holds a handle per level, and at most " << handles.rlim_max << " may be open here";
    handles.rlim_cur = std::max<rlim_t>(handles.rlim_cur, kDepth + 100);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &handles), 0);
    // A memory file system makes and removes the levels many times faster than a disk, where
    // it can be had: a mount namespace of this child alone.
    if (unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
        && mount("tessaport-test", QFile::encodeName(root_.path()).constData(), "tmpfs", 0, nullptr) == 0) {
        ASSERT_TRUE(QDir().mkpath(state_.tradeStationDir) && QDir().mkpath(Path("Data")));
    }
    MakeTree({"db Data/locked/inner 1", "db Data/z 1"});
    ASSERT_TRUE(QDir().mkpath(Path("Data/deep")));
    const DeepChain chain(Path("Data/deep"), kDepth);
    ASSERT_TRUE(chain.Made());
    ASSERT_TRUE(QFile::setPermissions(root_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                        | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup
                                                        | QFile::ExeGroup));
    ASSERT_EQ(::chmod(QFile::encodeName(Path("Data/locked")).constData(), 0), 0);
    auto dialog = LoadScanner();
    rlimit stack{};
    getrlimit(RLIMIT_STACK, &stack);
    stack.rlim_cur = 512 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_STACK, &stack), 0);
    if (geteuid() == 0) {
        setfsgid(65534);
        setfsuid(65534);
    }
    dialog->scanButton->click();
    setfsuid(0);
    setfsgid(0);
    ::chmod(QFile::encodeName(Path("Data/locked")).constData(), 0755);

    const Entries found = Sorted(ListEntries(*dialog));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].first, Path("Data/deep") + QStringLiteral("/d").repeated(kDepth));
    EXPECT_EQ(found[1], std::pair(Path("Data/z"), QStringLiteral(" 1")));
    EXPECT_EQ(dialog->StatusText(), QStringLiteral("Total %1 directories searched, 3 files checked. A folder was left out "
                                                   "(access denied): %2.").arg(kDepth + 2).arg(Path("Data/locked")));
}
#endif

TEST_F(ScanFixture, VolumeThatCannotBeListedIsNotReady)
{
    auto dialog = LoadScanner();
    dialog->placeBox->addItem(QStringLiteral("/no/such/volume"));
    dialog->placeBox->setCurrentIndex(dialog->placeBox->count() - 1);
    widgets::RecordedMessages messages;
    dialog->scanButton->click();
    ASSERT_EQ(messages.All().size(), 1u);
    EXPECT_EQ(messages.All()[0].title + '|' + messages.All()[0].text, "Tessaport|Drive /no/such/volume is not ready.");
    EXPECT_EQ(messages.All()[0].icon, widgets::MessageIcon::Critical);
    EXPECT_EQ(dialog->StatusText(), QString());
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

    auto dialog = LoadScanner();
    const int at = dialog->placeBox->findText(volume);
    ASSERT_GE(at, 0) << "not offered: " << dialog->placeBox->currentText().toStdString();
    dialog->placeBox->setCurrentIndex(at);
    dialog->choosePlace(at);
    dialog->scanButton->click();
    EXPECT_EQ(ListEntries(*dialog), (Entries{{volume + "/db", " 3"}}));
}
#endif

// Folder... asks for a folder, offers it from then on, and the scan walks it; a cancelled
// choice leaves the place chosen before.
TEST_F(ScanFixture, FolderEntryScansAFolderOfOnesChoice)
{
    MakeTree({"db Elsewhere/Mine 4", "db Elsewhere/Mine/Deeper 1"});
    auto dialog = LoadScanner();
    const int places = dialog->placeBox->count();
    const int folderEntry = places - 1;
    const int before = dialog->placeBox->currentIndex();

    widgets::FileDialogAnswers answers;
    answers.Answer(std::nullopt);
    answers.Answer(Path(QStringLiteral("Elsewhere/Mine/")));
    dialog->placeBox->setCurrentIndex(folderEntry);
    dialog->choosePlace(folderEntry);
    EXPECT_EQ(dialog->placeBox->currentIndex(), before);
    dialog->placeBox->setCurrentIndex(folderEntry);
    dialog->choosePlace(folderEntry);
    ASSERT_EQ(answers.All().size(), 2u);
    EXPECT_EQ(answers.All()[1].mode, widgets::FileDialogMode::Folder);
    EXPECT_EQ(dialog->placeBox->currentText(), Path(QStringLiteral("Elsewhere/Mine")));
    EXPECT_EQ(dialog->placeBox->itemText(places), QString::fromUtf8("Folder\u2026"));

    dialog->folderList->clear();
    dialog->scanButton->click();
    EXPECT_EQ(Sorted(ListEntries(*dialog)),
              Sorted({{"Elsewhere/Mine", " 4"}, {"Elsewhere/Mine/Deeper", " 1"}}, true));
}

} // namespace
} // namespace scan::test
