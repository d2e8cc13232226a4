#pragma once

#include "qv2omg/db_format.h"
#include "test_files.h"

#include <sys/resource.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace test_support;

// A program of the build run as a child process, with extra environment variables, an
// optional file size limit and, on request, the write counter loaded into it (write_counter.c).
struct ChildRun {
    ChildRun(std::string programName, std::vector<std::string> args)
        : program(std::move(programName)), arguments(std::move(args)) {}

    std::string program;  // a name in the program folder of the build
    std::vector<std::string> arguments;
    std::vector<std::string> environment;  // NAME=VALUE, added to the test's own
    bool writeCounter = false;
    std::optional<rlim_t> fileSizeLimit;  // RLIMIT_FSIZE; SIGXFSZ is then ignored, as a shell may
};

struct ChildOutcome {
    bool killed = false;  // ended by SIGKILL
    int exitCode = -1;
    std::string err;  // what it wrote to standard error
    std::string out;  // and to standard output
};

ChildOutcome RunChild(const ChildRun& run);

// `count` daily rows from 2 January 1990, on every day of the month up to the 28th.
std::vector<qv2omg::PriceRow> DailyRows(int count);

// Symbol and record count of every security of a database, in header order, when the
// header file and every data file are whole; otherwise the damage, as one entry.
std::vector<std::string> DatabaseContents(const std::filesystem::path& directory);
