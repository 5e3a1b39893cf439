// The host's plug-in functions (BKA_...): their signatures, and g_hostApi, the table of their
// addresses that HostApi::Load resolves by name in the host program once, at load.
#pragma once

#include "platform/platform.h"

// Callbacks the plug-in hands to the host.
typedef void(CALLBACK* BkCommandCallback)(HWND window, LPARAM lParam);
typedef UINT(CALLBACK* BkUICallback)(HWND window, LPARAM lParam);

// Signatures of the host functions, in the order of the table.
typedef LPCSTR(WINAPI* PFN_BKA_GetVersion)();
typedef void(WINAPI* PFN_BKA_Command)(HWND window, LPCSTR command);
typedef BOOL(WINAPI* PFN_BKA_GetWindowHandles)(HWND* main, HWND* tree, HWND* list, HWND* view);
typedef UINT(WINAPI* PFN_BKA_RegisterCommand)(LPCSTR text, int target, BkCommandCallback callback);
typedef UINT(WINAPI* PFN_BKA_RegisterUICallback)(UINT command, BkUICallback callback);
typedef LPCSTR(WINAPI* PFN_BKA_GetDataFolder)();
typedef LPCSTR(WINAPI* PFN_BKA_GetTempFolder)();
typedef LPSTR(WINAPI* PFN_BKA_GetTempFileName)(LPSTR type);
typedef LPCSTR(WINAPI* PFN_BKA_GetCurrentMailBox)();
typedef void(WINAPI* PFN_BKA_SetCurrentMailBox)(LPCSTR mailbox);
typedef LPCSTR(WINAPI* PFN_BKA_GetCurrentFolder)();
typedef void(WINAPI* PFN_BKA_SetCurrentFolder)(LPCSTR folder);
typedef LPCSTR(WINAPI* PFN_BKA_GetFolderDisplayName)(LPCSTR folder);
typedef void(WINAPI* PFN_BKA_SetMessageText)(HWND window, LPCSTR text);
typedef LPCSTR(WINAPI* PFN_BKA_GetCurrentMail)();
typedef void(WINAPI* PFN_BKA_SetCurrentMail)(LPCSTR mail);
typedef int(WINAPI* PFN_BKA_GetNextMail)(int start, LPSTR id, int size, BOOL selected);
typedef void(WINAPI* PFN_BKA_SetSel)(LPCSTR id, BOOL select);
typedef BOOL(WINAPI* PFN_BKA_AppendMessage)(LPCSTR folder, LPCSTR data);
typedef BOOL(WINAPI* PFN_BKA_MoveMessages)(LPCSTR folder, LPCSTR ids, BOOL copy);
typedef BOOL(WINAPI* PFN_BKA_MoveSelectedMessages)(LPCSTR folder, BOOL copy);
typedef DWORD(WINAPI* PFN_BKA_GetStatus)(LPCSTR id);
typedef DWORD(WINAPI* PFN_BKA_SetStatus)(LPCSTR id, DWORD set, DWORD reset);
typedef HWND(WINAPI* PFN_BKA_ComposeMail)(LPCSTR url);
typedef int(WINAPI* PFN_BKA_GetCharSet)(LPCSTR id, LPSTR charset, int size);
typedef LPSTR(WINAPI* PFN_BKA_GetSource)(LPCSTR id);
typedef void(WINAPI* PFN_BKA_SetSource)(LPCSTR id, LPCSTR source);
typedef int(WINAPI* PFN_BKA_GetSize)(LPCSTR id);
typedef LPSTR(WINAPI* PFN_BKA_GetHeader)(LPCSTR id);
typedef LPSTR(WINAPI* PFN_BKA_GetText)(LPSTR mimeType, int size);
typedef int(WINAPI* PFN_BKA_SetText)(int mode, LPCSTR text);
typedef void(WINAPI* PFN_BKA_GetSpecifiedHeader)(LPCSTR header, LPSTR value, int size);
typedef void(WINAPI* PFN_BKA_SetSpecifiedHeader)(LPCSTR header, LPCSTR value);
typedef int(WINAPI* PFN_BKA_CompGetCharSet)(HWND window, LPSTR charset, int size);
typedef LPSTR(WINAPI* PFN_BKA_CompGetSource)(HWND window);
typedef void(WINAPI* PFN_BKA_CompSetSource)(HWND window, LPCSTR source);
typedef LPSTR(WINAPI* PFN_BKA_CompGetHeader)(HWND window);
typedef void(WINAPI* PFN_BKA_CompGetSpecifiedHeader)(HWND window, LPCSTR header, LPSTR value, int size);
typedef void(WINAPI* PFN_BKA_CompSetSpecifiedHeader)(HWND window, LPCSTR header, LPCSTR value);
typedef LPSTR(WINAPI* PFN_BKA_CompGetText)(HWND window, LPSTR mimeType, int size);
typedef void(WINAPI* PFN_BKA_CompSetText)(HWND window, int mode, LPCSTR text);
typedef void(WINAPI* PFN_BKA_CompAttachFile)(HWND window, LPCSTR path, LPCSTR mimeType);
typedef LPVOID(WINAPI* PFN_BKA_Alloc)(int size);
typedef LPVOID(WINAPI* PFN_BKA_ReAlloc)(LPVOID memory, int size);
typedef void(WINAPI* PFN_BKA_Free)(LPVOID memory);
typedef int(WINAPI* PFN_BKA_Convert)(LPCSTR in, LPSTR out, BOOL encode);  // ISO_2022_JP .. UTF_8
typedef int(WINAPI* PFN_BKA_B64Convert)(LPCSTR out, LPCSTR in, BOOL encode);
typedef int(WINAPI* PFN_BKA_QPConvert)(LPCSTR out, LPCSTR in, BOOL encode);
typedef LPSTR(WINAPI* PFN_BKA_MIMEHeader)(LPCSTR in, LPSTR charset, int size, BOOL encode);
typedef LPSTR(WINAPI* PFN_BKA_SerializeRcpts)(LPCSTR in);
typedef int(WINAPI* PFN_BKA_Connect)(BOOL connect);
typedef BOOL(WINAPI* PFN_BKA_NextUnread)(BOOL backScroll, BOOL goNext);
typedef int(WINAPI* PFN_BKA_ProcessMail)(LPCSTR id, int flags);

// One address per host function, in the order the host documents them, then the host module.
struct HostApi {
    PFN_BKA_GetVersion GetVersion;
    PFN_BKA_Command Command;
    PFN_BKA_GetWindowHandles GetWindowHandles;
    PFN_BKA_RegisterCommand RegisterCommand;
    PFN_BKA_RegisterUICallback RegisterUICallback;
    PFN_BKA_GetDataFolder GetDataFolder;
    PFN_BKA_GetTempFolder GetTempFolder;
    PFN_BKA_GetTempFileName GetTempFileName;
    PFN_BKA_GetCurrentMailBox GetCurrentMailBox;
    PFN_BKA_SetCurrentMailBox SetCurrentMailBox;
    PFN_BKA_GetCurrentFolder GetCurrentFolder;
    PFN_BKA_SetCurrentFolder SetCurrentFolder;
    PFN_BKA_GetFolderDisplayName GetFolderDisplayName;
    PFN_BKA_SetMessageText SetMessageText;
    PFN_BKA_GetCurrentMail GetCurrentMail;
    PFN_BKA_SetCurrentMail SetCurrentMail;
    PFN_BKA_GetNextMail GetNextMail;
    PFN_BKA_SetSel SetSel;
    PFN_BKA_AppendMessage AppendMessage;
    PFN_BKA_MoveMessages MoveMessages;
    PFN_BKA_MoveSelectedMessages MoveSelectedMessages;
    PFN_BKA_GetStatus GetStatus;
    PFN_BKA_SetStatus SetStatus;
    PFN_BKA_ComposeMail ComposeMail;
    PFN_BKA_GetCharSet GetCharSet;
    PFN_BKA_GetSource GetSource;
    PFN_BKA_SetSource SetSource;
    PFN_BKA_GetSize GetSize;
    PFN_BKA_GetHeader GetHeader;
    PFN_BKA_GetText GetText;
    PFN_BKA_SetText SetText;
    PFN_BKA_GetSpecifiedHeader GetSpecifiedHeader;
    PFN_BKA_SetSpecifiedHeader SetSpecifiedHeader;
    PFN_BKA_CompGetCharSet CompGetCharSet;
    PFN_BKA_CompGetSource CompGetSource;
    PFN_BKA_CompSetSource CompSetSource;
    PFN_BKA_CompGetHeader CompGetHeader;
    PFN_BKA_CompGetSpecifiedHeader CompGetSpecifiedHeader;
    PFN_BKA_CompSetSpecifiedHeader CompSetSpecifiedHeader;
    PFN_BKA_CompGetText CompGetText;
    PFN_BKA_CompSetText CompSetText;
    PFN_BKA_CompAttachFile CompAttachFile;
    PFN_BKA_Alloc Alloc;
    PFN_BKA_ReAlloc ReAlloc;
    PFN_BKA_Free Free;
    PFN_BKA_Convert ISO_2022_JP;
    PFN_BKA_Convert ISO_2022_KR;
    PFN_BKA_Convert HZ_GB2312;
    PFN_BKA_Convert ISO_8859_2;
    PFN_BKA_Convert EUC_JP;
    PFN_BKA_Convert UTF_7;
    PFN_BKA_Convert UTF_8;
    PFN_BKA_B64Convert B64Convert;
    PFN_BKA_QPConvert QPConvert;
    PFN_BKA_MIMEHeader MIMEHeader;
    PFN_BKA_SerializeRcpts SerializeRcpts;
    PFN_BKA_Connect Connect;
    PFN_BKA_NextUnread NextUnread;
    PFN_BKA_ProcessMail ProcessMail;
    HMODULE module;  // null: not loaded

    // Resolves every function in the host program. Refuses (false, module cleared) when a
    // required one is missing or the host is too old for the plug-in.
    bool Load();

    // The same with a given module and symbol lookup (Load uses the main program and
    // GetProcAddress); a module already set answers true at once.
    typedef FARPROC (*Resolver)(HMODULE module, const char* symbol);
    bool LoadFrom(HMODULE hostModule, Resolver resolve);
};

extern HostApi g_hostApi;

// The names, in table order, without their "BKA_" prefix. Used by Load and by the host
// simulator that provides them.
extern const char* const kHostApiNames[];
extern const size_t kHostApiNameCount;
