#pragma once

#include "export/merge_walk.h"
#include "import/import_job.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Several securities of one database in one file.
// Wide: one row per date over the union of their dates (or only the dates all of them
// hold), "Date" then each security's "SYM_<field>" columns; a security without a record on
// a date has empty cells there. The securities' data files are read side by side, a k-way
// merge by date that holds one record per security, so memory grows with the securities
// and not with their histories.
// Long: "Date,Symbol,Open,...", one security after another, dates ascending within each.
// A result the format cannot hold is refused before anything is written.

// "open,high,low,close,volume,oi" (any of them, any case, in any order) as PriceFields;
// nothing for an empty list or an unknown name, which is then put in `unknown`.
std::optional<unsigned> ParseFields(const QString& text, QString* unknown = nullptr);

struct MergeRequest {
    // Each as PrepareImport leaves it: data folder, symbol and days. In header order.
    std::vector<ImportRequest> securities;
    MergeShape shape = MergeShape::Wide;
    unsigned fields = kDefaultFields;
    bool commonDates = false;  // wide: only the dates every security holds
    int16_t format = kOutputXlsx;
    std::string path;  // in the file system's encoding
};

struct MergeOutcome {
    int16_t result = 0;  // 0, or the writer's failure code; the file is then not in place
    std::string refusal;  // set when nothing was written because the result does not fit
    bool interrupted = false;
    int32_t recordsRead = 0;
    int64_t rowsWritten = 0;  // data rows
    int64_t datesAsText = 0;  // dates the format has no number for, written as yyyy-mm-dd text
};

// The header row of a merge.
std::vector<std::string> MergeHeaderRow(const MergeRequest& request);

// Writes the merge. The hooks are ImportRun's, with skipInvalid asked once at the start.
MergeOutcome RunMerge(const omega::DataLibrary& library, const MergeRequest& request, const ImportHooks& hooks);
