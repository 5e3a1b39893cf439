// The plug-in's exported host events (BKC_...): signatures shared by the plug-in and the host
// simulator that calls them, and the host's plug-in information record.
#pragma once

#include "platform/platform.h"

// What BKC_OnPlugInInfo fills: four NUL-terminated fields.
struct BKPLUGININFO {
    char szPlugInName[80];
    char szVendor[80];
    char szVersion[80];
    char szDescription[256];
};
typedef BKPLUGININFO* LPBKPLUGININFO;

#ifdef _WIN32
#define MIRVANE_EXPORT
#else
#define MIRVANE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
MIRVANE_EXPORT int WINAPI BKC_OnStart();
MIRVANE_EXPORT int WINAPI BKC_OnExit();
MIRVANE_EXPORT int WINAPI BKC_OnEveryMinute();
MIRVANE_EXPORT int WINAPI BKC_OnOpenFolder(LPCSTR folder);
MIRVANE_EXPORT int WINAPI BKC_OnOpenMail(LPCSTR mail);
MIRVANE_EXPORT int WINAPI BKC_OnFinishRetrieve(int count);
MIRVANE_EXPORT int WINAPI BKC_OnOpenCompose(HWND window, int mode);
MIRVANE_EXPORT int WINAPI BKC_OnOutgoing(HWND window, int mode);
MIRVANE_EXPORT int WINAPI BKC_OnRetrieve(LPCSTR message, LPCSTR mailbox);
MIRVANE_EXPORT int WINAPI BKC_OnKeyDispatch(HWND window, int key, int shift);
MIRVANE_EXPORT int WINAPI BKC_OnDragDrop(LPCSTR target, LPCSTR source, int count, int effect);
MIRVANE_EXPORT int WINAPI BKC_OnSend(LPCSTR message);
MIRVANE_EXPORT int WINAPI BKC_OnPlugInInfo(LPBKPLUGININFO info);
MIRVANE_EXPORT int WINAPI BKC_OnBeforeFilter2(LPCSTR message, LPCSTR mailbox, int* action, char** param);
MIRVANE_EXPORT int WINAPI BKC_OnMenuInit(HWND window, HMENU menu, int type);
MIRVANE_EXPORT int WINAPI BKC_OnPlugInSetup(HWND window);
}

// Function-pointer types, for the host that resolves them.
typedef int(WINAPI* PFN_BKC_OnSend)(LPCSTR);
typedef int(WINAPI* PFN_BKC_OnPlugInInfo)(LPBKPLUGININFO);
typedef int(WINAPI* PFN_BKC_OnBeforeFilter2)(LPCSTR, LPCSTR, int*, char**);
typedef int(WINAPI* PFN_BKC_OnMenuInit)(HWND, HMENU, int);
typedef int(WINAPI* PFN_BKC_OnPlugInSetup)(HWND);
