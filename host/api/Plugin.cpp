// Loading the plug-in and resolving its events; see Plugin.h.
#include "host/api/Plugin.h"

template <typename T>
void Plugin::Resolve(T* slot, const char* name) {
    FARPROC address = GetProcAddress(m_module, name);
    *slot = reinterpret_cast<T>(reinterpret_cast<void*>(address));
    if (address == nullptr) m_missing.push_back(name);
}

bool Plugin::Load(const std::string& path, DWORD* error) {
    m_path = path;
    m_missing.clear();
    SetLastError(0);
    m_module = LoadLibraryA(path.c_str());
    if (m_module == nullptr) {
        *error = GetLastError();
        return false;
    }
    Resolve(&OnStart, "BKC_OnStart");
    Resolve(&OnExit, "BKC_OnExit");
    Resolve(&OnEveryMinute, "BKC_OnEveryMinute");
    Resolve(&OnOpenFolder, "BKC_OnOpenFolder");
    Resolve(&OnOpenMail, "BKC_OnOpenMail");
    Resolve(&OnFinishRetrieve, "BKC_OnFinishRetrieve");
    Resolve(&OnOpenCompose, "BKC_OnOpenCompose");
    Resolve(&OnOutgoing, "BKC_OnOutgoing");
    Resolve(&OnRetrieve, "BKC_OnRetrieve");
    Resolve(&OnKeyDispatch, "BKC_OnKeyDispatch");
    Resolve(&OnDragDrop, "BKC_OnDragDrop");
    Resolve(&OnSend, "BKC_OnSend");
    Resolve(&OnPlugInInfo, "BKC_OnPlugInInfo");
    Resolve(&OnBeforeFilter2, "BKC_OnBeforeFilter2");
    Resolve(&OnMenuInit, "BKC_OnMenuInit");
    Resolve(&OnPlugInSetup, "BKC_OnPlugInSetup");
    *error = 0;
    return true;
}

void Plugin::Unload() {
    if (m_module == nullptr) return;
    FreeLibrary(m_module);
    m_module = nullptr;
    *this = Plugin();
}
