/* Loaded into a child process with LD_PRELOAD by the crash tests. Counts the calls that
 * change files (writes to regular files, renames, unlinks, syncs) and:
 *   TESSAPORT_KILL_AT=N       kills the process with SIGKILL just before call N (1-based);
 *   TESSAPORT_WRITE_CHUNK=K   writes at most K bytes per call, as a kernel may, so that a
 *                             file grows in many steps;
 *   TESSAPORT_COUNT_FILE=P    writes the number of calls made to P at exit. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static long calls;

static long EnvNumber(const char* name)
{
    const char* text = getenv(name);
    return text ? atol(text) : 0;
}

static void Count(void)
{
    static long killAt = -1;
    if (killAt < 0)
        killAt = EnvNumber("TESSAPORT_KILL_AT");
    if (++calls == killAt)
        kill(getpid(), SIGKILL);
}

static int IsRegular(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

static size_t Chunk(size_t size)
{
    static long chunk = -1;
    if (chunk < 0)
        chunk = EnvNumber("TESSAPORT_WRITE_CHUNK");
    return chunk > 0 && size > (size_t)chunk ? (size_t)chunk : size;
}

/* `next`: the function this one stands in front of, looked up once. */
#define NEXT(name)           \
    static __typeof__(&name) next; \
    if (!next)               \
        *(void**)&next = dlsym(RTLD_NEXT, #name)

/* A write to a regular file: counted, and cut to the chunk size. */
static size_t Counted(int fd, size_t size)
{
    if (!IsRegular(fd))
        return size;
    Count();
    return Chunk(size);
}

ssize_t write(int fd, const void* data, size_t size)
{
    NEXT(write);
    return next(fd, data, Counted(fd, size));
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset)
{
    NEXT(pwrite);
    return next(fd, data, Counted(fd, size), offset);
}

/* A vector write becomes a write of its first part: callers loop on short writes. */
ssize_t writev(int fd, const struct iovec* parts, int count)
{
    NEXT(writev);
    if (!IsRegular(fd) || count <= 0)
        return next(fd, parts, count);
    int first = 0;
    while (first < count - 1 && parts[first].iov_len == 0)
        ++first;
    return write(fd, parts[first].iov_base, parts[first].iov_len);
}

/* A call that changes files but writes no data: counted, then passed on. */
#define COUNTED(type, name, parameters, arguments) \
    type name parameters                          \
    {                                             \
        Count();                                  \
        NEXT(name);                               \
        return next arguments;                    \
    }

COUNTED(int, rename, (const char* from, const char* to), (from, to))
COUNTED(int, unlink, (const char* path), (path))
COUNTED(int, fsync, (int fd), (fd))
COUNTED(int, fdatasync, (int fd), (fd))
COUNTED(int, syncfs, (int fd), (fd))

static void __attribute__((destructor)) ReportCount(void)
{
    const char* path = getenv("TESSAPORT_COUNT_FILE");
    FILE* file = path ? fopen(path, "w") : NULL;
    if (file) {
        fprintf(file, "%ld\n", calls);
        fclose(file);
    }
}
