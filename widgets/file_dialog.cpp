#include "file_dialog.h"

#include "modal_return.h"
#include "twips.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace widgets {

namespace {
// QFileDialog reads the patterns from the last parentheses of each entry; with the
// details hidden the user sees only the description, whatever parentheses it holds.
QString QtNameFilter(const FileFilter& filter)
{
    return filter.description + QStringLiteral(" (") + filter.patterns.join(u' ') + u')';
}

// The entry of the type list the dialog shows as chosen, which it names with or without
// its patterns; -1 for none.
int ChosenType(const QFileDialog& dialog, const FileDialogRequest& request)
{
    const QString chosen = dialog.selectedNameFilter();
    for (size_t i = 0; i < request.filters.size(); ++i) {
        if (chosen == request.filters[i].description || chosen == QtNameFilter(request.filters[i]))
            return static_cast<int>(i);
    }
    return -1;
}

// The one extension a type names ("*.pat" gives "pat"); none for "*.*" or "*.n**".
QString TypeExtension(const std::vector<FileFilter>& filters, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= filters.size())
        return QString();
    for (const QString& pattern : filters[static_cast<size_t>(index)].patterns) {
        const QString extension = pattern.startsWith(QStringLiteral("*.")) ? pattern.mid(2) : QString();
        if (!extension.isEmpty() && !extension.contains(u'*') && !extension.contains(u'?'))
            return extension;
    }
    return QString();
}
} // namespace

void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request)
{
    const bool save = request.mode == FileDialogMode::Save;
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save                                          ? QFileDialog::AnyFile
                       : request.mode == FileDialogMode::Folder ? QFileDialog::Directory
                                                                : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, request.mode == FileDialogMode::Folder);
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
    // A name typed with an extension keeps it; where asked, one without takes the chosen
    // type's. Qt's dialog adds it itself, and asks before replacing the file of that name,
    // but not for every type: ChosenFileName makes sure.
    const bool typeExtension = save && request.addTypeExtension;
    dialog.setDefaultSuffix(typeExtension ? TypeExtension(request.filters, ChosenType(dialog, request)) : QString());
    if (typeExtension) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, request] {
            dialog.setDefaultSuffix(TypeExtension(request.filters, ChosenType(dialog, request)));
        });
    }
}

QString ChosenFileName(const QFileDialog& dialog, const FileDialogRequest& request)
{
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return QString();
    QString name = files.constFirst();
    const QString extension = TypeExtension(request.filters, ChosenType(dialog, request));
    if (request.mode == FileDialogMode::Save && request.addTypeExtension && !extension.isEmpty()
        && QFileInfo(name).suffix().isEmpty()
        && !QFileInfo(name).isDir())
        name += u'.' + extension;
    // Qt's dialog answers with '/' on every system; the label, the viewer's command line and
    // the messages show the name as the system writes it.
    return QDir::toNativeSeparators(name);
}

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    if (FileDialogAnswers* answers = FileDialogAnswers::Current())
        return answers->Ask(request);

    const ModalReturn back(parent);
    QFileDialog dialog(parent);
    // The same dialog on every system: the one Windows offers appends the chosen type's
    // extension to a name that has another (abrn.wk1.pat), answers in '/' and leaves no
    // window with the keyboard when it goes.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    ConfigureFileDialog(dialog, request);
    dialog.adjustSize();
    FitOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ChosenFileName(dialog, request);
}

} // namespace widgets
