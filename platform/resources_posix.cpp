// Resources on the POSIX side: a module's string table and version strings are its exported
// data (platform/posix/resource_tables.h). LoadStringA reads the table; the version functions
// build a self-contained version block from the data, which VerQueryValueA answers from. Also
// the user's language, which the environment may set for tests.
#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/posix/posix_internal.h"
#include "platform/posix/resource_tables.h"

namespace {

// Layout of the version block that GetFileVersionInfoA hands out: this header, then for each
// string its key and value, both NUL-terminated.
struct VersionBlockHeader {
    char magic[4];
    uint32_t size;
    WORD translation[2];  // language, code page: what "\VarFileInfo\Translation" returns
    uint32_t stringCount;
    VS_FIXEDFILEINFO fixed;
};

const char kVersionMagic[4] = {'M', 'V', 'V', '1'};

// The version block of a loaded module, empty when it has no version data.
std::vector<unsigned char> BuildVersionBlock(HMODULE module) {
    size_t resourceBytes = 0;
    const auto* resource = static_cast<const PlatformVersionEntry*>(
        posix::FindOwnSymbol(module, "PlatformVersionResource", &resourceBytes));
    if (resource == nullptr) return {};
    const auto* language = static_cast<const unsigned*>(posix::FindOwnSymbol(module, "PlatformVersionLanguage"));
    const auto* codePage = static_cast<const unsigned*>(posix::FindOwnSymbol(module, "PlatformVersionCodePage"));
    const auto* fileVersion = static_cast<const unsigned*>(posix::FindOwnSymbol(module, "PlatformFileVersion"));
    // The symbol's size bounds the walk, so data of another shape cannot be overrun.
    const size_t maxEntries = resourceBytes / sizeof(PlatformVersionEntry);
    std::vector<std::pair<std::string, std::string>> strings;
    for (size_t i = 0; i < maxEntries && resource[i].key != nullptr; ++i) {
        strings.emplace_back(resource[i].key, resource[i].value != nullptr ? resource[i].value : "");
    }
    const unsigned versionLanguage = language != nullptr ? *language : 0;
    const unsigned versionCodePage = codePage != nullptr ? *codePage : 0;
    unsigned versionNumbers[4] = {0, 0, 0, 0};
    if (fileVersion != nullptr) std::memcpy(versionNumbers, fileVersion, sizeof(versionNumbers));
    if (strings.empty() && versionLanguage == 0 && versionCodePage == 0 &&
        (versionNumbers[0] | versionNumbers[1] | versionNumbers[2] | versionNumbers[3]) == 0) {
        return {};  // the generator's output for a script without VERSIONINFO
    }
    VersionBlockHeader header;
    std::memset(&header, 0, sizeof(header));
    std::memcpy(header.magic, kVersionMagic, sizeof(header.magic));
    header.translation[0] = static_cast<WORD>(versionLanguage);
    header.translation[1] = static_cast<WORD>(versionCodePage);
    header.stringCount = static_cast<uint32_t>(strings.size());
    header.fixed.dwSignature = 0xFEEF04BDul;
    header.fixed.dwStrucVersion = 0x00010000ul;
    header.fixed.dwFileVersionMS = (versionNumbers[0] << 16) | (versionNumbers[1] & 0xFFFF);
    header.fixed.dwFileVersionLS = (versionNumbers[2] << 16) | (versionNumbers[3] & 0xFFFF);
    header.fixed.dwProductVersionMS = header.fixed.dwFileVersionMS;
    header.fixed.dwProductVersionLS = header.fixed.dwFileVersionLS;
    header.fixed.dwFileOS = 0x40004ul;  // VOS_NT_WINDOWS32
    header.fixed.dwFileType = 2;        // VFT_DLL
    std::vector<unsigned char> block(sizeof(header));
    for (const auto& item : strings) {
        block.insert(block.end(), item.first.begin(), item.first.end());
        block.push_back(0);
        block.insert(block.end(), item.second.begin(), item.second.end());
        block.push_back(0);
    }
    header.size = static_cast<uint32_t>(block.size());
    std::memcpy(block.data(), &header, sizeof(header));
    return block;
}

// The version block of the module file at path: a module already loaded (matched by its
// file), else the file loaded for the query only (its DllMain is not run).
bool VersionBlockOf(LPCSTR path, std::vector<unsigned char>* block) {
    block->clear();
    const std::string native = posix::ToNativePath(path);
    struct stat wanted;
    if (native.empty() || stat(native.c_str(), &wanted) != 0) {
        posix::SetLastErrorFromErrno(native.empty() ? ENOENT : errno, native.c_str());
        return false;
    }
    struct link_map* map = nullptr;
    dlinfo(posix::MainProgramModule(), RTLD_DI_LINKMAP, &map);
    for (; map != nullptr; map = map->l_next) {
        HMODULE module = reinterpret_cast<HMODULE>(map);
        const std::string file = posix::ModuleNativePath(module);
        struct stat info;
        if (file.empty() || stat(file.c_str(), &info) != 0) continue;
        if (info.st_dev == wanted.st_dev && info.st_ino == wanted.st_ino) {
            *block = BuildVersionBlock(module);
            break;
        }
    }
    if (map == nullptr) {
        void* handle = dlopen(native.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (handle != nullptr) {
            *block = BuildVersionBlock(static_cast<HMODULE>(handle));
            dlclose(handle);
        }
    }
    if (block->empty()) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    return true;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

WORD LanguageFromEnvironment(const char* name) {
    const char* text = getenv(name);
    if (text == nullptr || *text == '\0') return 1041;
    char* end = nullptr;
    const unsigned long value = strtoul(text, &end, 0);
    if (end == text || *end != '\0' || value > 0xFFFF) return 1041;
    return static_cast<WORD>(value);
}

}  // namespace

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = '\0';
    if (module == nullptr) module = posix::MainProgramModule();
    size_t tableBytes = 0;
    const auto* table =
        static_cast<const PlatformStringEntry*>(posix::FindOwnSymbol(module, "PlatformStringTable", &tableBytes));
    const auto* count = static_cast<const unsigned*>(posix::FindOwnSymbol(module, "PlatformStringTableSize"));
    if (table == nullptr || count == nullptr) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return 0;
    }
    size_t entries = *count;
    if (tableBytes / sizeof(PlatformStringEntry) < entries) entries = tableBytes / sizeof(PlatformStringEntry);
    for (size_t i = 0; i < entries; ++i) {
        if (table[i].id != id || table[i].text == nullptr) continue;
        const size_t length = std::strlen(table[i].text);
        const size_t keep = Mbcs::CutLength(table[i].text, length, static_cast<size_t>(size) - 1);
        std::memcpy(buffer, table[i].text, keep);
        buffer[keep] = '\0';
        return static_cast<int>(keep);
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
}

DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
    if (handle != nullptr) *handle = 0;
    std::vector<unsigned char> block;
    if (!VersionBlockOf(path, &block)) return 0;
    return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data) {
    (void)handle;
    std::vector<unsigned char> block;
    if (data == nullptr || !VersionBlockOf(path, &block)) {
        if (data == nullptr) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A cut block would point VerQueryValueA past its end: too small a buffer is a failure.
    if (size < block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* len) {
    if (buffer != nullptr) *buffer = nullptr;
    if (len != nullptr) *len = 0;
    VersionBlockHeader header;
    if (block == nullptr || subBlock == nullptr || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memcpy(&header, block, sizeof(header));
    if (std::memcmp(header.magic, kVersionMagic, sizeof(kVersionMagic)) != 0) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    auto* base = static_cast<unsigned char*>(const_cast<void*>(block));
    std::string query = subBlock;
    if (query.empty() || query == "\\") {
        *buffer = base + offsetof(VersionBlockHeader, fixed);
        if (len != nullptr) *len = sizeof(VS_FIXEDFILEINFO);
        return TRUE;
    }
    if (query[0] != '\\') query.insert(0, "\\");
    if (EqualsIgnoringCase(query, "\\VarFileInfo\\Translation")) {
        *buffer = base + offsetof(VersionBlockHeader, translation);
        if (len != nullptr) *len = 4;
        return TRUE;
    }
    const std::string prefix = "\\StringFileInfo\\";
    if (query.size() > prefix.size() + 9 && EqualsIgnoringCase(query.substr(0, prefix.size()), prefix) &&
        query[prefix.size() + 8] == '\\') {
        char translation[16];
        std::snprintf(translation, sizeof(translation), "%04x%04x", static_cast<unsigned>(header.translation[0]),
                      static_cast<unsigned>(header.translation[1]));
        const std::string key = query.substr(prefix.size() + 9);
        if (EqualsIgnoringCase(query.substr(prefix.size(), 8), translation)) {
            char* p = reinterpret_cast<char*>(base + sizeof(VersionBlockHeader));
            for (uint32_t i = 0; i < header.stringCount; ++i) {
                char* value = p + std::strlen(p) + 1;
                if (EqualsIgnoringCase(p, key)) {
                    *buffer = value;
                    if (len != nullptr) *len = static_cast<UINT>(std::strlen(value) + 1);  // with its NUL
                    return TRUE;
                }
                p = value + std::strlen(value) + 1;
            }
        }
    }
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
}

WORD GetUserDefaultUILanguage() { return LanguageFromEnvironment("MIRVANE_UI_LANGUAGE"); }

WORD GetUserDefaultLangID() { return LanguageFromEnvironment("MIRVANE_LANG_ID"); }
