#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Which security an import takes: the one typed in the symbol box, or the line chosen in
// the list that a mask fills. The numbers are those of the Mode menu's items.
enum class ImportMode { SingleSecurity = 0, SecurityList = 1 };

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
    ImportMode Mode = ImportMode::SingleSecurity;
    bool InterruptRequested = false;
    bool SecurityTableLoaded = false;
    // One 50-byte entry per security, in header order: symbol (16), tab, description
    // (31), two blanks; single-byte text as the library delivers it.
    std::vector<QByteArray> SecurityTable;
    int32_t SecurityCount = 0;
    int32_t DataFirstDate = 0;
    int32_t DataLastDate = 0;
    int32_t HelpContext = 0;
    bool SymbolTypingPending = false;
    QString LastSymbolText;

    // Window-level state of the security search and information.
    bool ListFillActive = false;     // a list refresh is running; a nested one does nothing
    int32_t DefaultFirstDate = 0;        // day numbers last put into the date fields
    int32_t DefaultLastDate = 0;
    // Bumped by every load of the security table, so that a load interrupted by a newer
    // one (events run while it reads) stops instead of writing into the newer table.
    int32_t SecurityTableGeneration = 0;
};
