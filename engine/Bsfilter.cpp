// The bsfilter runner: command line, availability test, the child process with its pipes, the
// writer thread and the read loop.
#include "engine/Bsfilter.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "engine/Mirvane.h"
#include "settings/Profile.h"
#include "support/LockGuard.h"
#include "support/Log.h"
#include "support/Util.h"

namespace {

const char kLogSource[] = "Mirvane\\Mirvane";
const char kExecFn[] = "ExecBsfilter()";
const char kWriterFn[] = "WriteBsfilStdinThread()";

constexpr DWORD kChunkSize = static_cast<DWORD>(kTextSize - 1);  // bytes asked for per read
constexpr DWORD kTurnMs = 1000;          // longest wait of one read-loop turn
constexpr DWORD kWriterWaitMs = 5000;    // for the writer thread after the read loop
constexpr DWORD kFinalWaitMs = 60000;    // for the child after the read loop
constexpr DWORD kTerminateWaitMs = 5000; // for a terminated child or thread to be gone
constexpr DWORD kMaxSliceMs = 50;        // longest slice of a turn's wait (see WaitForChildOrOutput)
// No console window, the default error mode, a process group of its own.
constexpr DWORD kCreationFlags = CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE | CREATE_NEW_PROCESS_GROUP;
constexpr UINT kTerminatedStatus = 0xFFFFFFFFu;

DWORD g_runLimitMs = kBsfilterRunLimitMs;

BsfilterSystemCalls& Sys() { return g_bsfilterCalls; }

// The handles of one run. Pipe ends start as INVALID_HANDLE_VALUE, the others as null;
// CloseAll, the run's only clean-up, closes whatever is still open.
struct RunHandles {
    HANDLE stdinRead = INVALID_HANDLE_VALUE;
    HANDLE stdinWriteOrig = INVALID_HANDLE_VALUE;
    HANDLE stdinWrite = INVALID_HANDLE_VALUE;
    HANDLE outReadOrig = INVALID_HANDLE_VALUE;
    HANDLE outRead = INVALID_HANDLE_VALUE;
    HANDLE outWrite = INVALID_HANDLE_VALUE;
    HANDLE errWrite = INVALID_HANDLE_VALUE;
    HANDLE process = nullptr;
    HANDLE primaryThread = nullptr;
    HANDLE writerThread = nullptr;

    static void Close(HANDLE& handle, HANDLE none) {
        if (handle != none && handle != nullptr && handle != INVALID_HANDLE_VALUE) Sys().closeHandle(handle);
        handle = none;
    }
    void CloseAll() {
        Close(process, nullptr);
        Close(primaryThread, nullptr);
        Close(writerThread, nullptr);
        Close(stdinRead, INVALID_HANDLE_VALUE);
        Close(stdinWriteOrig, INVALID_HANDLE_VALUE);
        Close(stdinWrite, INVALID_HANDLE_VALUE);
        Close(outReadOrig, INVALID_HANDLE_VALUE);
        Close(outRead, INVALID_HANDLE_VALUE);
        Close(outWrite, INVALID_HANDLE_VALUE);
        Close(errWrite, INVALID_HANDLE_VALUE);
    }
};

// Milliseconds since start (GetTickCount wraps after 49 days; the 32-bit difference does not).
uint32_t ElapsedSince(DWORD start) { return static_cast<uint32_t>(GetTickCount() - start); }

// What is left of limit milliseconds counted from start; 0 once it has passed.
DWORD RemainingOf(DWORD start, DWORD limit) {
    const uint32_t elapsed = ElapsedSince(start);
    return elapsed < limit ? static_cast<DWORD>(limit - elapsed) : 0;
}

DWORD Smaller(DWORD a, DWORD b) { return a < b ? a : b; }

bool MakeInheritablePipe(HANDLE* readEnd, HANDLE* writeEnd) {
    SECURITY_ATTRIBUTES security;
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    if (!Sys().createPipe(readEnd, writeEnd, &security, 0)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "CreatePipe()", GetLastError());
        *readEnd = INVALID_HANDLE_VALUE;
        *writeEnd = INVALID_HANDLE_VALUE;
        return false;
    }
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "CreatePipe()");
    return true;
}

bool CopyHandle(HANDLE source, HANDLE* target, bool inheritable) {
    if (!Sys().duplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), target, 0, inheritable ? TRUE : FALSE,
                               DUPLICATE_SAME_ACCESS)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "DuplicateHandle()", GetLastError());
        *target = INVALID_HANDLE_VALUE;
        return false;
    }
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "DuplicateHandle()");
    return true;
}

// Ends a child that may not outlive its run and waits until it is gone: g_bsfilterLock is
// released only after the run, and the next run (or a backup of the database) must not find
// a bsfilter still working on the database.
void TerminateChild(HANDLE process) {
    if (!TerminateProcess(process, kTerminatedStatus)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "TerminateProcess()", GetLastError());
        return;
    }
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "TerminateProcess()");
    const DWORD waitStatus = WaitForSingleObject(process, kTerminateWaitMs);
    if (waitStatus != WAIT_OBJECT_0) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], waitStatus: [%lu].", "WaitForSingleObject()", GetLastError(),
            waitStatus);
    }
}

// One turn's wait of the read loop: for the child to end, up to timeoutMs, but over early (with
// WAIT_TIMEOUT) as soon as output is waiting in the pipe. A plain wait on the process would
// leave a child that writes more than the pipe holds blocked until the turn is over, one pipe
// buffer per second, so megabytes of output would take hours; waiting in short slices and
// looking at the pipe between them keeps it drained. The slices grow to kMaxSliceMs, so an
// idle child costs a few wake-ups per second.
DWORD WaitForChildOrOutput(HANDLE process, HANDLE pipe, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    DWORD slice = 1;
    for (;;) {
        const DWORD left = RemainingOf(start, timeoutMs);
        const DWORD waitStatus = WaitForSingleObject(process, Smaller(slice, left));
        if (waitStatus != WAIT_TIMEOUT || left == 0) return waitStatus;
        DWORD available = 0;
        if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) return WAIT_TIMEOUT;
        if (slice < kMaxSliceMs) slice = Smaller(slice * 2, kMaxSliceMs);
    }
}

// Appends what was read. NUL bytes are left out and the text after them kept: callers show and
// log the output as a C string, and dropping the rest of a chunk would lose text depending on
// where the pipe happened to split it.
void AppendOutput(std::string& output, const char* data, DWORD length) {
    const char* end = data + length;
    while (data < end) {
        const void* nul = std::memchr(data, '\0', static_cast<size_t>(end - data));
        const char* stop = nul != nullptr ? static_cast<const char*>(nul) : end;
        output.append(data, static_cast<size_t>(stop - data));
        data = stop < end ? stop + 1 : end;
    }
}

// Reads once from the pipe if anything is waiting in it. True when bytes were read.
bool ReadWaitingOutput(HANDLE pipe, std::string& output) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "PeekNamedPipe()", GetLastError());
        return false;
    }
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded. readBytes: [%lu].", "PeekNamedPipe()", available);
    if (available == 0) return false;
    char buffer[kTextSize];
    DWORD read = 0;
    if (!ReadFile(pipe, buffer, kChunkSize, &read, nullptr)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "ReadFile()", GetLastError());
        return false;
    }
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded. readBytes: [%lu].", "ReadFile()", read);
    if (read > kChunkSize) read = kChunkSize;
    buffer[read] = '\0';
    AppendOutput(output, buffer, read);
    return read > 0;
}

// The settings of script mode, read together under the group's lock.
struct ScriptSettings {
    bool useScript = false;
    std::string rubyPath;
};

ScriptSettings ReadScriptSettings() {
    ScriptSettings settings;
    LockGuard guard(g_scriptProfile.Lock());
    settings.useScript = g_scriptProfile.UseBsfilterScript();
    if (settings.useScript) settings.rubyPath = g_scriptProfile.RubyModulePath();
    return settings;
}

bool IsRegularFile(const char* path) {
    bool isRegular = false;
    return PlatformStat(path, &isRegular, nullptr) && isRegular;
}

// The run proper, from the pipes to the exit status. Every handle it makes is recorded in
// handles; ExecBsfilter closes them all after it returns, whichever way it returns.
int Run(RunHandles& h, const char* input, DWORD inputLength, std::string* output, const char* format,
        va_list args) {
    if (input != nullptr) {
        if (!MakeInheritablePipe(&h.stdinRead, &h.stdinWriteOrig)) return -1;
        if (!CopyHandle(h.stdinWriteOrig, &h.stdinWrite, false)) return -1;
        RunHandles::Close(h.stdinWriteOrig, INVALID_HANDLE_VALUE);
    }
    if (output != nullptr) {
        if (!MakeInheritablePipe(&h.outReadOrig, &h.outWrite)) return -1;
        if (!CopyHandle(h.outWrite, &h.errWrite, true)) return -1;
        if (!CopyHandle(h.outReadOrig, &h.outRead, false)) return -1;
        RunHandles::Close(h.outReadOrig, INVALID_HANDLE_VALUE);
    }

    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    if (input != nullptr || output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        if (input != nullptr) startup.hStdInput = h.stdinRead;
        if (output != nullptr) {
            startup.hStdOutput = h.outWrite;
            startup.hStdError = h.errWrite;
        }
    }

    // The base command is copied as it is (a "%" in a path stays literal); only the caller's
    // format is interpreted.
    char commandLine[kTextSize];
    CopyTo(commandLine, sizeof(commandLine), GetBsfilterCommand().c_str());
    size_t length = std::strlen(commandLine);
    if (length < kTextSize - 1) {
        commandLine[length++] = ' ';
        commandLine[length] = '\0';
        FormatToV(commandLine + length, kTextSize - length, format, args);
    }

    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof(info));
    if (!Sys().createProcess(nullptr, commandLine, nullptr, nullptr, TRUE, kCreationFlags, nullptr, nullptr, &startup,
                             &info)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], command: [%s].", "CreateProcess()", GetLastError(),
            commandLine);
        return -1;
    }
    const DWORD started = GetTickCount();
    const DWORD limit = g_runLimitMs;
    h.process = info.hProcess;
    h.primaryThread = info.hThread;
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded. command: [%s].", "CreateProcess()", commandLine);
    // The child holds its own copy of the input pipe's read end. Without the parent's, the pipe
    // breaks when the child ends, so a writer blocked on a child that stopped reading (it
    // exited early, crashed or was terminated) fails at once instead of hanging until it is
    // terminated itself.
    RunHandles::Close(h.stdinRead, INVALID_HANDLE_VALUE);

    BsfilStdinArgs writerArgs = {input, inputLength, &h.stdinWrite};
    if (input != nullptr) {
        h.writerThread = Sys().createThread(nullptr, 0, WriteBsfilStdinThread, &writerArgs, 0, nullptr);
        if (h.writerThread == nullptr) {
            LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "CreateThread()", GetLastError());
            TerminateChild(h.process);
            return -1;
        }
        LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "CreateThread()");
    }

    bool terminated = false;
    if (output != nullptr) {
        // The parent keeps the output pipe's write ends until the end, so the pipe never reports
        // its end: the loop ends when the child has ended and the pipe is empty, or when a wait
        // fails, or at the run limit.
        bool readSome = false;
        for (;;) {
            const DWORD turnMs = readSome ? 0 : Smaller(kTurnMs, RemainingOf(started, limit));
            const DWORD waitStatus = WaitForChildOrOutput(h.process, h.outRead, turnMs);
            if (waitStatus != WAIT_OBJECT_0 && waitStatus != WAIT_TIMEOUT) {
                LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], waitStatus: [%lu].", "WaitForSingleObject()",
                    GetLastError(), waitStatus);
                break;
            }
            LOG(LOG_DEBUG, kExecFn, "%s: succeeded. waitStatus: [%lu].", "WaitForSingleObject()", waitStatus);
            readSome = ReadWaitingOutput(h.outRead, *output);
            // Once the child has ended, everything still queued in the pipe is read before the
            // loop ends.
            if (waitStatus == WAIT_OBJECT_0 && !readSome) break;
            if (RemainingOf(started, limit) == 0) {
                LOG(LOG_ERROR, kExecFn, "bsfilter did not end within the run limit: [%lu] ms.", limit);
                TerminateChild(h.process);
                terminated = true;
                break;
            }
        }
        LOG_TEXT(LOG_DEBUG, kExecFn, *output, "pOutput->length(): [%lu].", static_cast<unsigned long>(output->length()));
    }

    if (h.writerThread != nullptr) {
        const DWORD waitStatus = WaitForSingleObject(h.writerThread, kWriterWaitMs);
        if (waitStatus == WAIT_OBJECT_0) {
            LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "WaitForSingleObject()");
        } else {
            LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], waitStatus: [%lu].", "WaitForSingleObject()",
                GetLastError(), waitStatus);
            if (TerminateThread(h.writerThread, 0xFFFFFFFFu)) {
                LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "TerminateThread()");
                // Termination is asynchronous; the thread's record lives in this frame.
                WaitForSingleObject(h.writerThread, kTerminateWaitMs);
            } else {
                LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], waitStatus: [%lu].", "TerminateThread()",
                    GetLastError(), waitStatus);
            }
        }
    }

    // Never beyond the run limit: a child without output pipe (or after a failed wait) is
    // bounded here.
    const DWORD waitStatus = WaitForSingleObject(h.process, Smaller(kFinalWaitMs, RemainingOf(started, limit)));
    if (waitStatus != WAIT_OBJECT_0) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], waitStatus: [%lu].", "WaitForSingleObject()", GetLastError(),
            waitStatus);
        if (waitStatus == WAIT_TIMEOUT && !terminated) TerminateChild(h.process);
        return -1;
    }
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "WaitForSingleObject()");
    if (terminated) return -1;

    DWORD exitCode = 0;
    if (!Sys().getExitCodeProcess(h.process, &exitCode)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "GetExitCodeProcess()", GetLastError());
        return -1;
    }
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded. exitCode: [%lu].", "GetExitCodeProcess()", exitCode);
    return static_cast<int>(static_cast<uint32_t>(exitCode));
}

}  // namespace

BsfilterSystemCalls BsfilterSystemCalls::System() {
    return BsfilterSystemCalls{::CreatePipe, ::DuplicateHandle, ::CreateProcessA, ::CreateThread, ::GetExitCodeProcess,
                               ::CloseHandle};
}

BsfilterSystemCalls g_bsfilterCalls = {::CreatePipe,   ::DuplicateHandle,    ::CreateProcessA,
                                       ::CreateThread, ::GetExitCodeProcess, ::CloseHandle};

DWORD BsfilterRunLimit() { return g_runLimitMs; }

DWORD SetBsfilterRunLimitForTesting(DWORD milliseconds) {
    const DWORD previous = g_runLimitMs;
    g_runLimitMs = milliseconds;
    return previous;
}

std::string GetBsfilterCommand() {
    const ScriptSettings settings = ReadScriptSettings();
    char command[kTextSize];
    if (settings.useScript) {
        FormatTo(command, sizeof(command), "\"%s\" \"%s\" --homedir \"%s\" --config-file \"%s\"",
                 settings.rubyPath.c_str(), g_bsfilterScript, g_bsfilterDbFolder, g_bsfilterConfig);
    } else {
        FormatTo(command, sizeof(command), "\"%s\" --homedir \"%s\" --config-file \"%s\"", g_bsfilterExe,
                 g_bsfilterDbFolder, g_bsfilterConfig);
    }
    return command;
}

bool IsBsfilterAvailable() {
    const ScriptSettings settings = ReadScriptSettings();
    if (settings.useScript) return IsRegularFile(g_bsfilterScript) && IsRegularFile(settings.rubyPath.c_str());
    return IsRegularFile(g_bsfilterExe) && IsRegularFile(g_iconvDll);
}

DWORD WINAPI WriteBsfilStdinThread(LPVOID param) {
    BsfilStdinArgs* args = static_cast<BsfilStdinArgs*>(param);
    LOG(LOG_DEBUG, kWriterFn, "begin.");
    // Util::WriteToFile loops over partial writes and counts a write that reports success
    // without writing anything as a failure, so a stuck pipe cannot spin this thread.
    if (!Util::WriteToFile(*args->stdinWrite, args->text, args->length)) {
        LOG(LOG_ERROR, kWriterFn, "%s.", "Util::WriteToFile()");
    } else {
        LOG(LOG_DEBUG, kWriterFn, "%s: succeeded.", "Util::WriteToFile()");
    }
    Sys().closeHandle(*args->stdinWrite);
    *args->stdinWrite = INVALID_HANDLE_VALUE;
    LOG(LOG_DEBUG, kWriterFn, "end.");
    return 0;
}

int ExecBsfilter(const char* input, DWORD inputLength, std::string* output, const char* format, ...) {
    EnterCriticalSection(&g_bsfilterLock);
    LOG(LOG_DEBUG, kExecFn, "begin.");
    RunHandles handles;
    va_list args;
    va_start(args, format);
    const int result = Run(handles, input, inputLength, output, format, args);
    va_end(args);
    handles.CloseAll();
    LOG(LOG_DEBUG, kExecFn, "end result: [%ld].", static_cast<long>(result));
    LeaveCriticalSection(&g_bsfilterLock);
    return result;
}
