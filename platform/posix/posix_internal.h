// Private to the POSIX side of the platform layer (platform/*_posix.cpp); nothing outside the
// platform folder includes it. Holds what the implementation files share: the translation of
// errno into Win32 error codes, text and path conversion at the OS boundary, the handle
// objects with their table, and the system-call wrappers that the fault-injection seam
// (fault_injection.h) can make fail.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace posix {

// ---- errors -----------------------------------------------------------------------------
// The one translation from errno to a Win32 error code. With nativePath, ENOENT is refined as
// Win32 does: ERROR_PATH_NOT_FOUND when the folder that should hold the entry is missing,
// ERROR_FILE_NOT_FOUND when only the entry itself is.
DWORD Win32ErrorFromErrno(int error, const char* nativePath = nullptr);
// SetLastError(Win32ErrorFromErrno(error, nativePath)).
void SetLastErrorFromErrno(int error, const char* nativePath = nullptr);

// ---- system calls -----------------------------------------------------------------------
// The calls a test can make fail (fault_injection.h). Each returns what the system call does
// and sets errno; an injected fault returns -1 with the chosen errno without calling it.
int SysOpen(const char* path, int flags, mode_t mode = 0);
ssize_t SysWrite(int fd, const void* data, size_t length);
int SysFsync(int fd);
int SysRename(const char* from, const char* to);
int SysFtruncate(int fd, off_t length);

// ---- text and paths ---------------------------------------------------------------------
// CP932 -> UTF-8. Bytes that are not valid CP932 are kept as they are, so a name that came in
// as raw bytes goes back out unchanged.
std::string Cp932ToUtf8(const char* text, size_t length);
// UTF-8 -> CP932. A valid character that CP932 lacks becomes '?'; bytes that are not valid
// UTF-8 are kept as they are (keepRaw) or become '?'.
std::string Utf8ToCp932(const char* text, size_t length, bool keepRaw);
// A Windows-style path (CP932, "\" separators; "/" works too) as the OS wants it: UTF-8 with
// "/". A backslash that is the second byte of a double-byte character is left alone.
std::string ToNativePath(const char* path);
// A native path handed back to the caller: CP932 with "\" separators.
std::string FromNativePath(const std::string& path);
// text folded for case-insensitive comparisons, character by character: ASCII capitals to
// small letters (so "_" sorts before letters, as in Win32), the double-byte letters of CP932
// to capitals. Compare folded texts bytewise.
std::string FoldCase(const char* text);
// Whether a Windows-style path starts at the root ("\..." or "/...").
bool IsAbsoluteWindowsPath(const char* path);

// Copies text into a caller's buffer with the Win32 convention of GetCurrentDirectoryA and
// friends: when it fits (size > length) it is copied with its NUL and the length returned;
// otherwise nothing is copied and the size needed (length + 1) is returned.
DWORD CopyOutWin32(const std::string& text, LPSTR buffer, DWORD size);

// ---- handles ----------------------------------------------------------------------------
enum class HandleKind { File, Pipe, Std, Find, Process, ProcessThread, Thread, Event, Job };

// One open object behind a HANDLE. The table holds a shared reference per handle value; a
// call in progress holds its own, so closing a handle while another thread is blocked in a
// call on it never frees the object under that call (the file descriptor closes when the last
// reference goes).
class HandleObject {
public:
    explicit HandleObject(HandleKind kind) : m_kind(kind) {}
    virtual ~HandleObject() = default;
    HandleObject(const HandleObject&) = delete;
    HandleObject& operator=(const HandleObject&) = delete;

    HandleKind Kind() const { return m_kind; }
    // The descriptor of file-like objects, -1 for the others.
    virtual int Fd() const { return -1; }
    // A new object for DuplicateHandle (null with the last error set when it cannot be).
    virtual std::shared_ptr<HandleObject> Duplicate() = 0;
    // WaitForSingleObject: the kinds that can be waited on (threads, processes, events)
    // override it; the others fail with ERROR_INVALID_HANDLE, as on Windows.
    virtual DWORD Wait(DWORD milliseconds);

private:
    HandleKind m_kind;
};

// A file, pipe end or standard stream: an open descriptor, close-on-exec from the start
// (inheritance is decided per process creation, see CreateProcessA). Files are FileObjects
// (files_posix.cpp), the only objects of kind File.
class FdObject : public HandleObject {
public:
    FdObject(HandleKind kind, int fd, bool isPipe, bool ownsFd = true);
    ~FdObject() override;
    int Fd() const override { return m_fd; }
    // Pipes (and sockets) read what is there and report a vanished peer as ERROR_BROKEN_PIPE.
    bool IsPipe() const;
    bool OwnsFd() const { return m_ownsFd; }
    std::shared_ptr<HandleObject> Duplicate() override;

private:
    int m_fd;
    bool m_isPipe;
    bool m_ownsFd;
};

// Enters an object into the table; the handle value is new (never reused).
HANDLE RegisterHandle(std::shared_ptr<HandleObject> object, bool inheritable);
// The object behind handle, or null with ERROR_INVALID_HANDLE.
std::shared_ptr<HandleObject> LookupHandle(HANDLE handle);
// The same for the file-like kinds only (files, pipes, standard streams).
std::shared_ptr<FdObject> LookupFd(HANDLE handle);
// Takes a handle out of the table; null with ERROR_INVALID_HANDLE when it is not in it.
std::shared_ptr<HandleObject> UnregisterHandle(HANDLE handle);
bool SetHandleInheritable(HANDLE handle, bool inheritable);

// For process creation: locks the handle table (so that no descriptor is closed or reused
// meanwhile) and lists the descriptors of the inheritable handles.
class InheritableFds {
public:
    InheritableFds();
    ~InheritableFds();
    InheritableFds(const InheritableFds&) = delete;
    InheritableFds& operator=(const InheritableFds&) = delete;
    const std::vector<int>& Fds() const { return m_fds; }

private:
    std::vector<int> m_fds;
};

// Writes to a descriptor with SIGPIPE held back for this call only (blocked in this thread,
// and consumed if the write raised it), so a reader that has gone turns into EPIPE instead of
// ending the process. Returns what write(2) returns.
ssize_t WriteNoSigpipe(int fd, const void* data, size_t length);

// Makes the calling thread cancellable for the span of one blocking call when it was started
// by CreateThread, so that TerminateThread ends it there (see threads in sync_posix.cpp).
class CancellationPoint {
public:
    CancellationPoint();
    ~CancellationPoint();
    CancellationPoint(const CancellationPoint&) = delete;
    CancellationPoint& operator=(const CancellationPoint&) = delete;

private:
    bool m_enabled;
    int m_previous;
};

// ---- files, environment, modules --------------------------------------------------------
// CreateFileA without the handle table: the open file, or null with the last error set
// (ERROR_ALREADY_EXISTS when OPEN_ALWAYS or CREATE_ALWAYS found the file). createMode, when
// not 0, gives the permissions of a file that is created.
std::shared_ptr<FdObject> OpenFile(const char* path, DWORD access, DWORD shareMode, DWORD disposition,
                                   DWORD attributes, mode_t createMode = 0);
// Byte offset of the advisory lock that serialises writers of one INI file across processes.
constexpr off_t kIniWriterLock = 0x7FFFFFFF00000010LL;
// Attribute data of a file from its status (dirFd/path as for statx: the creation time is read
// from the file system where it records one).
void FillAttributeData(int dirFd, const char* path, const struct stat& info, const std::string& name,
                       WIN32_FILE_ATTRIBUTE_DATA* data);
// PlatformReplaceFile on native paths. flush false leaves the flushes of the new file and of
// its folder to the caller (PlatformReplaceFiles flushes many at once).
bool ReplaceFileNative(const std::string& from, const std::string& to, bool flush = true);
// A copy of the environment ("NAME=value" strings) taken under the lock that
// SetEnvironmentVariableA holds, for a child process.
std::vector<std::string> EnvironmentSnapshot();
// The main program's module handle (dlopen(nullptr)).
HMODULE MainProgramModule();
// Whether module is a loaded object of the process (so that it may be inspected).
bool IsLoadedModule(HMODULE module);
// The address of the data or function name that module itself defines (not one found in a
// library it depends on), or null. size receives the symbol's size in bytes when known.
void* FindOwnSymbol(HMODULE module, const char* name, size_t* size = nullptr);
// The absolute native file name of a loaded module, empty when unknown.
std::string ModuleNativePath(HMODULE module);

// ---- time -------------------------------------------------------------------------------
// 100-ns intervals since 1601-01-01 from seconds and nanoseconds since 1970-01-01.
FILETIME FileTimeFromUnix(long long seconds, long nanoseconds);
void UnixFromFileTime(const FILETIME& time, long long* seconds, long* nanoseconds);

}  // namespace posix
