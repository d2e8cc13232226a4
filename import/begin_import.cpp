#include "import/begin_import.h"

#include "export/output_format.h"
#include "import/busy_state.h"
#include "import/event_pump.h"
#include "import/date_text.h"
#include "engine/per_security.h"
#include "import/library_source.h"
#include "omega/data_library.h"
#include "main_window/focus_return.h"
#include "main_window/progress_window.h"
#include "main_window/security_search.h"
#include "omega/security_table.h"
#include "omega/security_text.h"
#include "omega/windows1252.h"
#include "widgets/message_box.h"
#include "sheet/sheet_errors.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScopedValueRollback>

#include <optional>

namespace {

const char kTitle[] = "Tessaport";
const char kDataUnavailable[] =
    "Data currently unavailable. Check that Omega CD-ROM disk is in drive, and the operating system has normal "
    "access to it.";
const char kDateNotSet[] =
    " was not set correctly. You should set dates in compliance with date format specififed in International "
    "Section of your Microsoft Windows Control Panel.";
const char kLastBeforeFirst[] =
    "Unable to import: Last Date must be set to a value which is later than the First Date in Import Options "
    "window.";

void Tell(const QString& text, widgets::MessageIcon icon, QWidget* parent)
{
    widgets::ShowMessage(QString::fromLatin1(kTitle), text, icon, parent);
}

void Tell(const char* text, widgets::MessageIcon icon, QWidget* parent)
{
    Tell(QString::fromLatin1(text), icon, parent);
}

// The status line's account of a finished import.
QString FinishedText(int32_t rows, const QString& symbol, const QString& patternFile, qint64 milliseconds)
{
    return QStringLiteral("Imported %1 %2 of %3 into %4 in %5 s.")
        .arg(GroupedCount(rows), rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"), symbol, patternFile,
             QString::number(static_cast<double>(milliseconds) / 1000.0, 'f', 1));
}

// The symbol in the symbol box, or on the selected line of the list.
QString TakeSymbol(const ProgramState& state, const MainWindowControls& controls)
{
    if (state.mode == ImportMode::SingleSecurity) {
        const QString symbol = omega::TrimBlanks(controls.symbolEdit()->text());
        controls.symbolEdit()->setText(symbol);
        return symbol;
    }
    const QModelIndex line = controls.securityList()->currentIndex();
    return line.isValid() ? omega::SecurityLineSymbol(line.data().toString()) : QString();
}

bool importRunning = false;

} // namespace

void BeginImport(ProgramState& state, const MainWindowControls& controls, const std::function<bool()>& choosePatternFile)
{
    // Events run during an import, and a lookup they start may enable Begin Import again:
    // one import at a time.
    if (importRunning)
        return;
    QWidget* const window = controls.window();
    omega::DataLibrary& library = omega::TheDataLibrary();

    const QString symbol = TakeSymbol(state, controls);
    // A symbol the code page cannot hold names no security.
    const std::optional<QByteArray> symbolBytes = omega::EncodeWindows1252(symbol);
    const QByteArray dataDir = omega::LibraryPath(state.currentDataDir);
    SecurityRecord security{};
    if (!symbolBytes || library.SearchSecurity(dataDir.constData(), symbolBytes->constData(), &security) != 0) {
        Tell(kChooseSecurityText, widgets::MessageIcon::Information, window);
        controls.beginImportAction()->setEnabled(false);
        controls.symbolEdit()->setFocus();
        return;
    }
    DateRange range{};
    if (library.GetDateRange(dataDir.constData(), symbolBytes->constData(), &range) == 0 && range.available == 0) {
        Tell(kDataUnavailable, widgets::MessageIcon::Critical, window);
        return;
    }
    const std::optional<int32_t> lastDay = DateTextToSerial(controls.lastDateEdit()->text());
    if (!lastDay) {
        Tell(QStringLiteral("The Last Date") + QLatin1String(kDateNotSet), widgets::MessageIcon::Critical, window);
        return;
    }
    const std::optional<int32_t> firstDay = DateTextToSerial(controls.firstDateEdit()->text());
    if (!firstDay) {
        Tell(QStringLiteral("The First Date") + QLatin1String(kDateNotSet), widgets::MessageIcon::Critical, window);
        return;
    }
    ImportRequest request;
    request.firstDay = std::max(*firstDay, state.dataFirstDate);
    request.lastDay = std::min(*lastDay, state.dataLastDate);
    if (request.firstDay > request.lastDay) {
        Tell(kLastBeforeFirst, widgets::MessageIcon::Critical, window);
        return;
    }
    // No file chosen yet: the user is asked for one rather than told of an empty name.
    if (state.patternFileName.isEmpty() && choosePatternFile && (!choosePatternFile() || state.patternFileName.isEmpty()))
        return;
    request.openInterest = controls.openInterestCheck()->isChecked();
    request.symbol = symbolBytes->toStdString();
    request.patternFile = QFile::encodeName(state.patternFileName).toStdString();
    request.fileType = FormatForFileName(state.patternFileName.toStdString());

    const QScopedValueRollback<bool> running(importRunning, true);
    // Outlives the importing state, which moves the focus out of the locked options.
    const FocusReturn focus(controls);
    {
        const BusyState importing(state, controls, true);
        bool progressShown = false;
        ImportHooks hooks;
        hooks.started = [&progressShown](int32_t estimate) {
            ShowProgress(estimate, QString::fromLatin1(kTitle), 10, 10);
            progressShown = true;
        };
        EventPump events;
        hooks.beforeRead = [&events] { events.BeforeRead(); };
        hooks.progress = [](int32_t recordsRead) { UpdateProgress(recordsRead); };
        hooks.skipInvalid = [&controls] { return controls.skipInvalidCheck()->isChecked(); };
        hooks.interrupted = [&state, window] {
            if (!state.interruptRequested)
                return false;
            state.interruptRequested = false;
            Tell(kImportInterruptedText, widgets::MessageIcon::Information, window);
            return true;
        };
        SetProgressInterrupt(controls.interruptImportAction(), window);
        QElapsedTimer clock;
        clock.start();
        const ImportOutcome outcome = RunImport(LibrarySource(library, state.currentDataDir), request, hooks);
        SetProgressInterrupt(nullptr, nullptr);
        if (progressShown)
            CloseProgress();
        if (outcome.result == kSheetOk && !outcome.interrupted)
            controls.statusLine()->setText(FinishedText(outcome.rowsWritten, symbol, state.patternFileName, clock.elapsed()));
        if (outcome.result != kSheetOk)
            Tell(QString::fromStdString(engine::WriteFailureText(state.patternFileName.toStdString(), outcome.result)), widgets::MessageIcon::Critical, window);
        else if (outcome.datesAsText > 0)
            Tell(QString::fromStdString(DatesAsTextNote(outcome.datesAsText)) + u'.', widgets::MessageIcon::Information, window);
    }
}
