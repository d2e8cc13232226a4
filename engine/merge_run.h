#pragma once

#include "export/merge_walk.h"
#include "engine/import_run.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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
std::optional<unsigned> ParseFields(std::string_view text, std::string* unknown = nullptr);

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
// With a sink the rows go there rather than to the request's file (arrays for Python;
// the format's limits then are the sink's business).
MergeOutcome RunMerge(const engine::DataSource& source, const MergeRequest& request, const ImportHooks& hooks,
                      RowWriter* sink = nullptr);

// Adds a security to a merge, narrowed as PrepareImport narrows it. Returns why it is left
// out, or nothing; one given before (by the bytes it is held under) is added once, and
// the note for it goes to `note`.
std::optional<std::string> AddToMerge(const engine::DataSource& source, const std::string& name,
                                      const std::optional<std::string>& symbol, std::optional<int32_t> from,
                                      std::optional<int32_t> to, MergeRequest& request,
                                      const std::function<void(const std::string&)>& note);
// "SYM: why; left out of the merge", as the command line and Python say it.
std::string LeftOutOfMergeText(const std::string& name, const std::string& why);
