// run_measured OUT ERR PROGRAM [ARGUMENT...]: runs the program with its standard output and
// error in the files OUT and ERR and prints "EXIT PEAK_KIB CPU_SECONDS" of it. A child's
// peak memory counts the pages of the process it was forked from, so the tests measure
// through this small process rather than fork from their own large one.

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4)
        return 2;
    const pid_t child = fork();
    if (child < 0)
        return 2;
    if (child == 0) {
        const int out = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(127);
        execv(argv[3], argv + 3);
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
