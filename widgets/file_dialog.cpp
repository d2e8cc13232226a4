#include "file_dialog.h"

#include "modal_return.h"
#include "twips.h"

#include <QDir>
#include <QFileDialog>

namespace platform {

namespace {
FileDialogAnswers* answers = nullptr;

// QFileDialog reads the patterns from the last parentheses of each entry; with the
// details hidden the user sees only the description, whatever parentheses it holds.
QString QtNameFilter(const FileFilter& filter)
{
    return filter.description + QStringLiteral(" (") + filter.patterns.join(u' ') + u')';
}
} // namespace

FileDialogAnswers::FileDialogAnswers() : previous_(answers) { answers = this; }
FileDialogAnswers::~FileDialogAnswers() { answers = previous_; }

void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request)
{
    const bool save = request.mode == FileDialogMode::Save;
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save                                          ? QFileDialog::AnyFile
                       : request.mode == FileDialogMode::Folder ? QFileDialog::Directory
                                                                : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, request.mode == FileDialogMode::Folder);
    dialog.setDefaultSuffix(QString());
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    // Must come before the filters are set, which are stripped as they go in.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);

    QStringList nameFilters;
    for (const FileFilter& filter : request.filters)
        nameFilters << QtNameFilter(filter);
    dialog.setNameFilters(nameFilters);
    if (request.selectedFilter >= 0 && request.selectedFilter < nameFilters.size())
        dialog.selectNameFilter(nameFilters[request.selectedFilter]);
}

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    if (answers) {
        answers->requests_.push_back(request);
        if (answers->answers_.empty())
            return std::nullopt;
        const FileDialogAnswers::Answer answer = answers->answers_.front();
        answers->answers_.pop_front();
        if (answer.cancelled)
            return std::nullopt;
        return answer.fileName;
    }

    const ModalReturn back(parent);
    QFileDialog dialog(parent);
    ConfigureFileDialog(dialog, request);
    dialog.adjustSize();
    FitOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // Qt's dialog answers with '/' on every system; the label, the viewer's command line and
    // the messages show the name as the system writes it.
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

} // namespace platform
