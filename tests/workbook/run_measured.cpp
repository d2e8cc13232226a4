// run_measured OUT ERR MEMORY_MIB CPU_SECONDS PROGRAM [ARGUMENT...]: runs the program with its
// standard output and error in the files OUT and ERR, its address space limited to
// MEMORY_MIB and its processor time to CPU_SECONDS (0: no limit), and prints
// "EXIT PEAK_KIB CPU_SECONDS" of it; EXIT is -1 when a signal ended it. A child's
// peak memory counts the pages of the process it was forked from, so the tests measure
// through this small process rather than fork from their own large one.

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc < 6)
        return 2;
    const rlim_t memory = static_cast<rlim_t>(std::strtoul(argv[3], nullptr, 10)) << 20;
    const rlim_t cpu = static_cast<rlim_t>(std::strtoul(argv[4], nullptr, 10));
    const pid_t child = fork();
    if (child < 0)
        return 2;
    if (child == 0) {
        const int out = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(127);
        const rlimit memoryLimit{memory, memory};
        const rlimit cpuLimit{cpu, cpu};
        if ((memory && setrlimit(RLIMIT_AS, &memoryLimit) != 0) || (cpu && setrlimit(RLIMIT_CPU, &cpuLimit) != 0))
            _exit(127);
        execv(argv[5], argv + 5);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return 2;
    std::printf("%d %ld %.6f\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss,
                static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                    + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
    return 0;
}
