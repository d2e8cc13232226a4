#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace scan {

// The volumes the scanner offers, by mount point, sorted. Kernel file systems (proc,
// sysfs, devtmpfs, cgroup, ...) and everything mounted under /dev, /proc, /sys and /run
// are left out: they never hold a database. Memory-backed ones are left out too, but for
// those under /tmp, where people unpack and copy data. Removable media under /run/media
// are offered.
QStringList RealVolumes(const QByteArray& mountTable);

// RealVolumes of the running system, keeping only mount points that are folders. On
// Windows the drives the system reports, as bare letters ("C:", "Z:").
QStringList MountedVolumes();

// Where the scanner may walk: the mounted volumes and the home folder (when it is not a
// volume of its own), in that order. On Windows the drives.
QStringList ScanPlaces();

// The volume in `volumes` that holds `path` (the longest mount point above it; on Windows
// its drive), or an empty string.
QString VolumeOf(const QString& path, const QStringList& volumes);

// The volume the system runs from ("/", or Windows' drive); the scanner never walks it whole.
QString SystemVolume();

} // namespace scan
