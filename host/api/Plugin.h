// The plug-in as the host sees it: a library loaded with LoadLibraryA (its DllMain runs, on
// Linux through the platform layer) and the BKC_ events it exports, called with the host's
// calling convention.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/Exports.h"

// The host's plug-in information record that BKC_OnPlugInInfo fills.
typedef BKPLUGININFO PluginInfoRecord;

typedef int(WINAPI* PFN_BKC_NoArgs)();
typedef int(WINAPI* PFN_BKC_OneText)(LPCSTR text);
typedef int(WINAPI* PFN_BKC_OneInt)(int value);
typedef int(WINAPI* PFN_BKC_WindowInt)(HWND window, int value);
typedef int(WINAPI* PFN_BKC_OnRetrieve)(LPCSTR message, LPCSTR mailId);
typedef int(WINAPI* PFN_BKC_OnKeyDispatch)(HWND window, int key, int shift);
typedef int(WINAPI* PFN_BKC_OnDragDrop)(LPCSTR target, LPCSTR source, int count, int effect);
typedef int(WINAPI* PFN_BKC_OnPlugInInfo)(PluginInfoRecord* info);
typedef int(WINAPI* PFN_BKC_OnBeforeFilter2)(LPCSTR message, LPCSTR mailbox, int* action, char** param);
typedef int(WINAPI* PFN_BKC_OnMenuInit)(HWND window, HMENU menu, int type);
typedef int(WINAPI* PFN_BKC_OnPlugInSetup)(HWND window);

class Plugin {
public:
    // Loads the library. False when it cannot be loaded or its DllMain refused; error gets the
    // system's error code.
    bool Load(const std::string& path, DWORD* error);
    void Unload();
    bool Loaded() const { return m_module != nullptr; }
    const std::string& Path() const { return m_path; }
    // Events the library does not export.
    const std::vector<std::string>& Missing() const { return m_missing; }

    PFN_BKC_NoArgs OnStart = nullptr;
    PFN_BKC_NoArgs OnExit = nullptr;
    PFN_BKC_NoArgs OnEveryMinute = nullptr;
    PFN_BKC_OneText OnOpenFolder = nullptr;
    PFN_BKC_OneText OnOpenMail = nullptr;
    PFN_BKC_OneInt OnFinishRetrieve = nullptr;
    PFN_BKC_WindowInt OnOpenCompose = nullptr;
    PFN_BKC_WindowInt OnOutgoing = nullptr;
    PFN_BKC_OnRetrieve OnRetrieve = nullptr;
    PFN_BKC_OnKeyDispatch OnKeyDispatch = nullptr;
    PFN_BKC_OnDragDrop OnDragDrop = nullptr;
    PFN_BKC_OneText OnSend = nullptr;
    PFN_BKC_OnPlugInInfo OnPlugInInfo = nullptr;
    PFN_BKC_OnBeforeFilter2 OnBeforeFilter2 = nullptr;
    PFN_BKC_OnMenuInit OnMenuInit = nullptr;
    PFN_BKC_OnPlugInSetup OnPlugInSetup = nullptr;

private:
    template <typename T>
    void Resolve(T* slot, const char* name);

    HMODULE m_module = nullptr;
    std::string m_path;
    std::vector<std::string> m_missing;
};
