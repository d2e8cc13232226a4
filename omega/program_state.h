#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Which security an import takes: the one typed in the symbol box, or the line chosen in
// the list that a mask fills. The numbers are those of the Mode menu's items.
enum class ImportMode { SingleSecurity = 0, SecurityList = 1 };

// At most this many data directories are listed; a longer scan or data root keeps the first.
constexpr qsizetype kMaxDataDirs = INT16_MAX;

// The state shared by every window and operation of the program; one object lives
// for the whole run and is owned by the main window.
struct ProgramState {
    QString tradeStationDir;
    QString omegaRootDir;
    QStringList dataDirs;            // in the order of the window's list; at most kMaxDataDirs
    QString currentDataDir;
    QString previousDataDir;
    QString patternFileName;
    ImportMode mode = ImportMode::SingleSecurity;
    bool interruptRequested = false;
    bool securityTableLoaded = false;
    // One 50-byte entry per security, in header order: symbol (16), tab, description
    // (31), two blanks; single-byte text as the library delivers it.
    std::vector<QByteArray> securityTable;
    int32_t securityCount = 0;
    int32_t dataFirstDate = 0;
    int32_t dataLastDate = 0;
    int32_t helpContext = 0;
};
