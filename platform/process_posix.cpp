// Processes and anonymous pipes on the POSIX side.
//
// CreateProcessA splits the command line by the Windows rules (CommandLineToArgvW: the first
// word up to the closing quote or a blank; then quotes group, "" inside quotes is a quote, and
// 2n backslashes before a quote give n backslashes, 2n+1 give n and a literal quote; double-byte
// characters are never split). The words are handed to the program in UTF-8; a word that
// starts with a backslash is a Windows-style path and is converted as one ("\tmp\x" ->
// "/tmp/x"), as are the program, the current folder and "PATH" in an environment block. A
// program without a folder is searched in PATH (not in the current folder). Of the creation
// flags only CREATE_NEW_PROCESS_GROUP counts: such a child leads a process group of its own
// (set on both sides of the fork, so the group exists before exec and before the parent goes
// on), which a job object can end whole; otherwise the child stays in the caller's group, so a
// terminal's Ctrl+C reaches it as on Windows.
//
// Handle inheritance follows Windows: every descriptor of this layer is close-on-exec, and
// when inheritHandles is TRUE the child (only the child) gets the descriptors of the handles
// marked inheritable. With STARTF_USESTDHANDLES the three given handles become the child's
// standard streams; a null or unusable one leaves that stream closed. A program that cannot be
// started is reported by CreateProcessA itself: the child writes the errno of a failed chdir or
// exec into a close-on-exec pipe, which the parent reads before it returns.
//
// A process handle can be waited on with a time-out without stealing other children's exit
// statuses: the wait polls a pidfd of this child (or sleeps in growing steps where pidfds are
// missing) and reaps only this pid. A child whose handles are all closed while it runs is
// reaped later by a background reaper, so no zombie is left. A child ended by a signal reports
// 0xC0000000 | the signal number, except after TerminateProcess, which reports its exit code.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/posix/posix_internal.h"

namespace posix {

namespace {

// ---- pidfds ---------------------------------------------------------------------------------

int OpenPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#else
    (void)pid;
#endif
    return -1;
}

int SignalProcess(pid_t pid, int pidfd, int signal) {
#ifdef SYS_pidfd_send_signal
    if (pidfd >= 0) return static_cast<int>(syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
#else
    (void)pidfd;
#endif
    return kill(pid, signal);
}

// Sleeps or polls the pidfd until the child may have ended, for at most milliseconds.
void AwaitChange(int pidfd, long milliseconds, long* backoff) {
    if (pidfd >= 0) {
        struct pollfd entry = {pidfd, POLLIN, 0};
        const int timeout = milliseconds < 0 ? -1 : (milliseconds > INT_MAX ? INT_MAX : static_cast<int>(milliseconds));
        poll(&entry, 1, timeout);
        return;
    }
    long step = *backoff;
    if (milliseconds >= 0 && step > milliseconds) step = milliseconds;
    struct timespec pause = {step / 1000, (step % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
    if (*backoff < 50) *backoff *= 2;
}

// ---- the reaper of abandoned children -----------------------------------------------------

struct Orphan {
    pid_t pid;
    int pidfd;
};

class Reaper {
public:
    void Adopt(pid_t pid, int pidfd) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_orphans.push_back({pid, pidfd});
        if (!m_started) {
            m_started = true;
            std::thread([this] { Run(); }).detach();
        }
        m_added.notify_one();
    }

private:
    void Run() {
        for (;;) {
            std::vector<struct pollfd> fds;
            {
                std::unique_lock<std::mutex> lock(m_lock);
                m_added.wait(lock, [this] { return !m_orphans.empty(); });
                for (size_t i = 0; i < m_orphans.size();) {
                    siginfo_t info;
                    std::memset(&info, 0, sizeof(info));
                    const int result = waitid(P_PID, static_cast<id_t>(m_orphans[i].pid), &info, WEXITED | WNOHANG);
                    if ((result == 0 && info.si_pid == m_orphans[i].pid) || (result < 0 && errno == ECHILD)) {
                        if (m_orphans[i].pidfd >= 0) close(m_orphans[i].pidfd);
                        m_orphans.erase(m_orphans.begin() + static_cast<long>(i));
                        continue;
                    }
                    if (m_orphans[i].pidfd >= 0) fds.push_back({m_orphans[i].pidfd, POLLIN, 0});
                    ++i;
                }
                if (m_orphans.empty()) continue;
            }
            // New orphans are picked up at the latest after one pass of the time-out.
            if (!fds.empty()) {
                poll(fds.data(), fds.size(), 500);
            } else {
                struct timespec pause = {0, 100000000L};
                nanosleep(&pause, nullptr);
            }
        }
    }

    std::mutex m_lock;
    std::condition_variable m_added;
    std::vector<Orphan> m_orphans;
    bool m_started = false;
};

Reaper& TheReaper() {
    static Reaper* reaper = new Reaper();  // never destroyed: its thread outlives static destruction
    return *reaper;
}

// ---- the process object ---------------------------------------------------------------------

struct ProcessState {
    pid_t pid = 0;
    int pidfd = -1;
    std::mutex lock;
    bool reaped = false;
    DWORD exitCode = STILL_ACTIVE;
    bool terminated = false;
    DWORD terminateCode = 0;
    bool groupLeader = false;  // started with CREATE_NEW_PROCESS_GROUP: its pid names its group

    ~ProcessState() {
        if (!reaped) {
            TheReaper().Adopt(pid, pidfd);
        } else if (pidfd >= 0) {
            close(pidfd);
        }
    }

    // Reaps the child if it has ended; call with lock held. True once it has ended.
    bool TryReapLocked() {
        if (reaped) return true;
        siginfo_t info;
        std::memset(&info, 0, sizeof(info));
        const int result = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG);
        if (result == 0 && info.si_pid == pid) {
            if (info.si_code == CLD_EXITED) {
                exitCode = static_cast<DWORD>(info.si_status & 0xFF);
            } else if (terminated && info.si_status == SIGKILL) {
                exitCode = terminateCode;
            } else {
                exitCode = 0xC0000000ul | static_cast<DWORD>(info.si_status);
            }
            reaped = true;
        } else if (result < 0 && errno == ECHILD) {
            // Someone else reaped it (SIGCHLD ignored, or a waitpid(-1) elsewhere): it has
            // ended, with a status nobody can know; -1 as a status never means success.
            exitCode = terminated ? terminateCode : 0xFFFFFFFFul;
            reaped = true;
        }
        return reaped;
    }

    DWORD Wait(DWORD milliseconds) {
        const auto start = std::chrono::steady_clock::now();
        long backoff = 1;
        for (;;) {
            {
                std::lock_guard<std::mutex> guard(lock);
                if (TryReapLocked()) return WAIT_OBJECT_0;
            }
            long remaining = -1;
            if (milliseconds != INFINITE) {
                const long elapsed = static_cast<long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                        .count());
                remaining = static_cast<long>(milliseconds) - elapsed;
                if (remaining <= 0) {
                    std::lock_guard<std::mutex> guard(lock);
                    return TryReapLocked() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
                }
            }
            AwaitChange(pidfd, remaining, &backoff);
        }
    }
};

class ProcessObject : public HandleObject {
public:
    ProcessObject(HandleKind kind, std::shared_ptr<ProcessState> state) : HandleObject(kind), m_state(std::move(state)) {}
    std::shared_ptr<HandleObject> Duplicate() override { return std::make_shared<ProcessObject>(Kind(), m_state); }
    DWORD Wait(DWORD milliseconds) override { return m_state->Wait(milliseconds); }
    const std::shared_ptr<ProcessState>& State() const { return m_state; }

private:
    std::shared_ptr<ProcessState> m_state;
};

std::shared_ptr<ProcessState> LookupProcess(HANDLE handle) {
    std::shared_ptr<HandleObject> object = LookupHandle(handle);
    if (object == nullptr) return nullptr;
    if (object->Kind() != HandleKind::Process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<ProcessObject*>(object.get())->State();
}

// ---- command lines ----------------------------------------------------------------------------

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The words of a Windows command line, as CommandLineToArgvW splits it.
std::vector<std::string> SplitCommandLine(const char* line) {
    std::vector<std::string> words;
    const char* s = line;
    while (IsBlank(*s)) ++s;
    if (*s == '\0') return words;
    // The program: up to the closing quote (no escapes) or the first blank.
    std::string first;
    if (*s == '"') {
        ++s;
        while (*s != '\0' && *s != '"') {
            const size_t length = Mbcs::CharLength(s);
            first.append(s, length);
            s += length;
        }
        if (*s == '"') ++s;
    } else {
        while (*s != '\0' && !IsBlank(*s)) {
            const size_t length = Mbcs::CharLength(s);
            first.append(s, length);
            s += length;
        }
    }
    words.push_back(first);
    while (IsBlank(*s)) ++s;
    if (*s == '\0') return words;
    std::string word;
    bool started = true;
    int quotes = 0;
    size_t backslashes = 0;
    while (*s != '\0') {
        if (IsBlank(*s) && quotes == 0) {
            words.push_back(word);
            word.clear();
            while (IsBlank(*s)) ++s;
            started = *s != '\0';
            backslashes = 0;
        } else if (*s == '\\') {
            word += *s++;
            ++backslashes;
        } else if (*s == '"') {
            if (backslashes % 2 == 0) {
                // 2n backslashes: n of them, and the quote opens or closes a quoted part.
                word.erase(word.size() - backslashes / 2);
                ++quotes;
            } else {
                // 2n+1 backslashes: n of them and a literal quote.
                word.erase(word.size() - backslashes / 2 - 1);
                word += '"';
            }
            ++s;
            backslashes = 0;
            while (*s == '"') {
                if (++quotes == 3) {
                    word += '"';
                    quotes = 0;
                }
                ++s;
            }
            if (quotes == 2) quotes = 0;
        } else {
            const size_t length = Mbcs::CharLength(s);
            word.append(s, length);
            s += length;
            backslashes = 0;
        }
    }
    if (started) words.push_back(word);
    return words;
}

// A word for the child: a Windows-style absolute path converted as a path, other text in UTF-8.
std::string ChildArgument(const std::string& word) {
    if (!word.empty() && word[0] == '\\') return ToNativePath(word.c_str());
    return Cp932ToUtf8(word.data(), word.size());
}

// The environment for the child: the caller's block ("A=1\0B=2\0\0") or our own.
std::vector<std::string> ChildEnvironment(LPVOID block) {
    if (block == nullptr) return EnvironmentSnapshot();
    std::vector<std::string> entries;
    for (const char* p = static_cast<const char*>(block); *p != '\0'; p += std::strlen(p) + 1) {
        std::string entry = p;
        const size_t equals = entry.find('=', 1);  // "=C:=..." entries of Windows start with '='
        if (equals != std::string::npos && lstrcmpiA(entry.substr(0, equals).c_str(), "PATH") == 0) {
            std::string list;
            std::string item;
            const std::string value = entry.substr(equals + 1) + ";";
            for (char c : value) {
                if (c != ';') {
                    item += c;
                    continue;
                }
                if (!item.empty()) list += (list.empty() ? "" : ":") + ToNativePath(item.c_str());
                item.clear();
            }
            entry = "PATH=" + list;
        }
        entries.push_back(entry);
    }
    return entries;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file to execute, or an empty string with the last error set.
std::string ResolveProgram(const std::string& program, const std::vector<std::string>& environment) {
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return std::string();
    }
    if (program.find('/') != std::string::npos) {
        struct stat info;
        if (stat(program.c_str(), &info) != 0) {
            SetLastErrorFromErrno(errno, program.c_str());
            return std::string();
        }
        if (!S_ISREG(info.st_mode) || access(program.c_str(), X_OK) != 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return std::string();
        }
        return program;
    }
    std::string path = "/usr/local/bin:/usr/bin:/bin";
    for (const std::string& entry : environment) {
        if (entry.compare(0, 5, "PATH=") == 0) path = entry.substr(5);
    }
    size_t start = 0;
    for (;;) {
        const size_t colon = path.find(':', start);
        const std::string folder = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + program;
            if (IsExecutableFile(candidate)) return candidate;
        }
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return std::string();
}

// The descriptor a standard handle of STARTUPINFOA stands for, -1 for none.
int StandardFd(HANDLE handle, std::vector<std::shared_ptr<FdObject>>* keep) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return -1;
    std::shared_ptr<HandleObject> object = LookupHandle(handle);
    if (object == nullptr || object->Fd() < 0) return -1;
    keep->push_back(std::static_pointer_cast<FdObject>(object));
    return object->Fd();
}

// What the child reports through the error pipe when it cannot start the program.
struct StartFailure {
    int stage;  // 1: changing the folder, 2: executing the program
    int error;
};

// The child's side between fork and exec: only async-signal-safe calls.
[[noreturn]] void RunChild(int errorPipe, const int* standard, bool useStandard, const std::vector<int>& inheritable,
                           const char* folder, const char* program, char* const* argv, char* const* envp,
                           bool newGroup) {
    if (newGroup) setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaults;
    std::memset(&defaults, 0, sizeof(defaults));
    defaults.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaults, nullptr);
    for (int fd : inheritable) {
        if (fd > 2) fcntl(fd, F_SETFD, 0);
    }
    if (useStandard) {
        int source[3] = {standard[0], standard[1], standard[2]};
        // First move every source that sits on another standard slot out of the way.
        for (int i = 0; i < 3; ++i) {
            if (source[i] >= 0 && source[i] < 3 && source[i] != i) source[i] = fcntl(source[i], F_DUPFD_CLOEXEC, 3);
        }
        for (int i = 0; i < 3; ++i) {
            if (source[i] == i) {
                fcntl(i, F_SETFD, 0);
            } else if (source[i] >= 0) {
                dup2(source[i], i);
            } else {
                close(i);
            }
        }
    }
    StartFailure failure = {0, 0};
    if (folder != nullptr && chdir(folder) != 0) {
        failure = {1, errno};
    } else {
        execve(program, argv, envp);
        failure = {2, errno};
    }
    ssize_t ignored = write(errorPipe, &failure, sizeof(failure));
    (void)ignored;
    _exit(127);
}

// ---- job objects -------------------------------------------------------------------------------

// The process groups of a job, shared by every handle to it.
struct JobState {
    std::mutex lock;
    std::vector<std::shared_ptr<ProcessState>> members;
    bool killOnClose = false;

    // SIGKILL to the group of every member. A group is named by its leader's pid; while the
    // leader is unreaped that pid cannot be reused, and once it is reaped the group lives on
    // only as long as a descendant does, which is what has to be ended.
    void KillAll(bool markTerminated, DWORD exitCode) {
        std::lock_guard<std::mutex> guard(lock);
        for (const std::shared_ptr<ProcessState>& member : members) {
            std::lock_guard<std::mutex> memberGuard(member->lock);
            const bool running = !member->TryReapLocked();
            if (member->groupLeader) kill(-member->pid, SIGKILL);
            if (running) {
                if (!member->groupLeader) SignalProcess(member->pid, member->pidfd, SIGKILL);
                if (markTerminated) {
                    member->terminated = true;
                    member->terminateCode = exitCode;
                }
            }
        }
    }

    ~JobState() {
        if (killOnClose) KillAll(false, 0);
    }
};

class JobObject : public HandleObject {
public:
    explicit JobObject(std::shared_ptr<JobState> state) : HandleObject(HandleKind::Job), m_state(std::move(state)) {}
    std::shared_ptr<HandleObject> Duplicate() override { return std::make_shared<JobObject>(m_state); }
    const std::shared_ptr<JobState>& State() const { return m_state; }

private:
    std::shared_ptr<JobState> m_state;
};

std::shared_ptr<JobState> LookupJob(HANDLE handle) {
    std::shared_ptr<HandleObject> object = LookupHandle(handle);
    if (object == nullptr) return nullptr;
    if (object->Kind() != HandleKind::Job) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<JobObject*>(object.get())->State();
}

}  // namespace

bool ProcessThreadExitCode(const std::shared_ptr<HandleObject>& object, DWORD* code) {
    const std::shared_ptr<ProcessState>& state = static_cast<ProcessObject*>(object.get())->State();
    std::lock_guard<std::mutex> guard(state->lock);
    *code = state->TryReapLocked() ? state->exitCode : STILL_ACTIVE;
    return true;
}

}  // namespace posix

using posix::HandleKind;

BOOL CreatePipe(LPHANDLE readPipe, LPHANDLE writePipe, LPSECURITY_ATTRIBUTES security, DWORD size) {
    if (readPipe == nullptr || writePipe == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    if (size > 65536) fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(size > 0x7FFFFFFF ? 0x7FFFFFFF : size));
    const bool inheritable = security != nullptr && security->bInheritHandle;
    *readPipe = posix::RegisterHandle(std::make_shared<posix::FdObject>(HandleKind::Pipe, fds[0], true), inheritable);
    *writePipe = posix::RegisterHandle(std::make_shared<posix::FdObject>(HandleKind::Pipe, fds[1], true), inheritable);
    return TRUE;
}

BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, LPDWORD read, LPDWORD available, LPDWORD left) {
    if (read != nullptr) *read = 0;
    if (available != nullptr) *available = 0;
    if (left != nullptr) *left = 0;
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(pipe);
    if (object == nullptr) return FALSE;
    if (!object->IsPipe()) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    int count = 0;
    if (ioctl(object->Fd(), FIONREAD, &count) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    if (count == 0) {
        // Nothing waiting and every writer gone: the pipe is broken, as Win32 reports it.
        struct pollfd entry = {object->Fd(), POLLIN, 0};
        if (poll(&entry, 1, 0) > 0 && (entry.revents & POLLHUP) != 0 && (entry.revents & POLLIN) == 0) {
            SetLastError(ERROR_BROKEN_PIPE);
            return FALSE;
        }
    }
    if (buffer != nullptr && size > 0 && count > 0) {
        // Copy without consuming: tee(2) duplicates pipe content into a scratch pipe.
        int scratch[2];
        if (pipe2(scratch, O_CLOEXEC | O_NONBLOCK) == 0) {
            const size_t want = size < static_cast<DWORD>(count) ? size : static_cast<size_t>(count);
            const ssize_t copied = tee(object->Fd(), scratch[1], want, SPLICE_F_NONBLOCK);
            if (copied > 0) {
                const ssize_t n = ::read(scratch[0], buffer, static_cast<size_t>(copied));
                if (n > 0 && read != nullptr) *read = static_cast<DWORD>(n);
            }
            close(scratch[0]);
            close(scratch[1]);
        }
    }
    if (available != nullptr) *available = static_cast<DWORD>(count);
    return TRUE;
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                    LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD flags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
    const bool newGroup = (flags & CREATE_NEW_PROCESS_GROUP) != 0;
    if ((applicationName == nullptr && commandLine == nullptr) || info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string> words = posix::SplitCommandLine(commandLine != nullptr ? commandLine : applicationName);
    if (words.empty()) {
        if (applicationName == nullptr) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        words.push_back(applicationName);
    }
    const std::vector<std::string> childEnvironment = posix::ChildEnvironment(environment);
    const std::string program = posix::ResolveProgram(
        posix::ToNativePath(applicationName != nullptr ? applicationName : words[0].c_str()), childEnvironment);
    if (program.empty()) return FALSE;
    std::string folder;
    if (currentDirectory != nullptr) {
        folder = posix::ToNativePath(currentDirectory);
        struct stat status;
        if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    }

    std::vector<std::string> arguments;
    for (const std::string& word : words) arguments.push_back(posix::ChildArgument(word));
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    std::vector<std::string> environmentCopy = childEnvironment;
    std::vector<char*> envp;
    for (std::string& entry : environmentCopy) envp.push_back(&entry[0]);
    envp.push_back(nullptr);

    const bool useStandard = startup != nullptr && (startup->dwFlags & STARTF_USESTDHANDLES) != 0;
    std::vector<std::shared_ptr<posix::FdObject>> keep;  // holds the descriptors open until the fork
    int standard[3] = {-1, -1, -1};
    if (useStandard) {
        standard[0] = posix::StandardFd(startup->hStdInput, &keep);
        standard[1] = posix::StandardFd(startup->hStdOutput, &keep);
        standard[2] = posix::StandardFd(startup->hStdError, &keep);
    }
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    pid_t pid;
    {
        posix::InheritableFds inheritable;  // the handle table stays locked across the fork
        const std::vector<int> none;
        pid = fork();
        if (pid == 0) {
            close(errorPipe[0]);
            posix::RunChild(errorPipe[1], standard, useStandard, inheritHandles ? inheritable.Fds() : none,
                            folder.empty() ? nullptr : folder.c_str(), program.c_str(), argv.data(), envp.data(),
                            newGroup);
        }
    }
    if (pid > 0 && newGroup) setpgid(pid, pid);  // EACCES once the child has exec'd: it set it itself
    const int forkError = errno;
    close(errorPipe[1]);
    if (pid < 0) {
        close(errorPipe[0]);
        posix::SetLastErrorFromErrno(forkError);
        return FALSE;
    }
    posix::StartFailure failure = {0, 0};
    ssize_t n;
    do {
        n = ::read(errorPipe[0], &failure, sizeof(failure));
    } while (n < 0 && errno == EINTR);
    close(errorPipe[0]);
    if (n == static_cast<ssize_t>(sizeof(failure))) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        if (failure.stage == 1) {
            SetLastError(ERROR_DIRECTORY);
        } else if (failure.error == ENOENT) {
            SetLastError(ERROR_FILE_NOT_FOUND);  // also a script whose interpreter is missing
        } else {
            posix::SetLastErrorFromErrno(failure.error);
        }
        return FALSE;
    }
    auto state = std::make_shared<posix::ProcessState>();
    state->pid = pid;
    state->pidfd = posix::OpenPidfd(pid);
    state->groupLeader = newGroup;
    info->hProcess = posix::RegisterHandle(std::make_shared<posix::ProcessObject>(HandleKind::Process, state),
                                           processSecurity != nullptr && processSecurity->bInheritHandle);
    info->hThread = posix::RegisterHandle(std::make_shared<posix::ProcessObject>(HandleKind::ProcessThread, state),
                                          threadSecurity != nullptr && threadSecurity->bInheritHandle);
    info->dwProcessId = static_cast<DWORD>(pid);
    info->dwThreadId = static_cast<DWORD>(pid);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
    std::shared_ptr<posix::ProcessState> state = posix::LookupProcess(process);
    if (state == nullptr) return FALSE;
    std::lock_guard<std::mutex> guard(state->lock);
    if (state->TryReapLocked()) {
        SetLastError(ERROR_ACCESS_DENIED);  // it has ended already, as Windows reports it
        return FALSE;
    }
    // Unreaped, the pid cannot have been reused: the signal reaches this child.
    if (posix::SignalProcess(state->pid, state->pidfd, SIGKILL) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    state->terminated = true;
    state->terminateCode = exitCode;
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    std::shared_ptr<posix::ProcessState> state = posix::LookupProcess(process);
    if (state == nullptr) return FALSE;
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(state->lock);
    *exitCode = state->TryReapLocked() ? state->exitCode : STILL_ACTIVE;
    return TRUE;
}

DWORD ResumeThread(HANDLE thread) {
    std::shared_ptr<posix::HandleObject> object = posix::LookupHandle(thread);
    if (object == nullptr) return static_cast<DWORD>(-1);
    return object->Kind() == HandleKind::ProcessThread ? 1 : 0;
}

HANDLE CreateJobObjectA(LPSECURITY_ATTRIBUTES security, LPCSTR name) {
    if (name != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);  // named jobs are not needed here
        return nullptr;
    }
    return posix::RegisterHandle(std::make_shared<posix::JobObject>(std::make_shared<posix::JobState>()),
                                 security != nullptr && security->bInheritHandle);
}

BOOL SetInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS infoClass, LPVOID info, DWORD length) {
    std::shared_ptr<posix::JobState> state = posix::LookupJob(job);
    if (state == nullptr) return FALSE;
    if (infoClass != JobObjectExtendedLimitInformation || info == nullptr ||
        length < sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* limits = static_cast<const JOBOBJECT_EXTENDED_LIMIT_INFORMATION*>(info);
    std::lock_guard<std::mutex> guard(state->lock);
    state->killOnClose = (limits->BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE) != 0;
    return TRUE;
}

BOOL AssignProcessToJobObject(HANDLE job, HANDLE process) {
    std::shared_ptr<posix::JobState> state = posix::LookupJob(job);
    if (state == nullptr) return FALSE;
    std::shared_ptr<posix::ProcessState> member = posix::LookupProcess(process);
    if (member == nullptr) return FALSE;
    std::lock_guard<std::mutex> guard(state->lock);
    state->members.push_back(member);
    return TRUE;
}

BOOL TerminateJobObject(HANDLE job, UINT exitCode) {
    std::shared_ptr<posix::JobState> state = posix::LookupJob(job);
    if (state == nullptr) return FALSE;
    state->KillAll(true, exitCode);
    return TRUE;
}
