// tessaport-import --all over databases of 10,000 to 40,000 securities whose data files are
// all missing: each is looked up and reported, so the time per security shows whether a walk
// through the database stays linear. Run by hand: <build>/bench/missing_files_bench

#include "qv2omg/database_writer.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>

#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A database of `count` securities, one record each, and then no data file at all.
fs::path MakeDatabase(int count)
{
    const fs::path dir = fs::temp_directory_path() / ("tessaport-missing-" + std::to_string(count));
    fs::remove_all(dir);
    qv2omg::CreateDatabase(dir);
    std::vector<qv2omg::NewSecurity> securities(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        securities[static_cast<size_t>(i)].info.symbol = "S" + std::to_string(i);
        securities[static_cast<size_t>(i)].rows = {qv2omg::PriceRow{19980305, 1, 2, 0.5f, 1.5f, 100, 0}};
    }
    qv2omg::AddSecurities(dir, securities);
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".omd")
            fs::remove(entry.path());
    }
    return dir;
}

void BM_AllWithMissingDataFiles(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const fs::path dir = MakeDatabase(count);
    const std::string program = TESSAPORT_PROGRAM_DIR "/tessaport-import";
    const std::string data = dir.string();
    const std::string out = (dir / "out").string();
    std::vector<std::string> words = {program, "--data", data, "--out-dir", out, "--all"};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0
            || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 1)
            state.SkipWithError("tessaport-import did not report every security as failed");
    }
    posix_spawn_file_actions_destroy(&actions);
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["us_per_security"] = benchmark::Counter(
        static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    fs::remove_all(dir);
}

} // namespace

BENCHMARK(BM_AllWithMissingDataFiles)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_MAIN();
