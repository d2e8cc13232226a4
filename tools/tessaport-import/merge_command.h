#pragma once

#include "engine/merge_run.h"
#include "import/library_source.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class TerminalProgress;

// --merge, --common-dates and --fields of tessaport-import.
struct MergeOptions {
    std::optional<MergeShape> shape;  // nothing without --merge
    bool commonDates = false;
    unsigned fields = kDefaultFields;
};

class MergeCommandLine {
public:
    explicit MergeCommandLine(QCommandLineParser& parser);
    // Reads the merge options after parsing; a usage error, or an empty text.
    QString Read(const QCommandLineParser& parser, bool openInterest, MergeOptions& options) const;

private:
    QCommandLineOption merge_{"merge", {}, "SHAPE"};
    QCommandLineOption commonDates_{"common-dates"};
    QCommandLineOption fields_{"fields", {}, "LIST"};
};

// One merge: the securities are looked up as they are added; one that cannot be imported
// is reported and left out, and the others are merged.
class MergeCommand {
public:
    MergeCommand(const LibrarySource& source, std::optional<int32_t> from,
                 std::optional<int32_t> to, bool keepInvalid, int16_t format, const QString& outputFile,
                 const MergeOptions& options);

    void Add(const QString& name, const std::optional<QByteArray>& symbol);
    bool IsEmpty() const { return request_.securities.empty() && failures_.empty(); }
    // Writes the file; false when anything failed, each failure told to `report`.
    bool Run(TerminalProgress& progress, const std::function<void(const QString&)>& report);
    // After Run: whether the file was written, its data rows, the securities left out.
    bool Written() const { return written_; }
    int64_t RowsWritten() const { return rowsWritten_; }
    int64_t LeftOut() const { return static_cast<int64_t>(failures_.size()); }

private:
    const LibrarySource& source_;
    std::optional<int32_t> from_;
    std::optional<int32_t> to_;
    bool keepInvalid_;
    QString outputFile_;
    MergeRequest request_;
    std::vector<QString> failures_;
    bool written_ = false;
    int64_t rowsWritten_ = 0;
    std::vector<QString> notes_;  // symbols given twice
};
