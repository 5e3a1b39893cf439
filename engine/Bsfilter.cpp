// The bsfilter runner: command line, availability test, the child process with its pipes, the
// writer thread and the read loop.
#include "engine/Bsfilter.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <new>

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
// No console window, the default error mode, a process group of its own; suspended until it
// is in its job object, so that nothing it starts can escape the job.
constexpr DWORD kCreationFlags =
    CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE | CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED;
constexpr UINT kTerminatedStatus = 0xFFFFFFFFu;

DWORD g_testRunLimitMs = 0;          // 0: none
bool g_judgeFailureLogged = false;   // the text of a failed judging run is logged once per session

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
    HANDLE job = nullptr;  // the child's job object: every process it starts belongs to it

    static void Close(HANDLE& handle, HANDLE none) {
        if (handle != none && handle != nullptr && handle != INVALID_HANDLE_VALUE) Sys().closeHandle(handle);
        handle = none;
    }
    void CloseAll() {
        // The job is made to end whatever is still in it when it is closed: a descendant
        // that outlives bsfilter itself is ended here.
        Close(job, nullptr);
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

// Ends a child that may not outlive its run, with every process it started (its job), and
// waits until it is gone: g_bsfilterLock is released only after the run, and the next run (or
// a backup of the database) must not find a bsfilter still working on the database.
void TerminateChild(const RunHandles& h) {
    bool ended = false;
    if (h.job != nullptr) {
        ended = TerminateJobObject(h.job, kTerminatedStatus) != FALSE;
        if (ended) {
            LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "TerminateJobObject()");
        } else {
            LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "TerminateJobObject()", GetLastError());
        }
    }
    if (!ended) {
        if (!TerminateProcess(h.process, kTerminatedStatus)) {
            LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "TerminateProcess()", GetLastError());
            return;
        }
        LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "TerminateProcess()");
    }
    const DWORD waitStatus = WaitForSingleObject(h.process, kTerminateWaitMs);
    if (waitStatus != WAIT_OBJECT_0) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], waitStatus: [%lu].", "WaitForSingleObject()", GetLastError(),
            waitStatus);
    }
}

// Puts the suspended child into a job object of its own that ends everything in it when the
// run closes it, then lets it run. A job that cannot be made or joined (a host that runs in a
// job of its own on an old Windows cannot nest one) leaves the run without it: then only the
// child itself can be ended. False when the child cannot be resumed.
bool StartInJob(RunHandles& h) {
    h.job = Sys().createJobObject(nullptr, nullptr);
    if (h.job == nullptr) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "CreateJobObject()", GetLastError());
    } else {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
        std::memset(&limits, 0, sizeof(limits));
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(h.job, JobObjectExtendedLimitInformation, &limits, sizeof(limits)) ||
            !Sys().assignProcessToJobObject(h.job, h.process)) {
            LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "AssignProcessToJobObject()", GetLastError());
            RunHandles::Close(h.job, nullptr);
        } else {
            LOG(LOG_DEBUG, kExecFn, "%s: succeeded.", "AssignProcessToJobObject()");
        }
    }
    if (ResumeThread(h.primaryThread) == static_cast<DWORD>(-1)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu].", "ResumeThread()", GetLastError());
        return false;
    }
    return true;
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

// Where a run's output goes: the caller's string, up to kBsfilterOutputLimit bytes of this run.
struct OutputSink {
    std::string* text;
    size_t kept = 0;
    unsigned long long dropped = 0;
};

// Appends what was read, as far as the bound allows; the rest is counted. NUL bytes are left
// out and the text after them kept: callers show and log the output as a C string, and
// dropping the rest of a chunk would lose text depending on where the pipe happened to split
// it. May throw std::bad_alloc.
void AppendOutput(OutputSink& sink, const char* data, DWORD length) {
    const char* end = data + length;
    while (data < end) {
        const void* nul = std::memchr(data, '\0', static_cast<size_t>(end - data));
        const char* stop = nul != nullptr ? static_cast<const char*>(nul) : end;
        const size_t piece = static_cast<size_t>(stop - data);
        const size_t room = kBsfilterOutputLimit - sink.kept;
        const size_t taken = piece < room ? piece : room;
        sink.text->append(data, taken);
        sink.kept += taken;
        sink.dropped += piece - taken;
        data = stop < end ? stop + 1 : end;
    }
}

// Reads once from the pipe if anything is waiting in it. True when bytes were read.
bool ReadWaitingOutput(HANDLE pipe, OutputSink& sink) {
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
    AppendOutput(sink, buffer, read);
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
int Run(RunHandles& h, const BsfilterRunKind* kind, const char* input, DWORD inputLength, OutputSink* sink,
        const char* format, va_list args, BsfilterRunKind* usedKind) {
    std::string* output = sink != nullptr ? sink->text : nullptr;
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
    *usedKind = kind != nullptr ? *kind : BsfilterRunKindOf(commandLine + length);
    const DWORD limit = BsfilterRunLimitMs(*usedKind);

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


    PROCESS_INFORMATION info;
    std::memset(&info, 0, sizeof(info));
    if (!Sys().createProcess(nullptr, commandLine, nullptr, nullptr, TRUE, kCreationFlags, nullptr, nullptr, &startup,
                             &info)) {
        LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], command: [%s].", "CreateProcess()", GetLastError(),
            commandLine);
        return -1;
    }
    const DWORD started = GetTickCount();
    h.process = info.hProcess;
    h.primaryThread = info.hThread;
    LOG(LOG_DEBUG, kExecFn, "%s: succeeded. command: [%s].", "CreateProcess()", commandLine);
    if (!StartInJob(h)) {
        TerminateChild(h);
        return -1;
    }
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
            TerminateChild(h);
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
        try {
            for (;;) {
                const DWORD turnMs = readSome ? 0 : Smaller(kTurnMs, RemainingOf(started, limit));
                const DWORD waitStatus = WaitForChildOrOutput(h.process, h.outRead, turnMs);
                if (waitStatus != WAIT_OBJECT_0 && waitStatus != WAIT_TIMEOUT) {
                    LOG(LOG_ERROR, kExecFn, "%s: LastError: [%lu], waitStatus: [%lu].", "WaitForSingleObject()",
                        GetLastError(), waitStatus);
                    break;
                }
                LOG(LOG_DEBUG, kExecFn, "%s: succeeded. waitStatus: [%lu].", "WaitForSingleObject()", waitStatus);
                readSome = ReadWaitingOutput(h.outRead, *sink);
                // Once the child has ended, everything still queued in the pipe is read before
                // the loop ends.
                if (waitStatus == WAIT_OBJECT_0 && !readSome) break;
                if (RemainingOf(started, limit) == 0) {
                    LOG(LOG_ERROR, kExecFn, "bsfilter did not end within the run limit: [%lu] ms.", limit);
                    TerminateChild(h);
                    terminated = true;
                    break;
                }
            }
        } catch (const std::bad_alloc&) {
            // The output is bounded, so only a host already out of memory gets here; the run
            // ends as a failed one, and the writer thread below is still waited for.
            LOG(LOG_ERROR, kExecFn, "out of memory while reading the output.");
            TerminateChild(h);
            terminated = true;
        }
        if (sink->dropped > 0) {
            LOG(LOG_ERROR, kExecFn, "output over the bound: [%lu] bytes kept, [%llu] bytes dropped.",
                static_cast<unsigned long>(sink->kept), sink->dropped);
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
        if (waitStatus == WAIT_TIMEOUT && !terminated) {
            LOG(LOG_ERROR, kExecFn, "bsfilter did not end within the run limit: [%lu] ms.", limit);
            TerminateChild(h);
        }
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
    return BsfilterSystemCalls{::CreatePipe,  ::DuplicateHandle,          ::CreateProcessA,
                               ::CreateThread, ::GetExitCodeProcess,     ::CloseHandle,
                               ::CreateJobObjectA, ::AssignProcessToJobObject};
}

BsfilterSystemCalls g_bsfilterCalls = {::CreatePipe,         ::DuplicateHandle,          ::CreateProcessA,
                                       ::CreateThread,       ::GetExitCodeProcess,       ::CloseHandle,
                                       ::CreateJobObjectA,   ::AssignProcessToJobObject};

namespace {

// The words of an option text, split at blanks (the options bsfilter gets are plain words).
bool HasWord(const char* text, const char* word) {
    const size_t length = std::strlen(word);
    for (const char* p = text; *p != '\0';) {
        while (*p == ' ' || *p == '\t') ++p;
        const char* start = p;
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
        if (static_cast<size_t>(p - start) == length && std::strncmp(start, word, length) == 0) return true;
    }
    return false;
}

// How many quoted arguments (file names) the options hold.
DWORD QuotedArguments(const char* text) {
    DWORD count = 0;
    bool inQuotes = false;
    for (; *text != '\0'; ++text) {
        if (*text != '"') continue;
        if (!inQuotes) ++count;
        inQuotes = !inQuotes;
    }
    return count;
}

bool IsBlankText(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text != ' ' && *text != '\t') return false;
    }
    return true;
}

DWORD Capped(unsigned long long milliseconds) {
    if (milliseconds > kLongestRunLimitMs) milliseconds = kLongestRunLimitMs;
    if (g_testRunLimitMs != 0 && milliseconds > g_testRunLimitMs) milliseconds = g_testRunLimitMs;
    return static_cast<DWORD>(milliseconds);
}

// Whether status is what a run of this kind ends with when bsfilter did its work.
bool IsExpectedStatus(const BsfilterRunKind& kind, int status) {
    return status == 0 || (kind.task == BsfilterTask::Judge && status == 1);
}

// The output as logged with a failure: at most kBsfilterLoggedOutputLimit bytes of its start,
// where Ruby and bsfilter put the error message.
std::string LoggedOutput(const std::string& output) {
    if (output.size() <= kBsfilterLoggedOutputLimit) return output;
    return output.substr(0, kBsfilterLoggedOutputLimit) + "\n[... " +
           std::to_string(output.size() - kBsfilterLoggedOutputLimit) + " more bytes]";
}

// What the caller learns of a finished run, and what the log learns of a failed one.
int Outcome(const BsfilterRunKind& kind, int status, const std::string* output) {
    bool failed = !IsExpectedStatus(kind, status);
    if (!failed && kind.task == BsfilterTask::Judge && status == 1 && output != nullptr &&
        BsfilterOutputShowsFailure(*output)) {
        failed = true;
        status = -1;
    }
    if (!failed) return status;
    const std::string text = output != nullptr ? LoggedOutput(*output) : std::string();
    if (kind.task != BsfilterTask::Judge || !g_judgeFailureLogged) {
        LOG_TEXT(LOG_ERROR, kExecFn, text, "bsfilter failed: status: [%ld], output: [%lu] bytes.",
                 static_cast<long>(status), static_cast<unsigned long>(output != nullptr ? output->size() : 0));
        if (kind.task == BsfilterTask::Judge) g_judgeFailureLogged = true;
    } else {
        LOG(LOG_ERROR, kExecFn, "bsfilter failed: status: [%ld] (output as logged at the first failure).",
            static_cast<long>(status));
    }
    return status;
}

int ExecBsfilterV(const BsfilterRunKind* kind, const char* input, DWORD inputLength, std::string* output,
                  const char* format, va_list args) {
    EnterCriticalSection(&g_bsfilterLock);
    LOG(LOG_DEBUG, kExecFn, "begin.");
    RunHandles handles;
    OutputSink sink{output};
    BsfilterRunKind used = kind != nullptr ? *kind : JudgingRun();
    int result = -1;
    try {
        result = Run(handles, kind, input, inputLength, output != nullptr ? &sink : nullptr, format, args, &used);
        result = Outcome(used, result, output);
    } catch (const std::bad_alloc&) {
        // Before the child exists (the command line) or after it has gone (the log): nothing
        // of the run is left running.
        LOG(LOG_ERROR, kExecFn, "out of memory.");
        result = -1;
    }
    handles.CloseAll();
    LOG(LOG_DEBUG, kExecFn, "end result: [%ld].", static_cast<long>(result));
    LeaveCriticalSection(&g_bsfilterLock);
    return result;
}

}  // namespace

BsfilterRunKind BsfilterRunKindOf(const char* options) {
    if (options == nullptr || IsBlankText(options)) return JudgingRun();
    const bool update = HasWord(options, "--update");
    // Batch runs name their messages as quoted file arguments; the limit grows with them.
    const DWORD files = QuotedArguments(options);
    const DWORD messages = files > 1 ? files : 1;
    for (const char* training : {"--add-spam", "--add-clean", "--sub-spam", "--sub-clean"}) {
        if (HasWord(options, training)) return TrainingRun(messages, update);
    }
    if (!update && (HasWord(options, "--list-spam") || HasWord(options, "--list-clean"))) {
        return BsfilterRunKind{BsfilterTask::Judge, messages, false};
    }
    if (HasWord(options, "--show-db-status") && !update) return StatusRun();
    return UpdateRun();
}

DWORD BsfilterRunLimitMs(const BsfilterRunKind& kind) {
    switch (kind.task) {
        case BsfilterTask::Judge: {
            // One message, or the files of a "--list-spam" batch.
            const unsigned long long messages = kind.messages > 1 ? kind.messages : 1;
            return Capped(kJudgeRunLimitMs + (messages - 1) * kTrainPerMessageLimitMs);
        }
        case BsfilterTask::Status: return Capped(kStatusRunLimitMs);
        case BsfilterTask::Update: return Capped(kUpdateRunLimitMs);
        case BsfilterTask::Train: {
            const unsigned long long messages = kind.messages > 1 ? kind.messages : 1;
            return Capped(kTrainRunLimitMs + (messages - 1) * kTrainPerMessageLimitMs +
                          (kind.update ? kUpdateRunLimitMs : 0));
        }
    }
    return Capped(kUpdateRunLimitMs);
}

DWORD SetBsfilterRunLimitForTesting(DWORD milliseconds) {
    const DWORD previous = g_testRunLimitMs;
    g_testRunLimitMs = milliseconds;
    g_judgeFailureLogged = false;
    return previous;
}

bool BsfilterOutputShowsFailure(const std::string& output) {
    // The first line of Ruby's report: "<file>:<line>:in `<method>': <message> (<class>)"
    // (Ruby 3.4 quotes the method as 'method'). Looked for on every line, as bsfilter may have
    // written warnings before it.
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        const size_t in = line.find(":in ");
        if (in != std::string::npos && in > 0 && line.size() > 2 && line.back() == ')') {
            // A line number right before ":in ".
            size_t digits = in;
            while (digits > 0 && line[digits - 1] >= '0' && line[digits - 1] <= '9') --digits;
            const size_t open = line.rfind(" (");
            if (digits < in && digits > 0 && line[digits - 1] == ':' && open != std::string::npos && open > in &&
                (line[in + 4] == '`' || line[in + 4] == '\'')) {
                const std::string name = line.substr(open + 2, line.size() - open - 3);
                bool isClass = !name.empty() && name[0] >= 'A' && name[0] <= 'Z';
                for (char c : name) {
                    isClass = isClass && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                          c == ':' || c == '_');
                }
                if (isClass) return true;
            }
        }
        start = end + 1;
    }
    return false;
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

int ExecBsfilterAs(const BsfilterRunKind& kind, const char* input, DWORD inputLength, std::string* output,
                   const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = ExecBsfilterV(&kind, input, inputLength, output, format, args);
    va_end(args);
    return result;
}

int ExecBsfilter(const char* input, DWORD inputLength, std::string* output, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = ExecBsfilterV(nullptr, input, inputLength, output, format, args);
    va_end(args);
    return result;
}
