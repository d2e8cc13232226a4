#include "import/export_listed.h"

#include "export/output_format.h"
#include "import/begin_import.h"
#include "import/busy_state.h"
#include "import/event_pump.h"
#include "import/date_text.h"
#include "engine/merge_run.h"
#include "engine/per_security.h"
#include "import/library_source.h"
#include "omega/data_library.h"
#include "main_window/focus_return.h"
#include "main_window/progress_window.h"
#include "omega/security_table.h"
#include "omega/windows1252.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"
#include "widgets/modal_return.h"
#include "widgets/twips.h"
#include "sheet/sheet_errors.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

const char kTitle[] = "Tessaport";
constexpr std::array<unsigned, 6> kFieldBits = {kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume,
                                                kFieldOpenInterest};
constexpr std::array<int16_t, 3> kPerSecurityFormats = {kSheetWk1, kOutputXlsx, kOutputCsv};

// What the dialog was last accepted with, for as long as the program runs.
struct ExportChoices {
    int shape = ExportListedDialog::Wide;
    bool commonDates = false;
    std::array<bool, 6> fields{};
    QString output;
    int perSecurityType = 0;
    QString firstDate;
    QString lastDate;
};

std::optional<ExportChoices>& LastChoices()
{
    static std::optional<ExportChoices> choices;
    return choices;
}

int FileTypeIndex(int16_t format)
{
    return format == kOutputXlsx ? 1 : format == kOutputCsv ? 2 : 0;
}

QLabel* ProblemLine(QWidget* parent, const char* name)
{
    auto* line = new QLabel(parent);
    line->setObjectName(QLatin1String(name));
    line->setWordWrap(true);
    line->hide();
    return line;
}

void ShowProblem(QLabel* line, const QString& problem)
{
    line->setText(problem);
    line->setVisible(!problem.isEmpty());
}

ExportDialogRunner& Runner()
{
    static ExportDialogRunner runner;
    return runner;
}

void Tell(const QString& text, widgets::MessageIcon icon, QWidget* parent)
{
    widgets::ShowMessage(QString::fromLatin1(kTitle), text, icon, parent);
}

QString ListedSymbol(const QAbstractItemModel& model, int row)
{
    return omega::SecurityLineSymbol(model.index(row, 0).data().toString());
}

} // namespace

ExportListedDialog::ExportListedDialog(bool openInterest, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("exportListedDialog"));
    setWindowTitle(QStringLiteral("Export Listed Securities"));
    // A dialog is a window of its own, which does not take its owner's font.
    if (parent)
        setFont(parent->window()->font());
    // The choices scroll where the screen has too little room for them (a large scale
    // factor), rather than be squashed; OK and Cancel stay in view below them.
    auto* outer = new QVBoxLayout(this);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The keyboard goes to the first choice, not to the area around the choices.
    scroll_->setFocusPolicy(Qt::NoFocus);
    auto* content = new QWidget(scroll_);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* shapes = new QGroupBox(QStringLiteral("Write"), this);
    auto* shapeLayout = new QVBoxLayout(shapes);
    const std::array<QString, 3> shapeCaptions = {QStringLiteral("One &file per security"),
                                                  QStringLiteral("One &wide sheet: a row per date"),
                                                  QStringLiteral("One &long table: a row per record")};
    for (size_t i = 0; i < shapeButtons.size(); ++i) {
        shapeButtons[i] = new QRadioButton(shapeCaptions[i], shapes);
        shapeButtons[i]->setObjectName(QStringLiteral("shapeButton%1").arg(i));
        shapeLayout->addWidget(shapeButtons[i]);
        connect(shapeButtons[i], &QRadioButton::toggled, this, &ExportListedDialog::UpdateState);
    }
    commonDatesCheck = new QCheckBox(QStringLiteral("Only the dates &every security holds"), shapes);
    commonDatesCheck->setObjectName(QStringLiteral("commonDatesCheck"));
    shapeLayout->addWidget(commonDatesCheck);
    layout->addWidget(shapes);

    auto* fields = new QGroupBox(QStringLiteral("Fields"), this);
    auto* fieldLayout = new QHBoxLayout;
    const std::array<QString, 6> fieldCaptions = {QStringLiteral("Open"), QStringLiteral("High"),
                                                  QStringLiteral("Low"), QStringLiteral("Close"),
                                                  QStringLiteral("Volume"), QStringLiteral("Open interest")};
    for (size_t i = 0; i < fieldChecks.size(); ++i) {
        fieldChecks[i] = new QCheckBox(fieldCaptions[i], fields);
        fieldChecks[i]->setObjectName(QStringLiteral("fieldCheck%1").arg(i));
        fieldChecks[i]->setChecked(i < 5 || openInterest);
        fieldLayout->addWidget(fieldChecks[i]);
        connect(fieldChecks[i], &QCheckBox::toggled, this, &ExportListedDialog::UpdateState);
    }
    fieldsProblemLabel = ProblemLine(fields, "fieldsProblemLabel");
    auto* fieldsColumn = new QVBoxLayout(fields);
    fieldsColumn->addLayout(fieldLayout);
    fieldsColumn->addWidget(fieldsProblemLabel);
    layout->addWidget(fields);

    auto* dates = new QGroupBox(QStringLiteral("Dates"), this);
    auto* dateLayout = new QFormLayout(dates);
    firstDateEdit = new QLineEdit(dates);
    firstDateEdit->setObjectName(QStringLiteral("firstDateEdit"));
    lastDateEdit = new QLineEdit(dates);
    lastDateEdit->setObjectName(QStringLiteral("lastDateEdit"));
    for (QLineEdit* box : {firstDateEdit, lastDateEdit}) {
        box->setMaxLength(kMaxDateTextLength);
        box->setPlaceholderText(QStringLiteral("whole history"));
        connect(box, &QLineEdit::textChanged, this, &ExportListedDialog::UpdateState);
    }
    dateLayout->addRow(QStringLiteral("F&irst date:"), firstDateEdit);
    dateLayout->addRow(QStringLiteral("L&ast date:"), lastDateEdit);
    datesProblemLabel = ProblemLine(dates, "datesProblemLabel");
    dateLayout->addRow(datesProblemLabel);
    dateLayout->addRow(new QLabel(QStringLiteral("An empty box means from the first or to the last date each security holds."),
                                  dates));
    layout->addWidget(dates);

    auto* output = new QFormLayout;
    auto* outputRow = new QHBoxLayout;
    outputEdit = new QLineEdit(this);
    outputEdit->setObjectName(QStringLiteral("outputEdit"));
    browseButton = new QPushButton(QStringLiteral("&Browse..."), this);
    browseButton->setObjectName(QStringLiteral("browseButton"));
    outputRow->addWidget(outputEdit);
    outputRow->addWidget(browseButton);
    // A label made by the form for a row of several widgets has no buddy and would show its '&'.
    auto* outputLabel = new QLabel(QStringLiteral("&Output:"), this);
    outputLabel->setBuddy(outputEdit);
    output->addRow(outputLabel, outputRow);
    outputProblemLabel = ProblemLine(this, "outputProblemLabel");
    output->addRow(QString(), outputProblemLabel);
    fileTypeCombo = new QComboBox(this);
    fileTypeCombo->setObjectName(QStringLiteral("fileTypeCombo"));
    fileTypeCombo->addItems({QStringLiteral("Pattern files (.pat)"), QStringLiteral("Excel workbooks (.xlsx)"),
                           QStringLiteral("CSV files (.csv)")});
    output->addRow(QStringLiteral("File &type:"), fileTypeCombo);
    auto* hint = new QLabel(QStringLiteral("A sheet or table is an xlsx or CSV file when its name ends so;\n"
                                           "any other name is a pattern file."),
                            this);
    output->addRow(hint);
    layout->addLayout(output);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton = buttons->button(QDialogButtonBox::Ok);
    okButton->setObjectName(QStringLiteral("okButton"));
    scroll_->setWidget(content);
    outer->addWidget(scroll_);
    outer->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browseButton, &QPushButton::clicked, this, &ExportListedDialog::Browse);
    connect(outputEdit, &QLineEdit::textChanged, this, &ExportListedDialog::UpdateState);
    connect(fileTypeCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (ChosenShape() == PerSecurity)
            perSecurityType_ = index;
    });
    if (const std::optional<ExportChoices>& last = LastChoices()) {
        shapeButtons[static_cast<size_t>(last->shape)]->setChecked(true);
        commonDatesCheck->setChecked(last->commonDates);
        for (size_t i = 0; i < fieldChecks.size(); ++i)
            fieldChecks[i]->setChecked(last->fields[i]);
        outputEdit->setText(last->output);
        perSecurityType_ = last->perSecurityType;
        firstDateEdit->setText(last->firstDate);
        lastDateEdit->setText(last->lastDate);
    } else {
        shapeButtons[Wide]->setChecked(true);
    }
    UpdateState();
}

void ExportListedDialog::FitContents()
{
    // The scroll area would offer only a part of its contents' size: the whole, as far as the
    // screen has room.
    QWidget* content = scroll_->widget();
    const QMargins margins = layout()->contentsMargins();
    const int width = content->sizeHint().width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int contentHeight = std::max(content->sizeHint().height(),
                                       content->hasHeightForWidth() ? content->heightForWidth(width) : 0)
        + 2 * fontMetrics().height();  // wrapped lines measure short by a line or so
    QSize size(width + margins.left() + margins.right(),
               contentHeight + okButton->sizeHint().height() + layout()->spacing() + margins.top() + margins.bottom());
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
}

void ExportListedDialog::Remember() const
{
    ExportChoices choices;
    choices.shape = ChosenShape();
    choices.commonDates = commonDatesCheck->isChecked();
    for (size_t i = 0; i < fieldChecks.size(); ++i)
        choices.fields[i] = fieldChecks[i]->isChecked();
    choices.output = outputEdit->text();
    choices.perSecurityType = perSecurityType_;
    choices.firstDate = firstDateEdit->text();
    choices.lastDate = lastDateEdit->text();
    LastChoices() = choices;
}

void ExportListedDialog::ForgetChoices()
{
    LastChoices().reset();
}

std::optional<int32_t> ExportListedDialog::FirstDate() const
{
    return DateTextToSerial(firstDateEdit->text());
}

std::optional<int32_t> ExportListedDialog::LastDate() const
{
    return DateTextToSerial(lastDateEdit->text());
}

QString ExportListedDialog::FieldsProblem() const
{
    return ChosenShape() != PerSecurity && ChosenFields() == 0 ? QStringLiteral("Choose at least one field to write.")
                                                              : QString();
}

QString ExportListedDialog::DatesProblem() const
{
    for (const auto& [box, name] : {std::pair{firstDateEdit, "first"}, std::pair{lastDateEdit, "last"}}) {
        if (!box->text().trimmed().isEmpty() && !DateTextToSerial(box->text()))
            return QStringLiteral("The %1 date \"%2\" is not a date. Dates read: %3.")
                .arg(QLatin1String(name), box->text().trimmed(), DateFormsText());
    }
    if (FirstDate() && LastDate() && *FirstDate() > *LastDate())
        return QStringLiteral("The first date is after the last date.");
    return QString();
}

namespace {

// The output's kind must fit the shape: the run would otherwise fail at its first file.
enum class OutputMismatch { None, FileForFolder, FolderForFile };

OutputMismatch MismatchOf(const QString& output, bool perSecurity)
{
    const QFileInfo info(output);
    if (perSecurity && info.exists() && !info.isDir())
        return OutputMismatch::FileForFolder;
    if (!perSecurity && info.isDir())
        return OutputMismatch::FolderForFile;
    return OutputMismatch::None;
}

} // namespace

QString ExportListedDialog::OutputProblem() const
{
    const bool perSecurity = ChosenShape() == PerSecurity;
    if (Output().isEmpty())
        return perSecurity ? QStringLiteral("Name the folder the files go into.")
                           : QStringLiteral("Name the file to write.");
    switch (MismatchOf(Output(), perSecurity)) {
    case OutputMismatch::FileForFolder:
        return QStringLiteral("%1 is a file: the files one per security go into a folder.").arg(Output());
    case OutputMismatch::FolderForFile:
        return QStringLiteral("%1 is a folder: a sheet or table is written to a file.").arg(Output());
    case OutputMismatch::None:
        break;
    }
    return QString();
}

ExportListedDialog::Shape ExportListedDialog::ChosenShape() const
{
    return shapeButtons[PerSecurity]->isChecked() ? PerSecurity : shapeButtons[Long]->isChecked() ? Long : Wide;
}

unsigned ExportListedDialog::ChosenFields() const
{
    unsigned fields = 0;
    for (size_t i = 0; i < fieldChecks.size(); ++i)
        fields |= fieldChecks[i]->isChecked() ? kFieldBits[i] : 0u;
    return fields;
}

bool ExportListedDialog::CommonDates() const
{
    return ChosenShape() == Wide && commonDatesCheck->isChecked();
}

QString ExportListedDialog::Output() const
{
    return outputEdit->text().trimmed();
}

int16_t ExportListedDialog::PerSecurityFormat() const
{
    return kPerSecurityFormats[static_cast<size_t>(std::max(0, fileTypeCombo->currentIndex()))];
}

void ExportListedDialog::UpdateState()
{
    const bool merge = ChosenShape() != PerSecurity;
    commonDatesCheck->setEnabled(ChosenShape() == Wide);
    for (QCheckBox* field : fieldChecks)
        field->setEnabled(merge);
    fileTypeCombo->setEnabled(!merge);
    // A sheet or table takes its type from its name; the files one per security from the box.
    fileTypeCombo->setCurrentIndex(merge ? FileTypeIndex(FormatForFileName(Output().toStdString())) : perSecurityType_);
    const QString fieldsProblem = FieldsProblem(), datesProblem = DatesProblem(), outputProblem = OutputProblem();
    ShowProblem(fieldsProblemLabel, fieldsProblem);
    ShowProblem(datesProblemLabel, datesProblem);
    ShowProblem(outputProblemLabel, outputProblem);
    okButton->setEnabled(fieldsProblem.isEmpty() && datesProblem.isEmpty() && outputProblem.isEmpty());
    // A line that comes or goes, wrapped over several, takes room the window must make.
    if (isVisible())
        FitContents();
}

void ExportListedDialog::Browse()
{
    widgets::FileDialogRequest request;
    request.mode = widgets::FileDialogMode::Save;
    const bool merge = ChosenShape() != PerSecurity;
    request.title = merge ? QStringLiteral("Export to File") : QStringLiteral("Export into the Folder of a File");
    // In the order of the type box, which the dialog opens on.
    request.filters = {{QStringLiteral("Pattern Files (*.pat)"), {QStringLiteral("*.pat")}},
                       {QStringLiteral("Excel Workbooks (*.xlsx)"), {QStringLiteral("*.xlsx")}},
                       {QStringLiteral("CSV Files (*.csv)"), {QStringLiteral("*.csv")}},
                       {QStringLiteral("All Files (*.*)"), {QStringLiteral("*.*")}}};
    request.selectedFilter = fileTypeCombo->currentIndex();
    request.addTypeExtension = true;
    if (!Output().isEmpty())
        request.directory = merge ? QFileInfo(Output()).absolutePath() : Output();
    const std::optional<QString> chosen = widgets::RunFileDialog(this, request);
    if (!chosen || chosen->isEmpty())
        return;
    if (merge) {
        outputEdit->setText(QDir::toNativeSeparators(*chosen));
        return;
    }
    perSecurityType_ = FileTypeIndex(FormatForFileName(chosen->toStdString()));
    outputEdit->setText(QDir::toNativeSeparators(QFileInfo(*chosen).path()));
    UpdateState();
}

void SetExportDialogRunner(ExportDialogRunner runner)
{
    Runner() = std::move(runner);
}

void UpdateExportListedEnabled(const ProgramState& state, const MainWindowControls& controls)
{
    const QAbstractItemModel* model = controls.securityList()->model();
    controls.exportListedAction()->setEnabled(state.mode == ImportMode::SecurityList && model && model->rowCount() > 0
                                              && !controls.interruptImportAction()->isEnabled());
}

void AttachExportListed(ProgramState& state, const MainWindowControls& controls)
{
    QObject* owner = controls.exportListedAction();
    const auto update = [&state, &controls] { UpdateExportListedEnabled(state, controls); };
    if (QAbstractItemModel* model = controls.securityList()->model()) {
        QObject::connect(model, &QAbstractItemModel::rowsInserted, owner, update);
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, owner, update);
        QObject::connect(model, &QAbstractItemModel::modelReset, owner, update);
        QObject::connect(model, &QAbstractItemModel::layoutChanged, owner, update);
    }
    for (QAction* mode : controls.modeActions())
        QObject::connect(mode, &QAction::triggered, owner, update);
    QObject::connect(controls.interruptImportAction(), &QAction::enabledChanged, owner, update);
    update();
}

namespace {

// What a run wrote, for the message at its end.
struct ExportTally {
    engine::Tally run;
    QElapsedTimer clock;
    qint64 paused = 0;  // milliseconds the run waited on the user
};

QString EndText(const ExportTally& tally, const QString& output, bool perSecurity)
{
    const engine::Tally& run = tally.run;
    QString text = perSecurity ? QStringLiteral("Files written: %1, in %2\n").arg(GroupedCount(run.files), output)
                               : QStringLiteral("Files written: %1, %2\n").arg(GroupedCount(run.files), output);
    text += QStringLiteral("Rows written: %1\n").arg(GroupedCount(run.rows));
    text += QStringLiteral("Securities left out: %1\n").arg(GroupedCount(static_cast<int64_t>(run.leftOut.size())));
    for (const std::string& line : run.leftOut)
        text += QStringLiteral("  ") + QString::fromStdString(line) + u'\n';
    if (run.datesAsText > 0)
        text += QString::fromStdString(DatesAsTextNote(run.datesAsText)) + QStringLiteral(".\n");
    const qint64 worked = tally.clock.elapsed() - tally.paused;
    text += QStringLiteral("Time taken: %1 s").arg(QString::number(static_cast<double>(worked) / 1000.0, 'f', 1));
    return text;
}

std::optional<QString> OutputRefusal(const QString& output, bool perSecurity)
{
    switch (MismatchOf(output, perSecurity)) {
    case OutputMismatch::FileForFolder:
        return QStringLiteral("Unable to export: %1 is a file, and the files one per security go into a folder.")
            .arg(output);
    case OutputMismatch::FolderForFile:
        return QStringLiteral("Unable to export: %1 is a folder, and a sheet or table is written to a file.").arg(output);
    case OutputMismatch::None:
        break;
    }
    return std::nullopt;
}

// Asks once for the whole run before files that exist are replaced.
bool ReplaceAllowed(const QString& output, bool perSecurity, const std::vector<QString>& paths, QWidget* window)
{
    QString question;
    if (!perSecurity) {
        if (QFileInfo::exists(output))
            question = QStringLiteral("%1 exists already. Replace it?").arg(output);
    } else {
        QStringList existing;
        for (const QString& path : paths) {
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
                existing << QFileInfo(path).fileName();
        }
        if (existing.size() == 1)
            question = QStringLiteral("One of the files, %1, exists already in %2. Replace it?").arg(existing[0], output);
        else if (existing.size() > 1)
            question = QStringLiteral("%1 of the %2 files exist already in %3. Replace them all?")
                           .arg(GroupedCount(existing.size()), GroupedCount(static_cast<int64_t>(paths.size())), output);
    }
    return question.isEmpty() || widgets::AskYesNo(QString::fromLatin1(kTitle), question, window);
}

} // namespace

void ExportListedSecurities(ProgramState& state, const MainWindowControls& controls)
{
    UpdateExportListedEnabled(state, controls);
    if (!controls.exportListedAction()->isEnabled())
        return;
    QWidget* const window = controls.window();
    ExportListedDialog dialog(controls.openInterestCheck()->isChecked(), window);
    bool accepted = false;
    {
        // Without a window manager the keyboard would reach no window once the dialog goes,
        // and Alt+I could not reach Interrupt Import during the run.
        const widgets::ModalReturn giveBack(window);
        dialog.FitContents();
        widgets::FitOnScreen(&dialog);
        accepted = Runner() ? Runner()(dialog) : dialog.exec() == QDialog::Accepted;
    }
    if (!accepted || dialog.Output().isEmpty())
        return;
    dialog.Remember();

    ExportTally tally;
    tally.clock.start();
    const LibrarySource source(omega::TheDataLibrary(), state.currentDataDir);
    const std::optional<int32_t> from = dialog.FirstDate();
    const std::optional<int32_t> to = dialog.LastDate();
    const QAbstractItemModel& model = *controls.securityList()->model();
    const bool perSecurity = dialog.ChosenShape() == ExportListedDialog::PerSecurity;

    engine::PerSecurityOptions options;
    options.folder = QDir::toNativeSeparators(dialog.Output()).toStdString();
    options.separator = QDir::separator().toLatin1();
    options.format = dialog.PerSecurityFormat();
    options.openInterest = dialog.fieldChecks[5]->isChecked();
    options.from = from;
    options.to = to;
    options.voice = engine::Voice::Window;
    options.fileSystemName = [](const std::string& path) {
        return QFile::encodeName(QString::fromStdString(path)).toStdString();
    };
    engine::PerSecurityRun files(source, options);
    std::vector<engine::PlannedFile> planned;
    MergeRequest merge;
    std::vector<std::string> mergeLeftOut;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString symbol = ListedSymbol(model, row);
        const std::optional<QByteArray> bytes = omega::EncodeWindows1252(symbol);
        const std::optional<std::string> held = bytes ? std::optional(bytes->toStdString()) : std::nullopt;
        if (perSecurity) {
            if (std::optional<engine::PlannedFile> file = files.Plan(symbol.toStdString(), held, {}))
                planned.push_back(std::move(*file));
        } else if (const std::optional<std::string> failure =
                       AddToMerge(source, symbol.toStdString(), held, from, to, merge, {})) {
            mergeLeftOut.push_back(symbol.toStdString() + ": " + *failure);
        }
    }
    // The names of the files one per security, as they will be written.
    std::vector<QString> paths;
    for (const engine::PlannedFile& file : planned)
        paths.push_back(QString::fromStdString(file.path));
    if (const std::optional<QString> refusal = OutputRefusal(dialog.Output(), perSecurity)) {
        Tell(*refusal, widgets::MessageIcon::Critical, window);
        return;
    }
    QElapsedTimer asking;
    asking.start();
    if (!ReplaceAllowed(dialog.Output(), perSecurity, paths, window))
        return;
    const qint64 askedFor = asking.elapsed();

    // Outlives the exporting state, which moves the focus out of the locked options.
    const FocusReturn focus(controls);
    QString failure;
    bool interrupted = false;
    {
        // Begin Import is put back as it was.
        const BusyState exporting(state, controls, controls.beginImportAction()->isEnabled());
        RunProgress progress(window, QStringLiteral("Exporting Listed Securities"),
                             perSecurity ? static_cast<int32_t>(planned.size()) : 1, controls.interruptImportAction());
        ImportHooks hooks;
        EventPump events;
        tally.paused = askedFor;
        hooks.beforeRead = [&events, &tally, askedFor] {
            events.BeforeRead();
            tally.paused = askedFor + events.Paused();
        };
        hooks.progress = [&progress](int32_t recordsRead) { progress.Records(recordsRead); };
        const bool skipInvalid = controls.skipInvalidCheck()->isChecked();
        hooks.skipInvalid = [skipInvalid] { return skipInvalid; };
        // The file in hand is abandoned, and told about once the run has ended.
        hooks.keepRowsWhenInterrupted = false;
        hooks.interrupted = [&state, &interrupted] {
            if (!state.interruptRequested)
                return false;
            state.interruptRequested = false;
            interrupted = true;
            return true;
        };

        if (perSecurity) {
            std::optional<std::string> failed = files.MakeFolder();
            size_t next = 0;
            engine::PerSecurityRun::Follow follow;
            follow.starting = [&progress, &next](const engine::PlannedFile& file, ImportHooks& fileHooks) {
                fileHooks.started = [&progress, &file, i = next - 1](int32_t estimate) {
                    progress.Begin(static_cast<int32_t>(i),
                                   omega::DecodeWindows1252(QByteArray::fromStdString(file.request.symbol)), estimate);
                };
            };
            if (!failed) {
                failed = files.Write(
                    [&]() -> std::optional<engine::PlannedFile> {
                        return next < planned.size() ? std::optional(planned[next++]) : std::nullopt;
                    },
                    hooks, follow);
            }
            if (failed)
                failure = QString::fromStdString(*failed);
            tally.run = files.Result();
        } else {
            merge.shape = dialog.ChosenShape() == ExportListedDialog::Long ? MergeShape::Long : MergeShape::Wide;
            merge.fields = dialog.ChosenFields();
            merge.commonDates = dialog.CommonDates();
            merge.format = FormatForFileName(dialog.Output().toStdString());
            merge.path = QFile::encodeName(dialog.Output()).toStdString();
            const QString text = QStringLiteral("%1 securities into %2")
                                     .arg(GroupedCount(static_cast<int64_t>(merge.securities.size())),
                                          QFileInfo(dialog.Output()).fileName());
            hooks.started = [&progress, &text](int32_t estimate) { progress.BeginWhole(text, estimate); };
            const MergeOutcome outcome = merge.securities.empty() ? MergeOutcome{} : RunMerge(source, merge, hooks);
            tally.run.leftOut = mergeLeftOut;
            tally.run.datesAsText = outcome.datesAsText;
            if (!outcome.refusal.empty())
                failure = QStringLiteral("Unable to export: ") + QString::fromStdString(outcome.refusal) + u'.';
            else if (outcome.result != kSheetOk)
                failure = QString::fromStdString(
                    engine::WriteFailureText(dialog.Output().toStdString(), outcome.result));
            else if (!outcome.interrupted && !merge.securities.empty())
                tally.run.files = 1, tally.run.rows = outcome.rowsWritten;
        }
    }
    if (!failure.isEmpty())
        Tell(failure, widgets::MessageIcon::Critical, window);
    else if (interrupted)
        Tell(QString::fromLatin1(kImportInterruptedText) + QStringLiteral("\n\n") + EndText(tally, dialog.Output(), perSecurity),
             widgets::MessageIcon::Information, window);
    else
        Tell(EndText(tally, dialog.Output(), perSecurity), widgets::MessageIcon::Information, window);
}
