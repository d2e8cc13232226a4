#pragma once

#include <QString>

// The viewer program, expected in Tessaport's own folder.
extern const QString kViewerProgram;

// The command line that starts the first token of commandLine from folder, as Windows
// reads it: the program's path quoted when the folder holds a blank, then the rest of
// the line unchanged.
QString WindowsCommandLine(const QString& folder, const QString& commandLine);

// Starts the program named by the first token of commandLine from Tessaport's own folder,
// never from the search path, without waiting; the rest of the line reaches it as one
// argument. A failure is reported in a message.
void RunProgram(const QString& commandLine);

// View Pattern File: the viewer, opening `patternFileName`.
void ViewPatternFile(const QString& patternFileName);
