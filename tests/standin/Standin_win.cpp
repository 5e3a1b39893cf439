// Windows side of the bsfilter stand-in.
#include "Standin.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include <windows.h>

void StandinBinaryStdio() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

namespace {
// Lets the unhandled exception end the process with its code as the exit status, without an
// error box or a debugger (the child runs with the default error mode).
LONG WINAPI EndWithExceptionCode(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }
}  // namespace

void StandinCrash() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndWithExceptionCode);
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::abort();
}
