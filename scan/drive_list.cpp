#include "drive_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <set>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace scan {

namespace {

const std::set<QByteArray> kPseudoTypes = {
    "autofs", "binfmt_misc", "bpf", "cgroup", "cgroup2", "configfs", "debugfs", "devpts",
    "devtmpfs", "efivarfs", "fusectl", "hugetlbfs", "mqueue", "nsfs", "proc", "pstore",
    "ramfs", "rootfs", "rpc_pipefs", "securityfs", "selinuxfs", "sysfs", "tmpfs", "tracefs",
};

const QStringList kSystemTrees = {
    QStringLiteral("/dev"), QStringLiteral("/proc"), QStringLiteral("/sys"),
    QStringLiteral("/run"), QStringLiteral("/var/run"), QStringLiteral("/var/lock"),
};

bool IsWithin(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == folder || path.startsWith(folder + u'/');
}

const QString kTemporaryFiles = QStringLiteral("/tmp");

// Removable media are mounted under /run/media/USER on many systems.
const QString kRemovableMedia = QStringLiteral("/run/media");

// The mount table writes blanks, tabs, newlines and backslashes as \ooo.
QByteArray DecodeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](qsizetype at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            out.append(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

} // namespace

QStringList RealVolumes(const QByteArray& mountTable)
{
    // A later mount on the same point hides the earlier one.
    std::map<QString, QByteArray> typeByMountPoint;
    for (const QByteArray& line : mountTable.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        QString mountPoint = QFile::decodeName(DecodeMountField(fields[1]));
        if (!mountPoint.startsWith(u'/'))
            continue;
        if (mountPoint.size() > 1 && mountPoint.endsWith(u'/'))
            mountPoint.chop(1);
        typeByMountPoint[mountPoint] = fields[2];
    }

    QStringList volumes;
    for (const auto& [mountPoint, type] : typeByMountPoint) {
        if (kPseudoTypes.count(type) && !(type == "tmpfs" && IsWithin(mountPoint, kTemporaryFiles)))
            continue;
        if (!IsWithin(mountPoint, kRemovableMedia)
            && std::any_of(kSystemTrees.begin(), kSystemTrees.end(),
                           [&](const QString& tree) { return IsWithin(mountPoint, tree); }))
            continue;
        volumes.append(mountPoint);
    }
    return volumes;  // the map kept them sorted
}

#if defined(_WIN32)

QStringList MountedVolumes()
{
    QStringList drives;
    const DWORD present = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (present & (1u << letter))
            drives.append(QString(QChar(u'A' + letter)) + u':');
    }
    return drives;
}

QStringList ScanPlaces() { return MountedVolumes(); }

QString VolumeOf(const QString& path, const QStringList& volumes)
{
    const QString drive = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).left(2).toUpper();
    return volumes.contains(drive) ? drive : QString();
}

QString SystemVolume()
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length < 2 || length >= MAX_PATH || folder[1] != L':')
        return QStringLiteral("C:");
    return QString::fromWCharArray(folder, 2).toUpper();
}

#else

QStringList MountedVolumes()
{
    QFile table(QStringLiteral("/proc/self/mounts"));
    if (!table.open(QIODevice::ReadOnly))
        return {SystemVolume()};
    QStringList volumes = RealVolumes(table.readAll());
    // Containers bind single files (/etc/hosts) as mounts.
    volumes.removeIf([](const QString& mountPoint) { return !QFileInfo(mountPoint).isDir(); });
    return volumes;
}

QStringList ScanPlaces()
{
    QStringList places = MountedVolumes();
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QDir::rootPath() && !places.contains(home))
        places.append(home);
    return places;
}

QString VolumeOf(const QString& path, const QStringList& volumes)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString target = canonical.isEmpty() ? QDir::cleanPath(QDir(path).absolutePath()) : canonical;
    QString best;
    for (const QString& volume : volumes) {
        if (IsWithin(target, volume) && volume.size() > best.size())
            best = volume;
    }
    return best;
}

QString SystemVolume() { return QStringLiteral("/"); }

#endif

} // namespace scan
