// POSIX side of the bsfilter stand-in.
#include "Standin.h"

#include <csignal>
#include <cstdlib>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <time.h>

void StandinBinaryStdio() {}

void StandinCrash() {
    // No core file: the crash is on purpose.
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
    std::abort();
}

void StandinBeat(const char* path) {
    for (;;) {
        const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            const ssize_t ignored = write(fd, ".", 1);
            (void)ignored;
            close(fd);
        }
        struct timespec pause = {0, 20000000L};
        nanosleep(&pause, nullptr);
    }
}

void StandinSpawnBeater(const char* path) {
    // The descendant stays in the stand-in's process group, as any program bsfilter ran would.
    if (fork() == 0) StandinBeat(path);
    struct stat info;
    for (int i = 0; i < 1000 && (stat(path, &info) != 0 || info.st_size == 0); ++i) {
        struct timespec pause = {0, 5000000L};
        nanosleep(&pause, nullptr);
    }
}
