#pragma once

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"

#include <QString>

#include <cstdint>

class QListView;

// What Search and Begin Import say when no security of the data directory is chosen.
inline constexpr char kChooseSecurityText[] =
    "Choose a valid Omega Downloader data directory, enter a valid security symbol, search for it, then import.";

// Finding securities in the data directory in use: the symbol looked up in single mode,
// the list that the mask fills in list mode, the security information either shows, and
// the arrangement of the window for each mode.
class SecuritySearch {
public:
    SecuritySearch(ProgramState& state, const MainWindowControls& controls);

    // Reads the directory's securities into the state, with the progress window.
    void LoadTable();
    // Lists the securities the mask matches.
    void FillList();
    // Arranges the window for the mode.
    void ApplyMode(ImportMode mode);

    // Looks up the typed symbol; a blank one is answered with a message.
    void Search();
    // Shows the security of the list's current line.
    void ShowSelected();
    // The search field changed: a loaded table is searched again.
    void Refresh();
    void SwitchMode(ImportMode mode);

    // The typing delay of the symbol box in list mode: the window's change and timer
    // handlers call these.
    void SymbolTextChanged();
    void TypingTimerTick();
    // True from a change of the mask until the list follows it.
    bool TypingPending() const { return typingPending_; }

private:
    ProgramState& state_;
    const MainWindowControls& controls_;
    bool listFillActive_ = false;  // a list refresh is running; a nested one does nothing
    bool typingPending_ = false;
    QString lastSymbolText_;
    // Bumped by every load of the security table, so that a load interrupted by a newer
    // one (events run while it reads) stops instead of writing into the newer table.
    int32_t tableGeneration_ = 0;
};

// Gives the list the model of the securities list. Runs by itself on first use; a window
// that watches the view's selection model calls it before connecting, since setting a
// model replaces the selection model.
void AttachSecurityList(QListView* list);
