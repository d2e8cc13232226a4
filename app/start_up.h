#pragma once

#include <QString>
#include <QStringList>

class MainWindow;

namespace platform {
class Registry;
}

// What start-up reads from outside the program. Tests build one around an
// installation in a temporary folder.
struct StartUpEnvironment {
    const platform::Registry* registry = nullptr;  // null: the system registry
    QString commandLine;                           // the arguments as one string
    QString programFolder;                         // holds the data-access library
};

enum class StartUpOutcome { Shown, Fatal };

// The load step of the main window: finds and checks the installation, initialises
// the data-access library, reads the command line, offers the data directories and
// shows the window. A failed check shows its message and returns Fatal at once,
// without showing the window; the caller then ends the program.
StartUpOutcome OpenMainWindow(MainWindow& window, const StartUpEnvironment& environment);

// The arguments the program was started with, joined into one command line; an
// argument that is empty or holds a blank is put in double quotes so that it stays
// one word.
QString JoinCommandLine(const QStringList& arguments);
