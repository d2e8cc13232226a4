#pragma once

#include <QString>

#include <cstdint>

class QWidget;

// The dialog's file types as one string of alternating descriptions and patterns
// separated by "|", blanks around the bars included.
extern const QString kPatternFilterList;

// The result a cancelled dialog leaves in FileDialogResult.
constexpr int16_t kFileDialogCancelled = 32755;

// The file selector's state, kept for the whole run.
struct FileSelectorState {
    bool FileDialogBusy = false;
    int16_t FileDialogResult = 0;   // 0 chosen, kFileDialogCancelled, or another failure
    QString SelectedFileName;       // as the last dialog returned it
    QString LastFolder;             // of the last name chosen
};

FileSelectorState& FileSelector();

// Shows the save dialog over the pattern file types, opening on entry filterIndex
// (numbered from 1), in the folder of currentFile, else in the last folder chosen.
// Returns true when cancelled, or when a dialog is already open; otherwise
// SelectedFileName holds the chosen path.
bool RunFileSelector(const QString& title, int16_t filterIndex, QWidget* parent = nullptr,
                        const QString& currentFile = {});
