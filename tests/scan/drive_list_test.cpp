#include "scan/drive_list.h"

#include <gtest/gtest.h>

namespace scan {
namespace {

TEST(DriveList, OffersRealFileSystemsByMountPoint)
{
    const QByteArray table =
        "proc /proc proc rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "/dev/sdb1 /run/media/trader/USB\\040STICK vfat rw 0 0\n"
        "/dev/sde1 /run/user/1000/doc fuse.portal rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "tmpfs /tmp/unpacked\\040data tmpfs rw 0 0\n"
        "tmpfs /var/tmp/x tmpfs rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
        "/dev/sdc1 /mnt/market\\040data ext4 rw 0 0\n"
        "server:/export /srv/nfs nfs4 rw 0 0\n"
        "/dev/sdd1 /mnt/over ext4 rw 0 0\n"
        "tmpfs /mnt/over tmpfs rw 0 0\n"
        "overlay /var/lib/box overlay rw 0 0\n";
    EXPECT_EQ(RealVolumes(table),
              (QStringList{"/", "/mnt/market data", "/run/media/trader/USB STICK", "/srv/nfs", "/tmp", "/tmp/unpacked data",
                           "/var/lib/box"}));
#if !defined(_WIN32)
    EXPECT_EQ(VolumeOf("/mnt/ab/x", {"/", "/mnt/a", "/mnt/ab"}), QStringLiteral("/mnt/ab"));
    EXPECT_EQ(VolumeOf("/mnt/abc", {"/", "/mnt/a"}), QStringLiteral("/"));
#endif
}

#if defined(_WIN32)
// The drives as Windows reports them, bare letters, the system's among them; the scanner
// offers them with Folder... and starts on the program's own.
TEST(DriveList, OffersTheDrivesWindowsReports)
{
    const QStringList drives = ScanPlaces();
    ASSERT_FALSE(drives.isEmpty());
    for (const QString& drive : drives)
        EXPECT_TRUE(drive.size() == 2 && drive[0] >= u'A' && drive[0] <= u'Z' && drive[1] == u':') << drive.toStdString();
    EXPECT_TRUE(drives.contains(SystemVolume())) << SystemVolume().toStdString();
    EXPECT_EQ(VolumeOf(SystemVolume().toLower() + QStringLiteral("/Some/Folder"), drives), SystemVolume());
}
#endif

} // namespace
} // namespace scan
