// The real programs killed with SIGKILL just before calls that change a file, spread over the
// run, writes cut short so that a kill can land between any two steps of a file's growth:
// after every kill the files are the old ones or the complete new ones.

#include "reliability_support.h"

#include "qv2omg/database_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace {

// Counts the file-changing calls of `run` (writing at most `chunk` bytes a call), then kills
// it before about every other one, each time after `restore`, and counts the states `state`
// finds the files in. Both "old" and "new" must be among them.
std::map<std::string, int> KillAt(ChildRun run, int chunk, const std::function<void()>& restore,
                                  const std::function<std::string(long)>& state)
{
    const TempFolder folder;
    run.writeCounter = true;
    run.environment = {"TESSAPORT_WRITE_CHUNK=" + std::to_string(chunk), "TESSAPORT_COUNT_FILE=" + (folder / "calls").string()};
    restore();
    const ChildOutcome counted = RunChild(run);
    EXPECT_EQ(counted.exitCode, 0) << counted.err;
    const long calls = std::atol(ReadText(folder / "calls").c_str()), kills = calls / 2 + 2;
    std::map<std::string, int> outcomes;
    for (long kill = 0; kill < kills; ++kill) {
        const long at = 1 + kill * calls / (kills - 1);
        restore();
        run.environment.back() = "TESSAPORT_KILL_AT=" + std::to_string(at);
        const ChildOutcome outcome = RunChild(run);
        if (!outcome.killed && outcome.exitCode != 0) {
            ADD_FAILURE() << "killed at call " << at << ": " << outcome.err;
            break;
        }
        ++outcomes[state(at)];
    }
    EXPECT_GT(outcomes["old"], 0);
    EXPECT_GT(outcomes["new"], 0);
    return outcomes;
}

TEST(KillDuringWrite, PatternFileIsTheOldOrTheCompleteNewOne)
{
    TempFolder folder;
    const std::string db = folder / "db", out = folder / "out.wk1";
    ASSERT_TRUE(qv2omg::CreateDatabase(db).IsOk());
    ASSERT_TRUE(qv2omg::AddSecurity(db, {"XYZ", "", 2, 0, true}, DailyRows(3000)).IsOk());
    ASSERT_EQ(RunChild({"tessaport-import", {"--data", db, "--to", "1990-03-01", "-o", out, "XYZ"}}).exitCode, 0);
    const std::string oldFile = ReadText(out);
    const ChildRun run{"tessaport-import", {"--data", db, "--open-interest", "-o", out, "XYZ"}};
    ASSERT_EQ(RunChild(run).exitCode, 0);
    const std::string newFile = ReadText(out);
    const auto restore = [&] { WriteText(out, oldFile); };

    // A few hundred writes.
    EXPECT_EQ(KillAt(run, static_cast<int>(newFile.size() / 400), restore, [&](long) {
        const std::string now = ReadText(out);
        return now == oldFile ? "old" : now == newFile ? "new" : "torn";
    })["torn"], 0);

    // What the killed runs left behind does not stand in the next run's way.
    restore();
    ASSERT_EQ(RunChild(run).exitCode, 0);
    EXPECT_EQ(ReadText(out), newFile);
}

// A run of many files puts them in place together: after a kill each name holds its earlier
// file (or none) or its complete new one, beside hidden temporary files only.
TEST(KillDuringWrite, FilesOfAnOutDirRunAreEachTheOldOrTheCompleteNewOne)
{
    TempFolder folder;
    const std::string db = folder / "db", out = folder / "out", pristine = folder / "pristine";
    ASSERT_TRUE(qv2omg::CreateDatabase(db).IsOk());
    for (int i = 0; i < 70; ++i)  // past one batch's worth of files
        ASSERT_TRUE(qv2omg::AddSecurity(db, {"S" + std::to_string(100 + i), "", 2, 0, true}, DailyRows(150 + i)).IsOk());
    ASSERT_EQ(RunChild({"tessaport-import", {"--data", db, "--to", "1990-02-01", "--out-dir", pristine, "--all"}}).exitCode, 0);
    for (int i = 0; i < 70; i += 3)
        fs::remove(folder / ("pristine/S" + std::to_string(100 + i) + ".pat"));
    const ChildRun run{"tessaport-import", {"--data", db, "--out-dir", out, "--all", "-q"}};
    ASSERT_EQ(RunChild(run).exitCode, 0);
    std::map<std::string, std::string> oldFiles, newFiles;
    for (const auto& [files, from] : {std::pair{&newFiles, out}, std::pair{&oldFiles, pristine}})
        for (const auto& entry : fs::directory_iterator(from))
            (*files)[entry.path().filename().string()] = ReadText(entry.path());
    ASSERT_EQ(newFiles.size(), 70u);
    const auto restore = [&] {
        fs::remove_all(out);
        fs::copy(pristine, out);
    };

    EXPECT_GT(KillAt(run, 0, restore, [&](long at) {
        size_t fresh = 0;
        for (const auto& entry : fs::directory_iterator(out)) {
            const std::string name = entry.path().filename().string(), now = ReadText(entry.path());
            if (name.starts_with(".") && name.ends_with(".tmp"))
                continue;
            const bool earlier = oldFiles.contains(name) && now == oldFiles[name];
            EXPECT_TRUE(earlier || (newFiles.contains(name) && now == newFiles[name])) << at << " " << name;
            fresh += earlier ? 0 : 1;
        }
        return fresh == 0 ? "old" : fresh == newFiles.size() ? "new" : "partly new";
    })["partly new"], 0);
}

TEST(KillDuringWrite, DatabaseHoldsTheOldOrTheNewSecuritiesAndTakesTheAddAgain)
{
    TempFolder folder;
    const fs::path pristine = folder / "pristine", db = folder / "db", source = folder / "source", csv = folder / "xyz.csv";
    ASSERT_TRUE(qv2omg::CreateDatabase(pristine).IsOk() && qv2omg::CreateDatabase(source).IsOk());
    ASSERT_TRUE(qv2omg::AddSecurity(pristine, {"ABC", "", 2, 0, true}, DailyRows(50)).IsOk());
    ASSERT_TRUE(qv2omg::AddSecurity(source, {"XYZ", "", 2, 0, true}, DailyRows(3000)).IsOk());
    WriteText(csv, RunChild({"omegadb", {"dump", source.string(), "XYZ"}}).out);
    const ChildRun run{"omegadb", {"add", db.string(), "XYZ", "--description", "Xylo", csv.string()}};
    const std::vector<std::string> oldSet{"ABC 50"}, newSet{"ABC 50", "XYZ 3000"};
    const auto restore = [&] {
        fs::remove_all(db);
        fs::copy(pristine, db);
    };

    int kill = 0;
    EXPECT_EQ(KillAt(run, 256, restore, [&](long at) {
        const std::vector<std::string> now = DatabaseContents(db);
        // What a killed run left behind is overwritten or passed over: the add runs again,
        // unless the killed run completed it. Every eighth kill, to keep the test short.
        if (kill++ % 8 == 0) {
            const ChildOutcome again = RunChild(run);
            EXPECT_EQ(again.exitCode, now == oldSet ? 0 : 1) << again.err;
            EXPECT_EQ(DatabaseContents(db), newSet) << at;
        }
        return now == oldSet ? "old" : now == newSet ? "new" : "torn";
    })["torn"], 0);
}

} // namespace
