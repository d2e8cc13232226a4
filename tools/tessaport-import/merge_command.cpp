#include "merge_command.h"

#include "terminal_progress.h"

#include "sheet/sheet_errors.h"

#include <QFile>

MergeCommandLine::MergeCommandLine(QCommandLineParser& parser)
{
    parser.addOptions({merge_, commonDates_, fields_});
}

QString MergeCommandLine::Read(const QCommandLineParser& parser, bool openInterest, MergeOptions& options) const
{
    if (parser.isSet(merge_)) {
        const QString shape = parser.value(merge_).toLower();
        if (shape == u"wide")
            options.shape = MergeShape::Wide;
        else if (shape == u"long")
            options.shape = MergeShape::Long;
        else
            return QStringLiteral("--merge: \"%1\" is neither wide nor long").arg(parser.value(merge_));
    }
    if (parser.isSet(commonDates_) && options.shape != MergeShape::Wide)
        return QStringLiteral("--common-dates goes with --merge wide");
    options.commonDates = parser.isSet(commonDates_);
    if (parser.isSet(fields_)) {
        if (!options.shape)
            return QStringLiteral("--fields goes with --merge");
        std::string unknown;
        const std::optional<unsigned> fields = ParseFields(parser.value(fields_).toStdString(), &unknown);
        if (!fields)
            return QStringLiteral("--fields: \"%1\" is none of open, high, low, close, volume, oi")
                .arg(QString::fromStdString(unknown));
        options.fields = *fields;
    } else {
        options.fields = kDefaultFields | (openInterest ? kFieldOpenInterest : 0u);
    }
    return {};
}

MergeCommand::MergeCommand(const LibrarySource& source, std::optional<int32_t> from,
                           std::optional<int32_t> to, bool keepInvalid, int16_t format, const QString& outputFile,
                           const MergeOptions& options)
    : source_(source), from_(from), to_(to), keepInvalid_(keepInvalid),
      outputFile_(outputFile)
{
    request_.shape = options.shape.value_or(MergeShape::Wide);
    request_.fields = options.fields;
    request_.commonDates = options.commonDates;
    request_.format = format;
    request_.path = QFile::encodeName(outputFile).toStdString();
}

void MergeCommand::Add(const QString& name, const std::optional<QByteArray>& symbol)
{
    const std::optional<std::string> held = symbol ? std::optional(symbol->toStdString()) : std::nullopt;
    if (const std::optional<std::string> failure =
            AddToMerge(source_, name.toStdString(), held, from_, to_, request_,
                       [this](const std::string& note) { notes_.push_back(QString::fromStdString(note)); }))
        failures_.push_back(QString::fromStdString(LeftOutOfMergeText(name.toStdString(), *failure)));
}

bool MergeCommand::Run(TerminalProgress& progress, const std::function<void(const QString&)>& report)
{
    for (const QString& note : notes_)
        report(note);
    for (const QString& failure : failures_)
        report(failure);
    if (request_.securities.empty()) {
        report(QStringLiteral("no security to merge; %1 is not written").arg(outputFile_));
        return false;
    }
    ImportHooks hooks;
    hooks.started = [&](int32_t estimate) { progress.Start(outputFile_.toLocal8Bit().toStdString(), estimate); };
    hooks.progress = [&](int32_t recordsRead) { progress.Update(recordsRead); };
    hooks.skipInvalid = [this] { return !keepInvalid_; };
    const MergeOutcome outcome = RunMerge(source_, request_, hooks);
    if (!outcome.refusal.empty() || outcome.result != kSheetOk) {
        progress.Abandon();
        const QString reason = !outcome.refusal.empty() ? QString::fromStdString(outcome.refusal)
                                                        : QString::fromStdString(SheetErrorText(outcome.result));
        report(QStringLiteral("cannot write %1: %2").arg(outputFile_, reason));
        return false;
    }
    written_ = true;
    rowsWritten_ = outcome.rowsWritten;
    progress.Finish(static_cast<int32_t>(std::min<int64_t>(outcome.rowsWritten, INT32_MAX)));
    if (outcome.datesAsText > 0)
        report(outputFile_ + QStringLiteral(": ") + QString::fromStdString(DatesAsTextNote(outcome.datesAsText)));
    return failures_.empty();
}
