#pragma once

#include "base/recorded_calls.h"

#include <QString>
#include <QStringList>

namespace platform {

enum class LaunchFailure { None, FileNotFound, Other };

struct LaunchResult {
    LaunchFailure failure = LaunchFailure::None;
    QString description;  // the system's wording, without a final period

    bool Started() const { return failure == LaunchFailure::None; }
};

// Starts program (a path; it is never looked up on the search path) with the arguments
// as they are, each reaching it as one argument, without a shell and without waiting.
// The new process is not watched.
LaunchResult StartProgram(const QString& program, const QStringList& arguments);

#ifdef Q_OS_WIN
// Starts a whole command line as CreateProcess reads it: the program's path first,
// quoted when it holds a blank. No shell is involved.
LaunchResult StartCommandLine(const QString& commandLine);
#endif

struct RecordedLaunch {
    QString program;  // empty for a command line
    QStringList arguments;
    QString commandLine;  // empty for a program and arguments
};

// While one of these lives, starts are recorded instead of made and answered from its
// queue, as started when it is empty.
using RecordedLaunches = base::RecordedCalls<RecordedLaunch, LaunchResult>;

} // namespace platform
