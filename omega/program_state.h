#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Stored booleans keep the program's 16-bit convention: true is -1, false is 0.
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

// The state shared by every window and operation of the program; one object lives
// for the whole run and is owned by the main window.
struct ProgramState {
    QString TradeStationDir;
    QString OmegaRootDir;
    QStringList DataDirs;            // numbered from 1 in the window's terms; [0] here
    int16_t DataDirCount = 0;
    QString CurrentDataDir;
    QString PreviousDataDir;
    QString PatternFileName;
    int16_t ImportMode = 0;          // 0 single security, 1 list of securities
    int16_t InterruptRequested = kFalse;
    int16_t SecurityTableLoaded = kFalse;
    // One 50-byte entry per security, in header order: symbol (16), tab, description
    // (31), two blanks; single-byte text as the library delivers it.
    std::vector<QByteArray> SecurityTable;
    int32_t SecurityCount = 0;
    int32_t DataFirstDate = 0;
    int32_t DataLastDate = 0;
    int32_t HelpContext = 0;
    int16_t SymbolTypingPending = kFalse;
    QString LastSymbolText;

    // Window-level state of the security search and information.
    int16_t ListFillActive = kFalse;     // a list refresh is running; a nested one does nothing
    int32_t DefaultFirstDate = 0;        // day numbers last put into the date fields
    int32_t DefaultLastDate = 0;
    // Bumped by every load of the security table, so that a load interrupted by a newer
    // one (events run while it reads) stops instead of writing into the newer table.
    int32_t SecurityTableGeneration = 0;
};
