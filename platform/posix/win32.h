// The POSIX stand-in for the part of the Win32 API that Mirvane's portable code uses: the same
// names, types, constants and documented guarantees, implemented in platform/*_posix.cpp.
// Only what the code base needs is here; every function behaves as its Win32 namesake does
// for the arguments the code base passes (see the comments for the few deliberate limits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cwchar>

// ---- basic types --------------------------------------------------------------------------
// DWORD and LONG are "long" so that the "%lu"/"%ld" formats of the log texts match on every
// platform (on Windows they are 32-bit longs; here they are wider, which holds every value).
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned long ULONG;
typedef int INT;
typedef unsigned int UINT;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef short SHORT;
typedef unsigned short USHORT;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;
typedef BOOL* LPBOOL;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;
typedef HANDLE* LPHANDLE;
typedef struct PlatformModule* HMODULE;
typedef HMODULE HINSTANCE;
typedef struct PlatformWindow* HWND;
typedef struct PlatformMenu* HMENU;
typedef struct PlatformCursor* HCURSOR;
typedef struct PlatformResInfo* HRSRC;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef unsigned long long ULONGLONG;
typedef size_t SIZE_T;
typedef INT_PTR (*FARPROC)();
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID);

#define WINAPI
#define CALLBACK
#define APIENTRY
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INFINITE 0xFFFFFFFFul

typedef uintptr_t DWORD_PTR;
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))

// ---- errors -------------------------------------------------------------------------------
#define ERROR_SUCCESS 0ul
#define NO_ERROR 0ul
#define ERROR_INVALID_FUNCTION 1ul
#define ERROR_FILE_NOT_FOUND 2ul
#define ERROR_PATH_NOT_FOUND 3ul
#define ERROR_TOO_MANY_OPEN_FILES 4ul
#define ERROR_ACCESS_DENIED 5ul
#define ERROR_INVALID_HANDLE 6ul
#define ERROR_NOT_ENOUGH_MEMORY 8ul
#define ERROR_OUTOFMEMORY 14ul
#define ERROR_NOT_SAME_DEVICE 17ul
#define ERROR_NO_MORE_FILES 18ul
#define ERROR_WRITE_FAULT 29ul
#define ERROR_READ_FAULT 30ul
#define ERROR_GEN_FAILURE 31ul
#define ERROR_SHARING_VIOLATION 32ul
#define ERROR_LOCK_VIOLATION 33ul
#define ERROR_HANDLE_EOF 38ul
#define ERROR_NOT_SUPPORTED 50ul
#define ERROR_FILE_EXISTS 80ul
#define ERROR_INVALID_PARAMETER 87ul
#define ERROR_BROKEN_PIPE 109ul
#define ERROR_DISK_FULL 112ul
#define ERROR_INSUFFICIENT_BUFFER 122ul
#define ERROR_INVALID_NAME 123ul
#define ERROR_MOD_NOT_FOUND 126ul
#define ERROR_PROC_NOT_FOUND 127ul
#define ERROR_NEGATIVE_SEEK 131ul
#define ERROR_DIR_NOT_EMPTY 145ul
#define ERROR_BAD_EXE_FORMAT 193ul
#define ERROR_FILE_TOO_LARGE 223ul
#define ERROR_ENVVAR_NOT_FOUND 203ul
#define ERROR_FILENAME_EXCED_RANGE 206ul
#define ERROR_NO_DATA 232ul
#define ERROR_DIRECTORY 267ul
#define ERROR_MORE_DATA 234ul
#define ERROR_ALREADY_EXISTS 183ul
#define ERROR_OPERATION_ABORTED 995ul
#define ERROR_DLL_INIT_FAILED 1114ul
#define ERROR_NO_UNICODE_TRANSLATION 1113ul
#define ERROR_INVALID_WINDOW_HANDLE 1400ul
#define ERROR_INVALID_MENU_HANDLE 1401ul
#define ERROR_MENU_ITEM_NOT_FOUND 1456ul
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812ul
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813ul
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814ul
#define ERROR_TIMEOUT 1460ul

DWORD GetLastError();
void SetLastError(DWORD code);

// ---- time ---------------------------------------------------------------------------------
typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *LPFILETIME;

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;

void GetLocalTime(LPSYSTEMTIME time);
void GetSystemTime(LPSYSTEMTIME time);
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);

// ---- handles and files --------------------------------------------------------------------
typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;  // never used; always pass null

#define GENERIC_READ 0x80000000ul
#define GENERIC_WRITE 0x40000000ul
#define FILE_SHARE_READ 0x1ul
#define FILE_SHARE_WRITE 0x2ul
#define FILE_SHARE_DELETE 0x4ul
#define CREATE_NEW 1ul
#define CREATE_ALWAYS 2ul
#define OPEN_EXISTING 3ul
#define OPEN_ALWAYS 4ul
#define TRUNCATE_EXISTING 5ul
#define FILE_ATTRIBUTE_READONLY 0x1ul
#define FILE_ATTRIBUTE_HIDDEN 0x2ul
#define FILE_ATTRIBUTE_DIRECTORY 0x10ul
#define FILE_ATTRIBUTE_ARCHIVE 0x20ul
#define FILE_ATTRIBUTE_NORMAL 0x80ul
#define INVALID_FILE_ATTRIBUTES ((DWORD)0xFFFFFFFFul)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFFul)
#define INVALID_SET_FILE_POINTER ((DWORD)0xFFFFFFFFul)
#define FILE_BEGIN 0ul
#define FILE_CURRENT 1ul
#define FILE_END 2ul
#define MOVEFILE_REPLACE_EXISTING 0x1ul
#define MOVEFILE_COPY_ALLOWED 0x2ul
#define MOVEFILE_WRITE_THROUGH 0x8ul

typedef enum _GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard } GET_FILEEX_INFO_LEVELS;

typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA, *LPWIN32_FILE_ATTRIBUTE_DATA;

typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

// Handles: files, pipe ends, standard streams, listings, processes, threads and events share
// one handle table; a handle value is never reused, and INVALID_HANDLE_VALUE (which is also
// the current-process pseudo handle) is distinct from null. Every failing call sets the
// thread's last error to the Win32 code.
//
// Sharing follows Win32 within the process and across processes that use this layer: a file
// opened with share mode 0 makes every other CreateFileA on it fail with
// ERROR_SHARING_VIOLATION until it is closed (advisory locks on the POSIX side), and a file
// held open without FILE_SHARE_DELETE cannot be deleted, moved or replaced meanwhile. A file
// without the owner's write permission is read-only as on Windows (writers and deletion are
// refused, also for the super-user).
//
// ReadFile on a pipe returns what is there (waiting for the first byte) and, once every writer
// has gone and the pipe is empty, FALSE with ERROR_BROKEN_PIPE. WriteFile to a pipe writes
// everything; when the reader has gone it fails with ERROR_NO_DATA, and the process is never
// ended by SIGPIPE (the signal is blocked and consumed for the call only; the process-wide
// disposition is left alone).
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write);
// Closing a handle that GetStdHandle returned leaves the standard stream open (and the handle
// usable); copies made with DuplicateHandle close normally.
BOOL CloseHandle(HANDLE handle);
BOOL DeleteFileA(LPCSTR path);
BOOL MoveFileA(LPCSTR from, LPCSTR to);
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists);
DWORD GetFileAttributesA(LPCSTR path);
// Only FILE_ATTRIBUTE_READONLY has an effect here (the owner's write permission).
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
BOOL GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryA(LPCSTR path);
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);
// The folder queries follow the Win32 return convention: the length without the NUL when it
// fits, else the size needed with the NUL. A path is absolute when it starts with a backslash
// (or "/"); there are no drive letters on POSIX. GetTempPathA is TMPDIR (else /tmp), ending
// with a backslash.
DWORD GetTempPathA(DWORD size, LPSTR buffer);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);
DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart);

// ---- environment and modules --------------------------------------------------------------
// "PATH" is translated at the boundary: read as ";"-separated Windows-style folders, written
// back as ":"-separated POSIX folders. Other variables pass through unchanged.
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value);

// LoadLibraryA runs the library's DllMain (when it exports one) with DLL_PROCESS_ATTACH and
// unloads it again when that returns FALSE, as the Windows loader does; FreeLibrary runs it
// with DLL_PROCESS_DETACH before the library goes. GetModuleHandleA(nullptr) is the main
// program; GetProcAddress resolves exported names.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
HMODULE LoadLibraryA(LPCSTR path);
BOOL FreeLibrary(HMODULE module);
HMODULE GetModuleHandleA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// ---- synchronisation and threads ----------------------------------------------------------
// A critical section is re-entrant for the thread that holds it, as on Windows.
typedef struct _CRITICAL_SECTION {
    void* impl;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);

#define WAIT_OBJECT_0 0ul
#define WAIT_ABANDONED 0x80ul
#define WAIT_TIMEOUT 0x102ul
#define WAIT_FAILED 0xFFFFFFFFul
#define STILL_ACTIVE 259ul

HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);
// Ends the thread at its next blocking call of this layer (ReadFile or WriteFile on a pipe or
// a stream, Sleep; a pending pipe write included), unwinding its stack; its exit code becomes
// exitCode. Asynchronous as on Windows: wait on the handle to see the thread end.
BOOL TerminateThread(HANDLE thread, DWORD exitCode);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
DWORD GetCurrentThreadId();
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Works on threads, processes (and their primary-thread handles) and events: WAIT_OBJECT_0 when
// it has ended (is set; an auto-reset event is reset by the wait that takes it), WAIT_TIMEOUT
// after the time-out, WAIT_FAILED (with ERROR_INVALID_HANDLE) for anything else, files and
// pipes included. Waiting on a process reaps only that child and does not spin.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// ---- processes and pipes ------------------------------------------------------------------
typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

#define STARTF_USESTDHANDLES 0x100ul
#define STD_INPUT_HANDLE ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)
#define DUPLICATE_CLOSE_SOURCE 0x1ul
#define DUPLICATE_SAME_ACCESS 0x2ul
#define CREATE_NEW_CONSOLE 0x10ul
#define CREATE_NEW_PROCESS_GROUP 0x200ul
#define CREATE_DEFAULT_ERROR_MODE 0x4000000ul
#define CREATE_NO_WINDOW 0x8000000ul

BOOL CreatePipe(LPHANDLE readPipe, LPHANDLE writePipe, LPSECURITY_ATTRIBUTES security, DWORD size);
BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, LPHANDLE target,
                     DWORD access, BOOL inherit, DWORD options);
HANDLE GetCurrentProcess();
HANDLE GetStdHandle(DWORD which);
// The program is the first word of commandLine (quoted or not); the words are split by the
// Windows rules (quotes, backslashes before quotes) and reach the child in UTF-8. Words that
// start with a backslash are Windows-style absolute paths and are converted for the child, so
// are applicationName, currentDirectory and "PATH" in an environment block. A program without
// a folder is looked up in PATH. With STARTF_USESTDHANDLES the child gets the three given
// handles (a null or invalid one leaves that stream closed); with inheritHandles only the
// handles marked inheritable reach the child, at their own descriptors. Creation flags have
// no effect here. Failure to start the program (missing: ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND, not executable: ERROR_ACCESS_DENIED, not a program:
// ERROR_BAD_EXE_FORMAT, bad current folder: ERROR_DIRECTORY) is reported here, as on Windows.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                    LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD flags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startup,
                    LPPROCESS_INFORMATION info);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
// A child ended by a signal reports 0xC0000000 | the signal number, as a crashed Windows
// process reports an NTSTATUS code.
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
// The bytes waiting in a pipe, without consuming them (copied into buffer when one is given);
// FALSE with ERROR_BROKEN_PIPE when it is empty and every writer has gone, as on Windows.
BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, LPDWORD read, LPDWORD available, LPDWORD left);

// ---- INI profile functions ----------------------------------------------------------------
// Win32 semantics: sections and keys match case-insensitively; values are trimmed of blanks
// and one pair of enclosing quotes; a missing key gives the default (trailing blanks
// removed); the result is cut to size - 1 characters; lines starting with ";" are comments.
// Writing keeps every other section, key and comment line, creates the file and section when
// missing, and replaces the file in one step. A null value deletes the key, a null key the
// section.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR path);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR path);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR path);

// ---- strings ------------------------------------------------------------------------------
// Byte comparisons here (lstrcmpiA folds ASCII letters and CP932's full-width letters), where
// Windows compares linguistically: digits, dots and letters of one case order the same way.
int lstrcmpA(LPCSTR a, LPCSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);
int lstrlenA(LPCSTR text);

// ---- resources and versions ---------------------------------------------------------------
// A module's string table and version resource are exported data on the POSIX side
// ("PlatformStringTable", "PlatformVersionResource", ...: platform/posix/resource_tables.h),
// generated at build time from the same .rc source that the Windows resource compiler reads.
// The version functions find the module by its file: a loaded module (the main program
// included), else the file is loaded for the query without running its DllMain (its static
// initialisers do run, as the dynamic loader runs them). A module
// without the data has no version resource. LoadStringA copies at most size - 1 bytes (never
// half a double-byte character), terminates, and returns the count (0 for an absent id).
//
// A module's fixed version record, as "\\" of VerQueryValueA returns it (file and product
// version both from PlatformFileVersion).
typedef struct tagVS_FIXEDFILEINFO {
    DWORD dwSignature;  // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);
DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* len);
// 1041 (Japanese) unless the environment variable MIRVANE_UI_LANGUAGE (resp. MIRVANE_LANG_ID)
// holds another number (decimal, or hexadecimal with "0x"); tests use them to pick a language.
WORD GetUserDefaultUILanguage();
WORD GetUserDefaultLangID();

// ---- user interface -----------------------------------------------------------------------
// Linux has no window system for the plug-in: message boxes print to the console and are
// answered by the hook the host program registered (see platform/posix/ui_hooks.h),
// otherwise with the default button. Windows, cursors and the message queue are inert.
#define MB_OK 0x0ul
#define MB_OKCANCEL 0x1ul
#define MB_YESNOCANCEL 0x3ul
#define MB_YESNO 0x4ul
#define MB_ICONERROR 0x10ul
#define MB_ICONHAND 0x10ul
#define MB_ICONQUESTION 0x20ul
#define MB_ICONWARNING 0x30ul
#define MB_ICONINFORMATION 0x40ul
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
#define IDC_WAIT ((LPCSTR)(uintptr_t)32514)
#define IDC_ARROW ((LPCSTR)(uintptr_t)32512)
HCURSOR LoadCursorA(HINSTANCE module, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;
typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;
#define PM_NOREMOVE 0x0u
#define PM_REMOVE 0x1u
#define WM_QUIT 0x0012u
BOOL PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);

// Menus: a real in-memory model, so that the host program can build, show and walk the
// context menu on Linux too.
#define MF_BYCOMMAND 0x0ul
#define MF_STRING 0x0ul
#define MF_ENABLED 0x0ul
#define MF_GRAYED 0x1ul
#define MF_DISABLED 0x2ul
#define MF_UNCHECKED 0x0ul
#define MF_CHECKED 0x8ul
#define MF_POPUP 0x10ul
#define MF_SEPARATOR 0x800ul
#define MF_BYPOSITION 0x400ul
HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);  // 0xFFFFFFFF for a popup or no item
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);  // MF_SEPARATOR, MF_POPUP, MF_GRAYED bits
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
