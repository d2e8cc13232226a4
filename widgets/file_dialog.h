#pragma once

#include "base/recorded_calls.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QFileDialog;
class QWidget;

namespace widgets {

// One entry of a dialog's file-type list: the text the user reads and the patterns it
// lists ("*.wk1", "*.xls"). The description is shown as written, even when it names
// other patterns than those it filters by.
struct FileFilter {
    QString description;
    QStringList patterns;

    bool operator==(const FileFilter&) const = default;
};

// Folder chooses an existing folder; the filters are not used then.
enum class FileDialogMode { Save, Open, Folder };

struct FileDialogRequest {
    FileDialogMode mode = FileDialogMode::Save;
    QString title;
    std::vector<FileFilter> filters;
    int selectedFilter = 0;  // index into filters
    QString directory;       // where the dialog opens; empty = the platform's default
    // Save only: a name typed without an extension takes the chosen type's. Off, a name is
    // returned as typed, as the pattern file's chooser has it.
    bool addTypeExtension = false;
};

// Shows a modal file dialog and returns the chosen path in the system's separators, or
// nothing when the user cancels. A name typed with an extension keeps it.
// Every file dialog of the program goes through here, so tests answer it instead of
// blocking on a modal window.
std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request);

// The configuration RunFileDialog gives its QFileDialog before showing it.
void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request);
// What RunFileDialog answers once the dialog was accepted: the name chosen, in the system's
// separators, with the type's extension added to a name typed without one where asked.
QString ChosenFileName(const QFileDialog& dialog, const FileDialogRequest& request);

// While one of these lives, dialogs are recorded instead of shown and answered from its
// queue: a file name, or std::nullopt for Cancel. A dialog with nothing queued is cancelled.
using FileDialogAnswers = base::RecordedCalls<FileDialogRequest, std::optional<QString>>;

} // namespace widgets
