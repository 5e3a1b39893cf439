// Errors of the POSIX platform layer: the thread's last-error value, the one translation from
// errno to Win32 error codes, and the system-call wrappers behind the fault-injection seam.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/posix/fault_injection.h"
#include "platform/posix/posix_internal.h"

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

namespace posix {

namespace {

// Whether the folder part of nativePath exists as a folder ("." for a bare name).
bool ParentFolderExists(const char* nativePath) {
    std::string path(nativePath);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    std::string parent;
    if (slash == std::string::npos) {
        parent = ".";
    } else if (slash == 0) {
        parent = "/";
    } else {
        parent = path.substr(0, slash);
    }
    struct stat info;
    return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DWORD Win32ErrorFromErrno(int error, const char* nativePath) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        if (nativePath != nullptr && *nativePath != '\0' && !ParentFolderExists(nativePath)) {
            return ERROR_PATH_NOT_FOUND;
        }
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EBADF:
    case ESRCH:
    case ECHILD:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
    case EAGAIN:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EFBIG:
        return ERROR_FILE_TOO_LARGE;
    case EPIPE:
        return ERROR_NO_DATA;  // what Win32 reports for a write to a pipe whose reader has gone
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOEXEC:
        return ERROR_BAD_EXE_FORMAT;
    case ETIMEDOUT:
        return ERROR_TIMEOUT;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case ENOSYS:
    case EOPNOTSUPP:
        return ERROR_NOT_SUPPORTED;
    case EINTR:
        return ERROR_OPERATION_ABORTED;
    case EIO:
    default:
        return ERROR_GEN_FAILURE;
    }
}

void SetLastErrorFromErrno(int error, const char* nativePath) {
    SetLastError(Win32ErrorFromErrno(error, nativePath));
}

// ---- fault injection --------------------------------------------------------------------

namespace {

constexpr int kSyscallCount = 5;

struct Fault {
    int error = 0;
    unsigned skip = 0;
    unsigned count = 0;  // 0: for ever
    bool armed = false;
};

std::atomic<bool> g_anyFaultArmed{false};
std::mutex g_faultLock;
Fault g_faults[kSyscallCount];

// True (with errno set) when an armed fault makes this call fail.
bool InjectedFailure(PlatformSyscall call) {
    if (!g_anyFaultArmed.load(std::memory_order_acquire)) return false;
    std::lock_guard<std::mutex> guard(g_faultLock);
    Fault& fault = g_faults[static_cast<int>(call)];
    if (!fault.armed) return false;
    if (fault.skip > 0) {
        --fault.skip;
        return false;
    }
    const int error = fault.error;
    if (fault.count > 0 && --fault.count == 0) fault.armed = false;
    errno = error;
    return true;
}

}  // namespace

int SysOpen(const char* path, int flags, mode_t mode) {
    if (InjectedFailure(PlatformSyscall::Open)) return -1;
    int fd;
    do {
        fd = open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t SysWrite(int fd, const void* data, size_t length) {
    if (InjectedFailure(PlatformSyscall::Write)) return -1;
    return write(fd, data, length);
}

int SysFsync(int fd) {
    if (InjectedFailure(PlatformSyscall::Fsync)) return -1;
    return fsync(fd);
}

int SysRename(const char* from, const char* to) {
    if (InjectedFailure(PlatformSyscall::Rename)) return -1;
    return rename(from, to);
}

int SysFtruncate(int fd, off_t length) {
    if (InjectedFailure(PlatformSyscall::Ftruncate)) return -1;
    return ftruncate(fd, length);
}

}  // namespace posix

void PlatformInjectFault(PlatformSyscall call, int error, unsigned skip, unsigned count) {
    std::lock_guard<std::mutex> guard(posix::g_faultLock);
    posix::Fault& fault = posix::g_faults[static_cast<int>(call)];
    fault.error = error;
    fault.skip = skip;
    fault.count = count;
    fault.armed = true;
    posix::g_anyFaultArmed.store(true, std::memory_order_release);
}

void PlatformClearFaults() {
    std::lock_guard<std::mutex> guard(posix::g_faultLock);
    for (posix::Fault& fault : posix::g_faults) fault = posix::Fault();
    posix::g_anyFaultArmed.store(false, std::memory_order_release);
}
