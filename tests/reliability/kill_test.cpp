// Crash consistency: the real programs, killed with SIGKILL just before one call that
// changes a file, for calls spread over the whole run. The write counter also makes every
// write a short one, so a file grows in hundreds of steps and a kill can land between any
// two of them. After every kill the files are the old ones or the complete new ones.

#include "reliability_support.h"

#include "qv2omg/database_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace {

// `run` with the write counter loaded, writing at most `chunk` bytes a call, and `setting`.
ChildRun Counted(ChildRun run, int chunk, const std::string& setting)
{
    run.writeCounter = true;
    run.environment.push_back("TESSAPORT_WRITE_CHUNK=" + std::to_string(chunk));
    run.environment.push_back(setting);
    return run;
}

// How many file-changing calls the run makes, seen through the counter; it must succeed.
long CountCalls(const ChildRun& run, int chunk, const TempFolder& folder)
{
    const std::string countFile = folder / "calls";
    const ChildOutcome outcome = RunChild(Counted(run, chunk, "TESSAPORT_COUNT_FILE=" + countFile));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    return std::atol(ReadText(countFile).c_str());
}

// `kills` call numbers from 1 to one past the last call, evenly spread.
std::vector<long> Spread(long calls, long kills = 200)
{
    std::vector<long> points;
    for (long kill = 0; kill < kills; ++kill)
        points.push_back(1 + kill * calls / (kills - 1));
    return points;
}

// Kills the run just before each call of `points`, each time after `restore`, and counts
// the states `state` finds the files in afterwards.
std::map<std::string, int> KillAt(const std::vector<long>& points, const ChildRun& run, int chunk,
                                  const std::function<void()>& restore, const std::function<std::string(long)>& state)
{
    std::map<std::string, int> outcomes;
    for (const long at : points) {
        restore();
        const ChildOutcome outcome = RunChild(Counted(run, chunk, "TESSAPORT_KILL_AT=" + std::to_string(at)));
        if (!outcome.killed && outcome.exitCode != 0) {
            ADD_FAILURE() << "killed at call " << at << ": " << outcome.err;
            break;
        }
        ++outcomes[state(at)];
    }
    std::printf("%s, %zu kills over %ld calls:", run.program.c_str(), points.size(), points.back() - 1);
    for (const auto& [name, count] : outcomes)
        std::printf(" %s=%d", name.c_str(), count);
    std::printf("\n");
    return outcomes;
}

TEST(KillDuringWrite, PatternFileIsTheOldOrTheCompleteNewOne)
{
    TempFolder folder;
    const std::string db = folder / "db", out = folder / "out.wk1";
    ASSERT_TRUE(qv2omg::CreateDatabase(db).IsOk());
    ASSERT_TRUE(qv2omg::AddSecurity(db, {"XYZ", "", 2, 0, true}, DailyRows(3000)).IsOk());
    const ChildRun oldRun{"tessaport-import", {"--data", db, "--to", "1990-03-01", "-o", out, "XYZ"}};
    ASSERT_EQ(RunChild(oldRun).exitCode, 0);
    const std::string oldFile = ReadText(out);
    const ChildRun run{"tessaport-import", {"--data", db, "--open-interest", "-o", out, "XYZ"}};
    ASSERT_EQ(RunChild(run).exitCode, 0);
    const std::string newFile = ReadText(out);
    ASSERT_GT(newFile.size(), 200000u);
    const int chunk = static_cast<int>(newFile.size() / 400);  // a few hundred writes
    const long calls = CountCalls(run, chunk, folder);
    ASSERT_GT(calls, 400);

    std::map<std::string, int> outcomes = KillAt(Spread(calls), run, chunk, [&] { WriteText(out, oldFile); }, [&](long) {
        const std::string now = ReadText(out);
        return now == oldFile ? "old" : now == newFile ? "new" : "torn";
    });
    EXPECT_EQ(outcomes["torn"], 0);
    EXPECT_GT(outcomes["old"], 0);
    EXPECT_GT(outcomes["new"], 0);

    // What the killed runs left behind does not stand in the next run's way.
    WriteText(out, oldFile);
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
    for (const auto& entry : fs::directory_iterator(out))
        newFiles[entry.path().filename().string()] = ReadText(entry.path().string());
    for (const auto& entry : fs::directory_iterator(pristine))
        oldFiles[entry.path().filename().string()] = ReadText(entry.path().string());
    ASSERT_EQ(newFiles.size(), 70u);
    const auto restore = [&] {
        fs::remove_all(out);
        fs::copy(pristine, out);
    };
    restore();
    const long calls = CountCalls(run, 0, folder);

    // About every other call: a few per file.
    std::map<std::string, int> outcomes = KillAt(Spread(calls, calls / 2 + 2), run, 0, restore, [&](long at) {
        size_t fresh = 0;
        for (const auto& entry : fs::directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            const std::string now = ReadText(entry.path().string());
            if (name.starts_with(".") && name.ends_with(".tmp"))
                continue;
            const bool earlier = oldFiles.contains(name) && now == oldFiles[name];
            EXPECT_TRUE(earlier || (newFiles.contains(name) && now == newFiles[name])) << at << " " << name;
            fresh += earlier ? 0 : 1;
        }
        return fresh == 0 ? "old" : fresh == newFiles.size() ? "new" : "partly new";
    });
    EXPECT_GT(outcomes["old"], 0);
    EXPECT_GT(outcomes["partly new"], 0);
    EXPECT_GT(outcomes["new"], 0);
}

TEST(KillDuringWrite, DatabaseHoldsTheOldOrTheNewSecuritiesAndTakesTheAddAgain)
{
    TempFolder folder;
    const fs::path pristine = folder / "pristine", db = folder / "db";
    ASSERT_TRUE(qv2omg::CreateDatabase(pristine).IsOk());
    ASSERT_TRUE(qv2omg::AddSecurity(pristine, {"ABC", "", 2, 0, true}, DailyRows(50)).IsOk());
    const std::string csv = folder / "xyz.csv";
    WritePriceCsv(csv, DailyRows(3000));
    const ChildRun run{"omegadb", {"add", db.string(), "XYZ", "--description", "Xylo", csv}};
    const std::vector<std::string> oldSet{"ABC 50"}, newSet{"ABC 50", "XYZ 3000"};

    const auto restore = [&] {
        fs::remove_all(db);
        fs::copy(pristine, db);
    };
    restore();
    const int chunk = 256;
    const long calls = CountCalls(run, chunk, folder);
    ASSERT_GT(calls, 300);
    ASSERT_EQ(DatabaseContents(db), newSet);

    int kill = 0;
    std::map<std::string, int> outcomes = KillAt(Spread(calls), run, chunk, restore, [&](long at) {
        const std::vector<std::string> now = DatabaseContents(db);
        // What a killed run left behind is overwritten or passed over: the add runs again,
        // unless the killed run completed it. Every eighth kill, to keep the test short.
        if (kill++ % 8 == 0) {
            const ChildOutcome again = RunChild(run);
            EXPECT_EQ(again.exitCode, now == oldSet ? 0 : 1) << again.err;
            EXPECT_EQ(DatabaseContents(db), newSet) << at;
        }
        return now == oldSet ? "old" : now == newSet ? "new" : "torn";
    });
    EXPECT_EQ(outcomes["torn"], 0);
    EXPECT_GT(outcomes["old"], 0);
    EXPECT_GT(outcomes["new"], 0);
}

} // namespace
