#pragma once

#include "engine/import_run.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A run that writes one file per security into a folder (tessaport-import --out-dir,
// Export Listed Securities): each security narrowed to the dates, each given once, each
// into a file of its own named after its symbol, then written one after another.

namespace engine {

// The file names of one run. Two securities never share a file: a name already given out
// in this run (ignoring letter case, as some file systems do) gets "~2", "~3", ... before
// its extension.
class OutputNames {
public:
    // A name (UTF-8) for `stem` + `extension` not given out before in this run.
    std::string Take(const std::string& stem, const std::string& extension);

private:
    std::set<std::string> taken_;  // case-folded
};

// In a folder others may write to, a planted link would choose which file of ours is
// overwritten: inside such a folder a link is refused, not followed. `path` is in the
// file system's encoding.
bool IsLink(const std::string& path);

// Whose words a run speaks in: the window's boxes or the command line's lines.
enum class Voice { Window, Command };

struct PerSecurityOptions {
    std::string folder;  // UTF-8, as the user named it
    char separator = '/';  // between the folder and a file's name in the paths shown
    int16_t format = kSheetWk1;
    bool openInterest = false;
    std::optional<int32_t> from;
    std::optional<int32_t> to;
    Voice voice = Voice::Command;
    // A path shown (UTF-8) in the file system's encoding; as it is when left empty.
    std::function<std::string(const std::string& path)> fileSystemName;
};

// One security of the run, its file named.
struct PlannedFile {
    std::string name;  // the symbol as given or as held (UTF-8), for messages
    ImportRequest request;
    std::string path;  // UTF-8, as shown
};

// What a run wrote, for the summary at its end.
struct Tally {
    int64_t files = 0;
    int64_t rows = 0;
    int64_t datesAsText = 0;
    std::vector<std::string> leftOut;  // "SYM: why", one per security
};

class PerSecurityRun {
public:
    PerSecurityRun(const DataSource& source, PerSecurityOptions options);

    // Narrows the security to the dates and names its file. Nothing when it is left out
    // (why goes to the tally) or was given before in this run; what is worth telling
    // goes to `note` (which may be empty).
    std::optional<PlannedFile> Plan(const std::string& name, const std::optional<std::string>& symbol,
                                    const std::function<void(const std::string&)>& note);

    // The output folder cannot be made: the run's failure.
    std::optional<std::string> MakeFolder() const;

    // How each file is followed: hooks for its import, and what came of it.
    struct Follow {
        std::function<void(const PlannedFile& file, ImportHooks& hooks)> starting;
        // After each file: the failure, or nothing when it was written (or interrupted).
        std::function<void(const PlannedFile& file, const ImportOutcome& outcome,
                           const std::optional<std::string>& failure)>
            finished;
    };
    // Writes the files `next` gives, one after another, until it gives nothing, the run is
    // interrupted or, in the window's voice, a file fails (the run's failure is returned).
    // On the command line a file that fails leaves its security out, and the others go on.
    std::optional<std::string> Write(const std::function<std::optional<PlannedFile>()>& next,
                                     const ImportHooks& hooks, const Follow& follow);

    const Tally& Result() const { return tally_; }
    bool Interrupted() const { return interrupted_; }

private:
    const DataSource& source_;
    PerSecurityOptions options_;
    OutputNames names_;
    std::set<std::string> given_;  // symbols as held
    Tally tally_;
    bool interrupted_ = false;
};

// "An error has occured while writing the destination file PATH: WHY." as the window says it.
std::string WriteFailureText(const std::string& path, int16_t result);

} // namespace engine
