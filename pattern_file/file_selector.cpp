#include "pattern_file/file_selector.h"

#include "widgets/file_dialog.h"

#include <QFileInfo>

#include <vector>

const QString kPatternFilterList = QStringLiteral(
    "All Files (*.*) | *.*|Pattern Files (*.pat) | *.pat|Config. Files (*.fig) | *.fig|"
    "Desc. Files (*.dsc) | *.dsc|Output Files (*.out) | *.out|Training Files (*.trn) | *.trn|"
    "Test Files (*.tst) | *.tst|Backup Files (*.old) | *.old|Prob. Files (name.*) |*.*|"
    "Network Files (*.nxx) | *.n**|Exe Files (*.exe) | *.exe|Sprdsheet Files (wk1,xls) | *.wk1;*.xls|"
    "Dll files (*.def)| *.def|Excel Workbooks (*.xlsx) | *.xlsx|CSV Files (*.csv) | *.csv");

namespace {
// The entries of a filter string as the toolkit takes them. The blanks around the bars
// are spacing in the string, not part of a name or a pattern, so they go; an unpaired
// trailing description is dropped.
std::vector<widgets::FileFilter> ToolkitFilters(const QString& filterList)
{
    const QStringList parts = filterList.split(u'|');
    std::vector<widgets::FileFilter> filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(u';'))
            if (!pattern.trimmed().isEmpty())
                patterns << pattern.trimmed();
        filters.push_back({parts[i].trimmed(), patterns});
    }
    return filters;
}
} // namespace

FileSelectorState& FileSelector()
{
    static FileSelectorState state;
    return state;
}

bool RunFileSelector(const QString& title, int16_t filterIndex, QWidget* parent, const QString& currentFile)
{
    FileSelectorState& state = FileSelector();
    if (state.FileDialogBusy)
        return true;
    state.FileDialogBusy = true;

    widgets::FileDialogRequest request;
    request.mode = widgets::FileDialogMode::Save;
    request.title = title;
    request.filters = ToolkitFilters(kPatternFilterList);
    request.selectedFilter = filterIndex - 1;
    // Like the system's own dialogs, it reopens where the user last was.
    request.directory = currentFile.isEmpty() ? state.LastFolder : QFileInfo(currentFile).absolutePath();
    const std::optional<QString> chosen = widgets::RunFileDialog(parent, request);

    state.FileDialogResult = chosen ? int16_t{0} : kFileDialogCancelled;
    state.SelectedFileName = chosen.value_or(QString());
    if (chosen && !chosen->isEmpty())
        state.LastFolder = QFileInfo(*chosen).absolutePath();
    state.FileDialogBusy = false;
    return state.FileDialogResult == kFileDialogCancelled;
}
