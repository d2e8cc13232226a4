#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// True when `path` cannot be opened as a file for reading: it is missing, unreadable,
// or a directory (which some systems would open, but which is never a file here).
bool CannotOpenForInput(const QString& path);

// The names in `directory`, files and subdirectories alike, in name order ignoring
// letter case, as a Windows listing returns them. Hidden entries are left out: on
// Windows those marked hidden or system, elsewhere the names starting with a dot
// (so "." and ".." too).
QStringList ListDirectory(const QString& directory);

} // namespace platform
