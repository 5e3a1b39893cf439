// Handles on the POSIX side: one table maps every HANDLE value (files, pipe ends, standard
// streams, find handles, processes, threads, events) to a shared object. Handle values are
// never reused; null and INVALID_HANDLE_VALUE are never handed out, and INVALID_HANDLE_VALUE
// doubles as the current-process pseudo handle, as on Windows.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <mutex>
#include <unordered_map>

#include "platform/posix/posix_internal.h"

namespace posix {

namespace {

struct Entry {
    std::shared_ptr<HandleObject> object;
    bool inheritable;
};

std::mutex g_tableLock;
std::unordered_map<uintptr_t, Entry> g_table;
uintptr_t g_nextHandle = 0x100;  // multiples of 4, as Windows hands them out

HANDLE CurrentProcessPseudoHandle() { return INVALID_HANDLE_VALUE; }

}  // namespace

DWORD HandleObject::Wait(DWORD) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

FdObject::FdObject(HandleKind kind, int fd, bool isPipe, bool ownsFd)
    : HandleObject(kind), m_fd(fd), m_isPipe(isPipe), m_ownsFd(ownsFd) {}

FdObject::~FdObject() {
    if (m_ownsFd && m_fd >= 0) close(m_fd);
}

bool FdObject::IsPipe() const {
    if (Kind() != HandleKind::Std) return m_isPipe;
    // A standard stream may be redirected at any time: look at what it is now.
    struct stat info;
    return fstat(m_fd, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

std::shared_ptr<HandleObject> FdObject::Duplicate() {
    const int fd = fcntl(m_fd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    // A copy of a standard stream stays a stream (a terminal, a pipe or a redirected file),
    // but owns its descriptor.
    return std::make_shared<FdObject>(Kind(), fd, IsPipe(), true);
}

HANDLE RegisterHandle(std::shared_ptr<HandleObject> object, bool inheritable) {
    std::lock_guard<std::mutex> guard(g_tableLock);
    const uintptr_t value = g_nextHandle;
    g_nextHandle += 4;
    g_table[value] = Entry{std::move(object), inheritable};
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<HandleObject> LookupHandle(HANDLE handle) {
    {
        std::lock_guard<std::mutex> guard(g_tableLock);
        auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
        if (it != g_table.end()) return it->second.object;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

std::shared_ptr<FdObject> LookupFd(HANDLE handle) {
    std::shared_ptr<HandleObject> object = LookupHandle(handle);
    if (object == nullptr) return nullptr;
    const HandleKind kind = object->Kind();
    if (kind != HandleKind::File && kind != HandleKind::Pipe && kind != HandleKind::Std) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return std::static_pointer_cast<FdObject>(object);
}

std::shared_ptr<HandleObject> UnregisterHandle(HANDLE handle) {
    std::shared_ptr<HandleObject> object;
    {
        std::lock_guard<std::mutex> guard(g_tableLock);
        auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
        if (it != g_table.end()) {
            object = std::move(it->second.object);
            g_table.erase(it);
        }
    }
    if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return object;  // released by the caller, outside the table's lock
}

bool SetHandleInheritable(HANDLE handle, bool inheritable) {
    std::lock_guard<std::mutex> guard(g_tableLock);
    auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g_table.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    it->second.inheritable = inheritable;
    return true;
}

InheritableFds::InheritableFds() {
    g_tableLock.lock();
    for (const auto& item : g_table) {
        if (!item.second.inheritable) continue;
        const int fd = item.second.object->Fd();
        if (fd >= 0) m_fds.push_back(fd);
    }
}

InheritableFds::~InheritableFds() { g_tableLock.unlock(); }

ssize_t WriteNoSigpipe(int fd, const void* data, size_t length) {
    // SIGPIPE for a write is sent to the writing thread. Blocking it here for this call only
    // leaves the process-wide disposition alone; a SIGPIPE this write raised is taken off the
    // pending set before the mask is restored, so it is never delivered. (One that was pending
    // before the call is left alone: it is not ours.)
    sigset_t pipeSet;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeSet, &previous);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    const ssize_t written = SysWrite(fd, data, length);
    const int error = errno;
    // A write that the reader's departure cut short returns the bytes it wrote, yet raises
    // SIGPIPE all the same: look at the pending set, not only at EPIPE.
    if (!wasPending) {
        sigemptyset(&pending);
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE) == 1) {
            struct timespec zero = {0, 0};
            while (sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
            }
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return written;
}

}  // namespace posix

using posix::HandleKind;

BOOL CloseHandle(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return TRUE;  // the current-process pseudo handle
    std::shared_ptr<posix::HandleObject> object = posix::LookupHandle(handle);
    if (object == nullptr) return FALSE;
    // The standard streams belong to the process: their handles stay usable and the
    // descriptors open.
    if (object->Kind() == HandleKind::Std && !static_cast<posix::FdObject*>(object.get())->OwnsFd()) return TRUE;
    object.reset();
    return posix::UnregisterHandle(handle) != nullptr ? TRUE : FALSE;
}

HANDLE GetCurrentProcess() { return posix::CurrentProcessPseudoHandle(); }

HANDLE GetStdHandle(DWORD which) {
    int fd;
    if (which == STD_INPUT_HANDLE) {
        fd = STDIN_FILENO;
    } else if (which == STD_OUTPUT_HANDLE) {
        fd = STDOUT_FILENO;
    } else if (which == STD_ERROR_HANDLE) {
        fd = STDERR_FILENO;
    } else {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    if (fcntl(fd, F_GETFD) < 0) return nullptr;  // no such stream: null, as on Windows
    static std::mutex lock;
    static HANDLE handles[3] = {nullptr, nullptr, nullptr};
    std::lock_guard<std::mutex> guard(lock);
    if (handles[fd] == nullptr) {
        // The standard streams reach a child unless replaced: they count as inheritable.
        handles[fd] = posix::RegisterHandle(std::make_shared<posix::FdObject>(HandleKind::Std, fd, false, false), true);
    }
    return handles[fd];
}

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, LPHANDLE target, DWORD access,
                     BOOL inherit, DWORD options) {
    (void)access;  // only DUPLICATE_SAME_ACCESS is meaningful here: access rights are not modelled
    if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess()) {
        SetLastError(ERROR_NOT_SUPPORTED);  // handles of other processes are out of reach
        return FALSE;
    }
    std::shared_ptr<posix::HandleObject> object = posix::LookupHandle(source);
    if (object == nullptr) return FALSE;
    BOOL result = TRUE;
    if (target != nullptr) {
        std::shared_ptr<posix::HandleObject> copy = object->Duplicate();
        if (copy == nullptr) {
            result = FALSE;
        } else {
            *target = posix::RegisterHandle(std::move(copy), inherit != FALSE);
        }
    }
    // The source is closed even when the copy failed, as on Windows.
    if ((options & DUPLICATE_CLOSE_SOURCE) != 0) {
        const DWORD error = GetLastError();
        object.reset();
        CloseHandle(source);
        SetLastError(error);
    }
    return result;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::shared_ptr<posix::HandleObject> object = posix::LookupHandle(handle);
    if (object == nullptr) return WAIT_FAILED;
    return object->Wait(milliseconds);
}
