#include "child_process.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

ChildOutcome RunChild(const ChildRun& run)
{
    const std::string path = std::string(TESSAPORT_PROGRAM_DIR "/") + run.program;
    std::vector<std::string> environment = run.environment;
    if (run.writeCounter) {
        environment.push_back("LD_PRELOAD=" TESSAPORT_WRITE_COUNTER);
        // A sanitizer build wants its runtime first; the counter only passes calls on.
        const char* asan = std::getenv("ASAN_OPTIONS");
        environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0");
    }

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const std::string& entry : environment)
            ::putenv(const_cast<char*>(entry.c_str()));
        if (run.fileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{*run.fileSizeLimit, *run.fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : run.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    ChildOutcome outcome;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            outcome.err.append(buffer, static_cast<size_t>(got));
        else if (errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}
