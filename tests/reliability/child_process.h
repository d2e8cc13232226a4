#pragma once

// Runs a program of the build as a child process, the way a user's shell would, with
// extra environment variables, an optional file size limit and, on request, the write
// counter loaded into it (write_counter.c).

#include <sys/resource.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    int exitCode = -1;  // when it exited
    std::string err;  // what it wrote to standard error
};

ChildOutcome RunChild(const ChildRun& run);
