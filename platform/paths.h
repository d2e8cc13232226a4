#pragma once

#include <QChar>
#include <QString>

namespace platform {

// The character that separates the parts of a file path on this system.
#if defined(_WIN32)
constexpr QChar kPathSeparator{u'\\'};
constexpr bool kFileNamesIgnoreCase = true;
#else
constexpr QChar kPathSeparator{u'/'};
constexpr bool kFileNamesIgnoreCase = false;
#endif

// Position of the last path separator in `path`, -1 when there is none.
qsizetype LastSeparator(const QString& path);
// `folder` ending with exactly the separators it had, plus one when it had none.
QString WithTrailingSeparator(const QString& folder);

// Makes the drive of `path` the current drive. Systems without drives have nothing
// to switch, so this succeeds there.
bool ChangeDrive(const QString& path);
// Makes `directory` the current directory, switching the drive first. False when the
// directory cannot be entered; the current directory then stays as it was.
bool ChangeDirectory(const QString& directory);

// The folder that holds the running program, as Qt reports it. Tests and the benchmarks
// may point it elsewhere with TESSAPORT_PROGRAM_DIR.
QString ProgramDirectory();

// ProgramDirectory with native separators, ending with a separator.
QString ProgramFolder();

} // namespace platform
