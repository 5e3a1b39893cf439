// Windows side of the bsfilter stand-in.
#include "Standin.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

void StandinBeat(const char* path) {
    for (;;) {
        HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, ".", 1, &written, nullptr);
            CloseHandle(file);
        }
        Sleep(20);
    }
}

void StandinSpawnBeater(const char* path) {
    char self[MAX_PATH];
    if (GetModuleFileNameA(nullptr, self, sizeof(self)) == 0) return;
    std::string command = std::string("\"") + self + "\" --standin-beat \"" + path + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    // No handles inherited: the descendant must not keep the runner's pipes open.
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info)) {
        return;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    for (int i = 0; i < 1000; ++i) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) && data.nFileSizeLow > 0) return;
        Sleep(5);
    }
}
