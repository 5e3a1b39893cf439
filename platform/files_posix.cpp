// Files on the POSIX side: CreateFileA with Win32 dispositions and share modes, reading,
// writing and seeking, attributes and times, folders, moves and copies, directory listings
// with Win32 wildcards, the temporary and current folders, and the platform extras for
// folders, status queries and atomic replacement.
//
// Share modes: every open file takes shared advisory locks (open-file-description locks, so
// they also separate handles within one process) on a few bytes far beyond any real data:
// one byte per access it has (read, write) and one per access it refuses to share (read,
// write, delete). A new open, a delete or a move first looks for locks that conflict with it.
// Checks and acquisitions are serialised within the process; between processes a narrow
// window remains in which two conflicting opens may both succeed. A file whose descriptor
// cannot carry read locks (opened write-only for lack of read permission) is not protected.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/posix/posix_internal.h"

namespace posix {

namespace {

// ---- share-mode locks ---------------------------------------------------------------------

constexpr off_t kLockBase = 0x7FFFFFFF00000000LL;
constexpr off_t kHasRead = kLockBase + 0;
constexpr off_t kHasWrite = kLockBase + 1;
constexpr off_t kDeniesRead = kLockBase + 3;
constexpr off_t kDeniesWrite = kLockBase + 4;
constexpr off_t kDeniesDelete = kLockBase + 5;

std::mutex g_shareLock;

// Whether a lock held through another open of the file sits on byte offset. (F_GETLK in the
// classic form: it reports every open-file-description lock, those of this process included.)
bool LockedByOther(int fd, off_t offset) {
    struct flock query;
    std::memset(&query, 0, sizeof(query));
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = offset;
    query.l_len = 1;
    if (fcntl(fd, F_GETLK, &query) != 0) return false;
    return query.l_type != F_UNLCK;
}

bool TakeSharedLock(int fd, off_t offset) {
    struct flock lock;
    std::memset(&lock, 0, sizeof(lock));
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Checks the share modes of a new open of fd and takes its locks. False on a conflict.
bool AcquireShare(int fd, bool read, bool write, DWORD shareMode) {
    const bool shareRead = (shareMode & FILE_SHARE_READ) != 0;
    const bool shareWrite = (shareMode & FILE_SHARE_WRITE) != 0;
    const bool shareDelete = (shareMode & FILE_SHARE_DELETE) != 0;
    std::lock_guard<std::mutex> guard(g_shareLock);
    if ((read && LockedByOther(fd, kDeniesRead)) || (write && LockedByOther(fd, kDeniesWrite)) ||
        (!shareRead && LockedByOther(fd, kHasRead)) || (!shareWrite && LockedByOther(fd, kHasWrite))) {
        return false;
    }
    // A descriptor that cannot take the locks (file system without them) goes unprotected.
    if (read) TakeSharedLock(fd, kHasRead);
    if (write) TakeSharedLock(fd, kHasWrite);
    if (!shareRead) TakeSharedLock(fd, kDeniesRead);
    if (!shareWrite) TakeSharedLock(fd, kDeniesWrite);
    if (!shareDelete) TakeSharedLock(fd, kDeniesDelete);
    return true;
}

// Whether an open handle of the file at nativePath refuses to share deletion (so that it
// may not be deleted, moved or replaced). A file that cannot be opened is not held by us.
bool DeleteDenied(const std::string& nativePath) {
    const int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    bool denied = false;
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        std::lock_guard<std::mutex> guard(g_shareLock);
        denied = LockedByOther(fd, kDeniesDelete);
    }
    close(fd);
    return denied;
}

// ---- the file object ------------------------------------------------------------------------

class FileObject : public FdObject {
public:
    FileObject(int fd, bool canRead, bool canWrite)
        : FdObject(HandleKind::File, fd, false), m_canRead(canRead), m_canWrite(canWrite) {}
    bool CanRead() const { return m_canRead; }
    bool CanWrite() const { return m_canWrite; }
    std::shared_ptr<HandleObject> Duplicate() override {
        // The copy shares the open file description, and with it the share-mode locks.
        const int fd = fcntl(Fd(), F_DUPFD_CLOEXEC, 3);
        if (fd < 0) {
            SetLastErrorFromErrno(errno);
            return nullptr;
        }
        return std::make_shared<FileObject>(fd, m_canRead, m_canWrite);
    }

private:
    bool m_canRead;
    bool m_canWrite;
};

bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// The file name part of a native path.
std::string BaseName(const std::string& nativePath) {
    std::string path = nativePath;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentFolder(const std::string& nativePath) {
    std::string path = nativePath;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

DWORD AttributesOf(const struct stat& info, const std::string& name) {
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    } else {
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    }
    if (IsReadOnlyMode(info.st_mode) && !S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

void FsyncFolderOf(const std::string& nativePath) {
    const int fd = open(ParentFolder(nativePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    SysFsync(fd);  // not every file system can sync a folder; the rename itself has happened
    close(fd);
}

// Writes all of length bytes to a file descriptor.
bool WriteAll(int fd, const char* data, size_t length) {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = SysWrite(fd, data + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

// Creation (birth) time where the file system records it, else the last-write time.
FILETIME CreationTimeOf(int dirFd, const char* path, const struct stat& info) {
    struct statx extended;
    if (statx(dirFd, path, path[0] == '\0' ? AT_EMPTY_PATH : 0, STATX_BTIME, &extended) == 0 &&
        (extended.stx_mask & STATX_BTIME) != 0) {
        return FileTimeFromUnix(extended.stx_btime.tv_sec, static_cast<long>(extended.stx_btime.tv_nsec));
    }
    return FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
}

void FillAttributeData(int dirFd, const char* path, const struct stat& info, const std::string& name,
                       WIN32_FILE_ATTRIBUTE_DATA* data) {
    data->dwFileAttributes = AttributesOf(info, name);
    data->ftCreationTime = CreationTimeOf(dirFd, path, info);
    data->ftLastAccessTime = FileTimeFromUnix(info.st_atim.tv_sec, info.st_atim.tv_nsec);
    data->ftLastWriteTime = FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    const unsigned long long size = S_ISDIR(info.st_mode) ? 0 : static_cast<unsigned long long>(info.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFull);
}

// ---- opening --------------------------------------------------------------------------------

std::shared_ptr<FdObject> OpenFile(const char* path, DWORD access, DWORD shareMode, DWORD disposition,
                                   DWORD attributes, mode_t createMode) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    const std::string native = ToNativePath(path);
    const bool canRead = (access & GENERIC_READ) != 0;
    const bool canWrite = (access & GENERIC_WRITE) != 0;
    bool create = false;
    bool exclusive = false;
    bool truncate = false;
    switch (disposition) {
    case CREATE_NEW:
        create = exclusive = true;
        break;
    case CREATE_ALWAYS:
        create = truncate = true;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        create = true;
        break;
    case TRUNCATE_EXISTING:
        if (!canWrite) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        truncate = true;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (createMode == 0) createMode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    // Read access is asked for even for write-only handles where the file allows it, so that
    // the descriptor can carry the share-mode locks; the handle itself stays write-only.
    const int base = O_CLOEXEC | O_NOCTTY;
    int fd = -1;
    bool created = false;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        if (create) {
            fd = SysOpen(native.c_str(), base | O_RDWR | O_CREAT | O_EXCL, createMode);
            if (fd >= 0) {
                created = true;
                break;
            }
            if (errno != EEXIST || exclusive) break;
        }
        fd = SysOpen(native.c_str(), base | (canWrite ? O_RDWR : O_RDONLY));
        if (fd < 0 && errno == EACCES && canWrite && !canRead) fd = SysOpen(native.c_str(), base | O_WRONLY);
        if (fd < 0 && !(create && errno == ENOENT)) break;  // ENOENT: deleted meanwhile, try again
    }
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : Win32ErrorFromErrno(errno, native.c_str()));
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || (canWrite && !created && IsReadOnlyMode(info.st_mode))) {
        // A folder cannot be opened as a file, and a read-only file refuses writers, as on
        // Windows (also for the super-user, who would pass the permission bits).
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const int mode = fcntl(fd, F_GETFL) & O_ACCMODE;
    if (mode != O_WRONLY && !AcquireShare(fd, canRead, canWrite, shareMode)) {
        close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return nullptr;
    }
    if (truncate && !created && info.st_size != 0 && SysFtruncate(fd, 0) != 0) {
        SetLastErrorFromErrno(errno);
        close(fd);
        return nullptr;
    }
    const bool existed = !created && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return std::make_shared<FileObject>(fd, canRead, canWrite);
}

}  // namespace posix

using posix::FileObject;
using posix::HandleKind;

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE templateFile) {
    (void)templateFile;
    std::shared_ptr<posix::FdObject> file = posix::OpenFile(path, access, shareMode, disposition, flags);
    if (file == nullptr) return INVALID_HANDLE_VALUE;
    const DWORD error = GetLastError();
    const bool inheritable = security != nullptr && security->bInheritHandle;
    HANDLE handle = posix::RegisterHandle(std::move(file), inheritable);
    SetLastError(error);
    return handle;
}

// ---- reading and writing ----------------------------------------------------------------------

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
    (void)overlapped;
    if (read != nullptr) *read = 0;
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(file);
    if (object == nullptr) return FALSE;
    if (object->Kind() == HandleKind::File && !static_cast<FileObject*>(object.get())->CanRead()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (toRead == 0) return TRUE;
    if (buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);  // Windows reports ERROR_NOACCESS
        return FALSE;
    }
    const size_t want = toRead > 0x7FFFF000ul ? 0x7FFFF000ul : static_cast<size_t>(toRead);
    char* out = static_cast<char*>(buffer);
    if (object->Kind() != HandleKind::File) {
        // Pipes, terminals: what is there (waiting for the first byte), like Win32.
        const bool pipe = object->IsPipe();
        ssize_t n;
        {
            posix::CancellationPoint cancellable;
            do {
                n = ::read(object->Fd(), out, want);
            } while (n < 0 && errno == EINTR);
        }
        if (n < 0) {
            posix::SetLastErrorFromErrno(errno);
            return FALSE;
        }
        if (n == 0 && pipe) {
            SetLastError(ERROR_BROKEN_PIPE);  // every writer has gone
            return FALSE;
        }
        if (read != nullptr) *read = static_cast<DWORD>(n);
        return TRUE;
    }
    size_t done = 0;
    while (done < want) {
        const ssize_t n = ::read(object->Fd(), out + done, want - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            posix::SetLastErrorFromErrno(errno);
            if (read != nullptr) *read = static_cast<DWORD>(done);
            return FALSE;
        }
        if (n == 0) break;  // end of file: success with what was read
        done += static_cast<size_t>(n);
    }
    if (read != nullptr) *read = static_cast<DWORD>(done);
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped) {
    (void)overlapped;
    if (written != nullptr) *written = 0;
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(file);
    if (object == nullptr) return FALSE;
    if (object->Kind() == HandleKind::File && !static_cast<FileObject*>(object.get())->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (toWrite == 0) return TRUE;
    if (buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const char* data = static_cast<const char*>(buffer);
    const bool pipe = object->Kind() != HandleKind::File && object->IsPipe();
    size_t done = 0;
    // A blocking Win32 write returns when everything is written, also to a pipe (which may
    // take several write(2) calls when the reader is slow).
    while (done < toWrite) {
        size_t chunk = toWrite - done;
        if (chunk > 0x7FFFF000ul) chunk = 0x7FFFF000ul;
        ssize_t n;
        if (object->Kind() == HandleKind::File) {
            n = posix::SysWrite(object->Fd(), data + done, chunk);
        } else {
            posix::CancellationPoint cancellable;
            n = posix::WriteNoSigpipe(object->Fd(), data + done, chunk);
        }
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            if (pipe && errno == EPIPE) {
                SetLastError(ERROR_NO_DATA);
            } else {
                posix::SetLastErrorFromErrno(errno);
            }
            if (written != nullptr) *written = static_cast<DWORD>(done);
            return FALSE;
        }
        done += static_cast<size_t>(n);
    }
    if (written != nullptr) *written = static_cast<DWORD>(done);
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(file);
    if (object == nullptr) return INVALID_SET_FILE_POINTER;
    // LONG is wider here than on Windows: take the distance as Win32 does, a signed 32-bit
    // value, or a 64-bit one made of the two halves.
    long long offset;
    if (distanceHigh != nullptr) {
        offset = static_cast<long long>((static_cast<unsigned long long>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                        static_cast<uint32_t>(distance));
    } else {
        offset = static_cast<int32_t>(static_cast<uint32_t>(distance));
    }
    long long origin;
    if (method == FILE_BEGIN) {
        origin = 0;
    } else if (method == FILE_CURRENT) {
        origin = lseek(object->Fd(), 0, SEEK_CUR);
    } else if (method == FILE_END) {
        struct stat info;
        origin = fstat(object->Fd(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (origin < 0) {
        posix::SetLastErrorFromErrno(errno == ESPIPE ? EINVAL : errno);
        return INVALID_SET_FILE_POINTER;
    }
    const long long target = origin + offset;
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh == nullptr && target > 0xFFFFFFFELL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(object->Fd(), static_cast<off_t>(target), SEEK_SET) < 0) {
        posix::SetLastErrorFromErrno(errno == ESPIPE ? EINVAL : errno);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(static_cast<int32_t>(target >> 32));
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(target & 0xFFFFFFFFLL);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(file);
    if (object == nullptr) return INVALID_FILE_SIZE;
    struct stat info;
    if (fstat(object->Fd(), &info) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return INVALID_FILE_SIZE;
    }
    const unsigned long long size = static_cast<unsigned long long>(info.st_size);
    if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(size & 0xFFFFFFFFull);
}

BOOL SetEndOfFile(HANDLE file) {
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(file);
    if (object == nullptr) return FALSE;
    if (object->Kind() == HandleKind::File && !static_cast<FileObject*>(object.get())->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const off_t position = lseek(object->Fd(), 0, SEEK_CUR);
    if (position < 0 || posix::SysFtruncate(object->Fd(), position) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(file);
    if (object == nullptr) return FALSE;
    if (object->Kind() != HandleKind::File) return TRUE;  // pipes and consoles hold nothing back
    if (posix::SysFsync(object->Fd()) != 0 && errno != EINVAL) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write) {
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(file);
    if (object == nullptr) return FALSE;
    struct stat info;
    if (fstat(object->Fd(), &info) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    if (creation != nullptr) *creation = posix::CreationTimeOf(object->Fd(), "", info);
    if (access != nullptr) *access = posix::FileTimeFromUnix(info.st_atim.tv_sec, info.st_atim.tv_nsec);
    if (write != nullptr) *write = posix::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
    (void)creation;  // the creation time of a file cannot be set on POSIX file systems
    std::shared_ptr<posix::FdObject> object = posix::LookupFd(file);
    if (object == nullptr) return FALSE;
    struct timespec times[2];
    const FILETIME* given[2] = {access, write};
    for (int i = 0; i < 2; ++i) {
        // A null pointer or a zero time leaves that time alone, as on Windows.
        if (given[i] == nullptr || (given[i]->dwLowDateTime == 0 && given[i]->dwHighDateTime == 0)) {
            times[i].tv_sec = 0;
            times[i].tv_nsec = UTIME_OMIT;
            continue;
        }
        long long seconds;
        long nanoseconds;
        posix::UnixFromFileTime(*given[i], &seconds, &nanoseconds);
        times[i].tv_sec = static_cast<time_t>(seconds);
        times[i].tv_nsec = nanoseconds;
    }
    if (futimens(object->Fd(), times) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

// ---- deleting, moving, copying ----------------------------------------------------------------

BOOL DeleteFileA(LPCSTR path) {
    const std::string native = posix::ToNativePath(path);
    struct stat info;
    if (native.empty() || lstat(native.c_str(), &info) != 0) {
        posix::SetLastErrorFromErrno(native.empty() ? ENOENT : errno, native.c_str());
        return FALSE;
    }
    if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && posix::IsReadOnlyMode(info.st_mode))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (posix::DeleteDenied(native)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (unlink(native.c_str()) != 0) {
        posix::SetLastErrorFromErrno(errno, native.c_str());
        return FALSE;
    }
    return TRUE;
}

namespace posix {
namespace {

// Copies the regular file from to to; failIfExists as CopyFileA. The copy keeps the source's
// permissions and times; a partial copy is removed.
bool CopyRegularFile(const char* from, const char* to, bool failIfExists) {
    std::shared_ptr<FdObject> source = OpenFile(from, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    if (source == nullptr) return false;
    struct stat info;
    if (fstat(source->Fd(), &info) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    const std::string nativeTarget = ToNativePath(to);
    struct stat targetInfo;
    if (stat(nativeTarget.c_str(), &targetInfo) == 0 && targetInfo.st_dev == info.st_dev &&
        targetInfo.st_ino == info.st_ino) {
        SetLastError(failIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION);  // a file onto itself
        return false;
    }
    std::shared_ptr<FdObject> target =
        OpenFile(to, GENERIC_WRITE, 0, failIfExists ? CREATE_NEW : CREATE_ALWAYS, 0, info.st_mode & 07777);
    if (target == nullptr) return false;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(source->Fd(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || (n > 0 && !WriteAll(target->Fd(), buffer.data(), static_cast<size_t>(n)))) {
            SetLastErrorFromErrno(errno);
            target.reset();
            unlink(nativeTarget.c_str());
            return false;
        }
        if (n == 0) break;
    }
    fchmod(target->Fd(), info.st_mode & 07777);
    struct timespec times[2] = {info.st_atim, info.st_mtim};
    futimens(target->Fd(), times);
    SetLastError(ERROR_SUCCESS);
    return true;
}

// rename(2) that fails with EEXIST when to exists.
int RenameNoReplace(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without RENAME_NOREPLACE: check, then rename (a narrow race remains).
    struct stat info;
    if (lstat(to, &info) == 0) {
        errno = EEXIST;
        return -1;
    }
    return SysRename(from, to);
}

}  // namespace
}  // namespace posix

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    const std::string source = posix::ToNativePath(from);
    const std::string target = posix::ToNativePath(to);
    struct stat info;
    if (source.empty() || lstat(source.c_str(), &info) != 0) {
        posix::SetLastErrorFromErrno(source.empty() ? ENOENT : errno, source.c_str());
        return FALSE;
    }
    if (target.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (S_ISREG(info.st_mode) && posix::DeleteDenied(source)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    struct stat targetInfo;
    const bool targetExists = lstat(target.c_str(), &targetInfo) == 0;
    if (targetExists && replace) {
        if (S_ISDIR(targetInfo.st_mode) || posix::IsReadOnlyMode(targetInfo.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (posix::DeleteDenied(target)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    const int result = replace ? posix::SysRename(source.c_str(), target.c_str())
                               : posix::RenameNoReplace(source.c_str(), target.c_str());
    if (result != 0) {
        const int error = errno;
        if (error == EEXIST || error == ENOTEMPTY) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (error == EXDEV && (flags & MOVEFILE_COPY_ALLOWED) != 0 && S_ISREG(info.st_mode)) {
            // Another file system: copy, then delete the source, as Windows does.
            if (!posix::CopyRegularFile(from, to, !replace)) return FALSE;
            if (unlink(source.c_str()) != 0) {
                posix::SetLastErrorFromErrno(errno, source.c_str());
                return FALSE;
            }
            return TRUE;
        }
        posix::SetLastErrorFromErrno(error, error == ENOENT ? target.c_str() : nullptr);
        return FALSE;
    }
    if ((flags & MOVEFILE_WRITE_THROUGH) != 0) posix::FsyncFolderOf(target);
    return TRUE;
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) { return MoveFileExA(from, to, MOVEFILE_COPY_ALLOWED); }

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
    return posix::CopyRegularFile(from, to, failIfExists != FALSE) ? TRUE : FALSE;
}

// ---- attributes and folders -------------------------------------------------------------------

DWORD GetFileAttributesA(LPCSTR path) {
    const std::string native = posix::ToNativePath(path);
    struct stat info;
    if (native.empty() || stat(native.c_str(), &info) != 0) {
        posix::SetLastErrorFromErrno(native.empty() ? ENOENT : errno, native.c_str());
        return INVALID_FILE_ATTRIBUTES;
    }
    return posix::AttributesOf(info, posix::BaseName(native));
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    const std::string native = posix::ToNativePath(path);
    struct stat info;
    if (native.empty() || stat(native.c_str(), &info) != 0) {
        posix::SetLastErrorFromErrno(native.empty() ? ENOENT : errno, native.c_str());
        return FALSE;
    }
    if (S_ISDIR(info.st_mode)) return TRUE;  // folders have no read-only state on Windows either
    mode_t mode = info.st_mode & 07777;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    } else if (posix::IsReadOnlyMode(mode)) {
        mode |= S_IWUSR;
    }
    if (chmod(native.c_str(), mode) != 0) {
        posix::SetLastErrorFromErrno(errno, native.c_str());
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
    if (level != GetFileExInfoStandard || info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string native = posix::ToNativePath(path);
    struct stat status;
    if (native.empty() || stat(native.c_str(), &status) != 0) {
        posix::SetLastErrorFromErrno(native.empty() ? ENOENT : errno, native.c_str());
        return FALSE;
    }
    posix::FillAttributeData(AT_FDCWD, native.c_str(), status, posix::BaseName(native),
                             static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(info));
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
    (void)security;
    const std::string native = posix::ToNativePath(path);
    if (native.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (mkdir(native.c_str(), 0777) != 0) {
        const int error = errno;
        SetLastError(error == EEXIST ? ERROR_ALREADY_EXISTS
                                     : (error == ENOENT ? ERROR_PATH_NOT_FOUND : posix::Win32ErrorFromErrno(error)));
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    const std::string native = posix::ToNativePath(path);
    if (native.empty() || rmdir(native.c_str()) != 0) {
        const int error = native.empty() ? ENOENT : errno;
        if (error == ENOTDIR) {
            SetLastError(ERROR_DIRECTORY);
        } else if (error == ENOTEMPTY || error == EEXIST) {
            SetLastError(ERROR_DIR_NOT_EMPTY);
        } else {
            posix::SetLastErrorFromErrno(error, native.c_str());
        }
        return FALSE;
    }
    return TRUE;
}

// ---- folders of the process -------------------------------------------------------------------

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
    const char* tmp = getenv("TMPDIR");
    std::string folder = posix::FromNativePath(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    if (!Mbcs::EndsWith(folder.c_str(), '\\')) folder += '\\';
    return posix::CopyOutWin32(folder, buffer, size);
}

namespace posix {
namespace {
// The current folder, Windows-style (no trailing backslash except for the root).
bool CurrentFolder(std::string* folder) {
    char* cwd = getcwd(nullptr, 0);
    if (cwd == nullptr) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    *folder = FromNativePath(cwd);
    free(cwd);
    return true;
}
}  // namespace
}  // namespace posix

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    std::string folder;
    if (!posix::CurrentFolder(&folder)) return 0;
    return posix::CopyOutWin32(folder, buffer, size);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    const std::string native = posix::ToNativePath(path);
    if (native.empty() || chdir(native.c_str()) != 0) {
        const int error = native.empty() ? ENOENT : errno;
        if (error == ENOTDIR) {
            SetLastError(ERROR_DIRECTORY);
        } else {
            posix::SetLastErrorFromErrno(error, native.c_str());
        }
        return FALSE;
    }
    return TRUE;
}

DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) {
    if (filePart != nullptr) *filePart = nullptr;
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::string full;
    if (!posix::IsAbsoluteWindowsPath(path)) {
        if (!posix::CurrentFolder(&full)) return 0;
        full += '\\';
    }
    full += path;
    // Split into components (double-byte aware), dropping "." and empty ones and resolving "..";
    // a trailing separator stays, as Win32 keeps it.
    const bool trailing = Mbcs::EndsWith(path, '\\') || Mbcs::EndsWith(path, '/');
    std::vector<std::string> components;
    std::string current;
    for (const char* p = full.c_str();; p += Mbcs::CharLength(p)) {
        const bool end = *p == '\0';
        if (end || *p == '\\' || *p == '/') {
            if (current == "..") {
                if (!components.empty()) components.pop_back();
            } else if (!current.empty() && current != ".") {
                components.push_back(current);
            }
            if (end) break;
            current.clear();
            continue;
        }
        current.append(p, Mbcs::CharLength(p));
    }
    std::string result;
    for (const std::string& component : components) result += "\\" + component;
    if (result.empty() || trailing) result += '\\';
    const DWORD length = posix::CopyOutWin32(result, buffer, size);
    if (filePart != nullptr && length == result.size() && !Mbcs::EndsWith(result.c_str(), '\\')) {
        *filePart = buffer + (Mbcs::FindLast(buffer, '\\') - buffer) + 1;
    }
    return length;
}

// ---- the platform extras ------------------------------------------------------------------

BOOL PlatformMakeSureDirectoryPathExists(const char* path) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // In the native form every "/" is a separator; what follows the last one names a file.
    const std::string native = posix::ToNativePath(path);
    for (size_t slash = native.find('/', 1); slash != std::string::npos; slash = native.find('/', slash + 1)) {
        if (native[slash - 1] == '/') continue;
        const std::string folder = native.substr(0, slash);
        struct stat info;
        if (stat(folder.c_str(), &info) == 0) {
            if (S_ISDIR(info.st_mode)) continue;
            SetLastError(ERROR_ALREADY_EXISTS);  // a file stands where a folder should be
            return FALSE;
        }
        if (mkdir(folder.c_str(), 0777) != 0) {
            const int error = errno;
            if (error == EEXIST && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
            posix::SetLastErrorFromErrno(error, folder.c_str());
            return FALSE;
        }
    }
    return TRUE;
}

bool PlatformStat(const char* path, bool* isRegular, unsigned long long* size) {
    const std::string native = posix::ToNativePath(path);
    struct stat info;
    if (native.empty() || stat(native.c_str(), &info) != 0) {
        posix::SetLastErrorFromErrno(native.empty() ? ENOENT : errno, native.c_str());
        return false;
    }
    if (isRegular != nullptr) *isRegular = S_ISREG(info.st_mode);
    if (size != nullptr) *size = static_cast<unsigned long long>(info.st_size);
    return true;
}

namespace posix {

bool ReplaceFileNative(const std::string& from, const std::string& to, bool flush) {
    struct stat info;
    if (from.empty() || lstat(from.c_str(), &info) != 0) {
        SetLastErrorFromErrno(from.empty() ? ENOENT : errno, from.c_str());
        return false;
    }
    if (to.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    struct stat targetInfo;
    if (lstat(to.c_str(), &targetInfo) == 0) {
        if (S_ISDIR(targetInfo.st_mode) || IsReadOnlyMode(targetInfo.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (DeleteDenied(to)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return false;
        }
    }
    if (S_ISREG(info.st_mode) && DeleteDenied(from)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    // The new content must be on disk before it takes the old file's name: otherwise a crash
    // right after the rename could leave an empty file where the old one was.
    if (flush && S_ISREG(info.st_mode)) {
        const int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            SetLastErrorFromErrno(errno, from.c_str());
            return false;
        }
        const int synced = SysFsync(fd);
        const int error = errno;
        close(fd);
        if (synced != 0 && error != EINVAL) {
            SetLastErrorFromErrno(error);
            return false;
        }
    }
    if (SysRename(from.c_str(), to.c_str()) != 0) {
        SetLastErrorFromErrno(errno, to.c_str());
        return false;
    }
    if (flush) FsyncFolderOf(to);
    return true;
}

}  // namespace posix

size_t PlatformReplaceFiles(const std::vector<std::string>& sources, const std::vector<std::string>& targets) {
    const size_t count = sources.size() < targets.size() ? sources.size() : targets.size();
    if (count == 0) return 0;
    std::vector<std::string> from;
    std::vector<std::string> to;
    for (size_t i = 0; i < count; ++i) {
        from.push_back(posix::ToNativePath(sources[i].c_str()));
        to.push_back(posix::ToNativePath(targets[i].c_str()));
    }
    // syncfs(2) writes back the whole file system holding the new files in one go: their data
    // is on disk before any of them takes an old file's name. Where it fails, each is flushed.
    bool flushed = false;
    const int probe = open(from[0].c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (probe >= 0) {
        flushed = syncfs(probe) == 0;
        close(probe);
    }
    std::vector<std::string> folders;
    size_t done = 0;
    for (; done < count; ++done) {
        if (!posix::ReplaceFileNative(from[done], to[done], !flushed)) break;
        const std::string folder = posix::ParentFolder(to[done]);
        bool known = false;
        for (const std::string& f : folders) known = known || f == folder;
        if (!known) folders.push_back(folder);
    }
    if (flushed) {
        for (const std::string& folder : folders) posix::FsyncFolderOf(folder + "/x");
    }
    return done;
}

bool PlatformFreeDiskSpace(const char* folder, unsigned long long* bytes) {
    struct statvfs info;
    if (statvfs(posix::ToNativePath(folder).c_str(), &info) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return false;
    }
    *bytes = static_cast<unsigned long long>(info.f_bavail) * static_cast<unsigned long long>(info.f_frsize);
    return true;
}

BOOL PlatformReplaceFile(const char* source, const char* target) {
    return posix::ReplaceFileNative(posix::ToNativePath(source), posix::ToNativePath(target)) ? TRUE : FALSE;
}
