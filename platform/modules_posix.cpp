// Modules on the POSIX side: shared objects loaded with dlopen stand for DLLs. An HMODULE is
// the dlopen handle itself (so it means the same in every part of the process). LoadLibraryA
// runs the module's exported DllMain as the Windows loader does (once per process attach and
// detach, under a loader lock that the same thread may take again from inside DllMain).
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/Mbcs.h"
#include "platform/posix/posix_internal.h"

namespace posix {

namespace {

typedef BOOL (*DllMainProc)(HINSTANCE, DWORD, LPVOID);

std::recursive_mutex g_loaderLock;
std::map<void*, int> g_loadCounts;  // modules loaded through LoadLibraryA, with their counts

struct link_map* LinkMapOf(void* handle) {
    struct link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0) return nullptr;
    return map;
}

std::string ExecutablePath() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return std::string();
    return std::string(path, static_cast<size_t>(n));
}

// The file-name part of a Windows-style or native path.
std::string FileNamePart(const std::string& path) {
    const char* last = nullptr;
    for (const char* p = path.c_str(); *p != '\0'; p += Mbcs::CharLength(p)) {
        if (*p == '\\' || *p == '/') last = p;
    }
    return last == nullptr ? path : std::string(last + 1);
}

}  // namespace

HMODULE MainProgramModule() {
    static void* main = dlopen(nullptr, RTLD_NOW);
    return static_cast<HMODULE>(main);
}

bool IsLoadedModule(HMODULE module) {
    if (module == nullptr) return false;
    struct link_map* map = LinkMapOf(MainProgramModule());
    for (; map != nullptr; map = map->l_next) {
        if (static_cast<void*>(map) == static_cast<void*>(module)) return true;
    }
    return false;
}

void* FindOwnSymbol(HMODULE module, const char* name, size_t* size) {
    if (size != nullptr) *size = 0;
    if (!IsLoadedModule(module) || name == nullptr) return nullptr;
    dlerror();
    void* symbol = dlsym(module, name);
    if (symbol == nullptr) return nullptr;
    // dlsym also finds what the module's dependencies (or, for the main program, every global
    // library) define; only the module's own definition counts, as in a DLL's export table.
    Dl_info info;
    struct link_map* owner = nullptr;
    if (dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 ||
        static_cast<void*>(owner) != static_cast<void*>(LinkMapOf(module))) {
        return nullptr;
    }
    if (size != nullptr) {
        void* entry = nullptr;
        if (dladdr1(symbol, &info, &entry, RTLD_DL_SYMENT) != 0 && entry != nullptr) {
            *size = static_cast<const ElfW(Sym)*>(entry)->st_size;
        }
    }
    return symbol;
}

std::string ModuleNativePath(HMODULE module) {
    if (module == nullptr || module == MainProgramModule()) return ExecutablePath();
    if (!IsLoadedModule(module)) return std::string();
    struct link_map* map = LinkMapOf(module);
    if (map == nullptr || map->l_name == nullptr || map->l_name[0] == '\0') return ExecutablePath();
    char resolved[PATH_MAX];
    if (realpath(map->l_name, resolved) != nullptr) return resolved;
    return map->l_name;
}

}  // namespace posix

HMODULE LoadLibraryA(LPCSTR path) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const std::string native = posix::ToNativePath(path);
    const bool hasFolder = native.find('/') != std::string::npos;
    struct stat info;
    if (hasFolder && stat(native.c_str(), &info) != 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> guard(posix::g_loaderLock);
    void* handle = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        // A file that is there but cannot be loaded is not a valid module for this process.
        SetLastError(hasFolder ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    HMODULE module = static_cast<HMODULE>(handle);
    if (++posix::g_loadCounts[handle] > 1) return module;
    auto dllMain = reinterpret_cast<posix::DllMainProc>(posix::FindOwnSymbol(module, "DllMain"));
    if (dllMain != nullptr && !dllMain(module, DLL_PROCESS_ATTACH, nullptr)) {
        // The module refused to load: it hears of the detach, as on Windows, and goes.
        dllMain(module, DLL_PROCESS_DETACH, nullptr);
        posix::g_loadCounts.erase(handle);
        dlclose(handle);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return module;
}

BOOL FreeLibrary(HMODULE module) {
    std::lock_guard<std::recursive_mutex> guard(posix::g_loaderLock);
    auto it = posix::g_loadCounts.find(module);
    if (it == posix::g_loadCounts.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->second == 0) {
        posix::g_loadCounts.erase(it);
        auto dllMain = reinterpret_cast<posix::DllMainProc>(posix::FindOwnSymbol(module, "DllMain"));
        if (dllMain != nullptr) dllMain(module, DLL_PROCESS_DETACH, nullptr);
    }
    dlclose(module);
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (name == nullptr) return posix::MainProgramModule();
    const std::string native = posix::ToNativePath(name);
    void* handle = dlopen(native.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) {
        dlclose(handle);  // GetModuleHandleA takes no reference
        return static_cast<HMODULE>(handle);
    }
    // As on Windows, a bare file name finds a loaded module of that name in any folder.
    const std::string wanted = posix::FileNamePart(native);
    struct link_map* map = posix::LinkMapOf(posix::MainProgramModule());
    for (; map != nullptr; map = map->l_next) {
        if (map->l_name == nullptr || map->l_name[0] == '\0') continue;
        if (lstrcmpiA(posix::FileNamePart(map->l_name).c_str(), wanted.c_str()) == 0) {
            return reinterpret_cast<HMODULE>(map);
        }
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (reinterpret_cast<uintptr_t>(name) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);  // exports by ordinal do not exist here
        return nullptr;
    }
    if (module == nullptr) module = posix::MainProgramModule();
    if (!posix::IsLoadedModule(module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* symbol = posix::FindOwnSymbol(module, name);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    const std::string native = posix::ModuleNativePath(module);
    if (native.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::string name = posix::FromNativePath(native);
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (name.size() < size) {
        std::memcpy(buffer, name.c_str(), name.size() + 1);
        SetLastError(ERROR_SUCCESS);
        return static_cast<DWORD>(name.size());
    }
    // Too long: cut (never inside a double-byte character) and terminated, returning size,
    // as Windows does since Vista.
    const size_t keep = Mbcs::CutLength(name.c_str(), name.size(), size - 1);
    std::memcpy(buffer, name.c_str(), keep);
    buffer[keep] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}
