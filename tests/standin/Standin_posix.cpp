// POSIX side of the bsfilter stand-in.
#include "Standin.h"

#include <csignal>
#include <cstdlib>

#include <sys/resource.h>

void StandinBinaryStdio() {}

void StandinCrash() {
    // No core file: the crash is on purpose.
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
    std::abort();
}
