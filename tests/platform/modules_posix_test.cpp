// Modules and their resources on the POSIX side, with the test modules of
// tests/platform/module: DllMain as the Windows loader runs it, names and symbols, the string
// table and the version resource (also read through the plug-in's VersionInfo).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "support/Util.h"

namespace {

struct DllMainCall {
    int refuses;
    HINSTANCE module;
    DWORD reason;
};
std::vector<DllMainCall> g_dllMainCalls;

std::string WindowsStyle(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string ModulePath(const char* variant) {
    return WindowsStyle(std::string(MIRVANE_BINARY_DIR "/bin/platform-test-module-") + variant + ".so");
}

std::string NativePath(const char* variant) {
    return std::string(MIRVANE_BINARY_DIR "/bin/platform-test-module-") + variant + ".so";
}

bool IsLoaded(const char* variant) {
    void* handle = dlopen(NativePath(variant).c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        const char* old = getenv(name);
        m_had = old != nullptr;
        if (m_had) m_old = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (m_had) {
            setenv(m_name.c_str(), m_old.c_str(), 1);
        } else {
            unsetenv(m_name.c_str());
        }
    }

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

}  // namespace

// Called by the test modules' DllMain (looked up in the program by name).
extern "C" __attribute__((visibility("default"))) void PlatformTestRecordDllMain(int refuses, HINSTANCE module,
                                                                                 DWORD reason) {
    g_dllMainCalls.push_back({refuses, module, reason});
}

TEST(PlatformModules, DllMainRunsOnceOnLoadAndUnload) {
    g_dllMainCalls.clear();
    HMODULE first = LoadLibraryA(ModulePath("accept").c_str());
    ASSERT_NE(nullptr, first);
    HMODULE second = LoadLibraryA(ModulePath("accept").c_str());
    EXPECT_EQ(first, second);
    ASSERT_EQ(1u, g_dllMainCalls.size());
    EXPECT_EQ(static_cast<DWORD>(DLL_PROCESS_ATTACH), g_dllMainCalls[0].reason);
    EXPECT_EQ(first, g_dllMainCalls[0].module);

    EXPECT_EQ(first, GetModuleHandleA("platform-test-module-accept.so"));  // by file name alone
    EXPECT_EQ(first, GetModuleHandleA("PLATFORM-TEST-MODULE-ACCEPT.SO"));
    EXPECT_EQ(first, GetModuleHandleA(ModulePath("accept").c_str()));
    char name[1040];
    const DWORD length = GetModuleFileNameA(first, name, sizeof(name));
    char real[4096];
    ASSERT_NE(nullptr, realpath(NativePath("accept").c_str(), real));
    EXPECT_EQ(WindowsStyle(real), std::string(name, length));
    EXPECT_NE(nullptr, GetProcAddress(first, "DllMain"));
    EXPECT_NE(nullptr, GetProcAddress(first, "PlatformStringTable"));
    EXPECT_EQ(nullptr, GetProcAddress(first, "dlsym"));  // found in a dependency, not its own
    EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetLastError());

    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(1u, g_dllMainCalls.size());
    EXPECT_TRUE(IsLoaded("accept"));
    EXPECT_TRUE(FreeLibrary(first));
    ASSERT_EQ(2u, g_dllMainCalls.size());
    EXPECT_EQ(static_cast<DWORD>(DLL_PROCESS_DETACH), g_dllMainCalls[1].reason);
    EXPECT_FALSE(IsLoaded("accept"));
    EXPECT_EQ(nullptr, GetModuleHandleA("platform-test-module-accept.so"));
    EXPECT_FALSE(FreeLibrary(first));
}

TEST(PlatformModules, RefusedAttachDetachesAndUnloads) {
    g_dllMainCalls.clear();
    EXPECT_EQ(nullptr, LoadLibraryA(ModulePath("refuse").c_str()));
    EXPECT_EQ(ERROR_DLL_INIT_FAILED, GetLastError());
    ASSERT_EQ(2u, g_dllMainCalls.size());
    EXPECT_EQ(1, g_dllMainCalls[0].refuses);
    EXPECT_EQ(static_cast<DWORD>(DLL_PROCESS_ATTACH), g_dllMainCalls[0].reason);
    EXPECT_EQ(static_cast<DWORD>(DLL_PROCESS_DETACH), g_dllMainCalls[1].reason);
    EXPECT_FALSE(IsLoaded("refuse"));

    // A file that is no module.
    EXPECT_EQ(nullptr, LoadLibraryA(WindowsStyle(MIRVANE_BINARY_DIR "/CMakeCache.txt").c_str()));
    EXPECT_EQ(ERROR_BAD_EXE_FORMAT, GetLastError());
}

TEST(PlatformModules, LoadStringCopiesWholeCharactersAndTerminates) {
    HMODULE module = LoadLibraryA(ModulePath("accept").c_str());
    ASSERT_NE(nullptr, module);
    char buffer[64];
    EXPECT_EQ(10, LoadStringA(module, 100, buffer, sizeof(buffer)));
    EXPECT_STREQ("plain text", buffer);
    EXPECT_EQ(6, LoadStringA(module, 101, buffer, sizeof(buffer)));
    EXPECT_STREQ("\x95\x5C\x83\x5C%d", buffer);
    EXPECT_EQ(5, LoadStringA(module, 100, buffer, 6));  // at most size - 1
    EXPECT_STREQ("plain", buffer);
    EXPECT_EQ(2, LoadStringA(module, 101, buffer, 4));  // never half a character
    EXPECT_STREQ("\x95\x5C", buffer);
    EXPECT_EQ(0, LoadStringA(module, 102, buffer, sizeof(buffer)));  // empty text
    std::strcpy(buffer, "old");
    EXPECT_EQ(0, LoadStringA(module, 999, buffer, sizeof(buffer)));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0, LoadStringA(module, 100, buffer, 0));

    // LoadResString looks in the resource module first, then the plug-in's own.
    HMODULE savedResource = g_resourceModule;
    g_resourceModule = module;
    EXPECT_EQ("\x95\x5C\x83\x5C" "12", LoadResString(101, 12));
    g_resourceModule = savedResource;
    FreeLibrary(module);
}

TEST(PlatformModules, VersionResourceOfLoadedAndUnloadedModules) {
    g_dllMainCalls.clear();
    // Not loaded: the file is opened for the query without running DllMain.
    const std::string refuse = ModulePath("refuse");
    DWORD handle = 7;
    const DWORD size = GetFileVersionInfoSizeA(refuse.c_str(), &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(0u, handle);
    EXPECT_TRUE(g_dllMainCalls.empty());
    EXPECT_FALSE(IsLoaded("refuse"));
    std::vector<unsigned char> block(size);
    EXPECT_FALSE(GetFileVersionInfoA(refuse.c_str(), 0, size - 1, block.data()));
    ASSERT_TRUE(GetFileVersionInfoA(refuse.c_str(), 0, size, block.data()));

    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0411, static_cast<const WORD*>(value)[0]);
    EXPECT_EQ(932, static_cast<const WORD*>(value)[1]);
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\041103a4\\ProductVersion", &value, &length));
    EXPECT_STREQ("1.2.3", static_cast<const char*>(value));
    EXPECT_EQ(6u, length);
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\041103A4\\productname", &value, &length));
    EXPECT_STREQ("\x83\x65\x83\x58\x83\x67", static_cast<const char*>(value));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductVersion", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\041103a4\\Missing", &value, &length));
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(0xFEEF04BDul, fixed->dwSignature);
    EXPECT_EQ(0x00010002ul, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00030004ul, fixed->dwFileVersionLS);

    // Loaded: found by its file; the plug-in's VersionInfo reads it like the plug-in's own.
    HMODULE module = LoadLibraryA(ModulePath("accept").c_str());
    ASSERT_NE(nullptr, module);
    VersionInfo info(module);
    EXPECT_EQ("1.2.3", info.ProductVersion());
    EXPECT_EQ("Test Company", info.CompanyName());
    EXPECT_EQ("", info.Comments());
    FreeLibrary(module);

    // Files without version data.
    EXPECT_EQ(0u, GetFileVersionInfoSizeA(WindowsStyle(MIRVANE_BINARY_DIR "/CMakeCache.txt").c_str(), &handle));
    EXPECT_EQ(0u, GetFileVersionInfoSizeA(WindowsStyle(MIRVANE_BINARY_DIR "/bin/platform-test-child").c_str(), &handle));
    EXPECT_EQ(0u, GetFileVersionInfoSizeA("\\no\\such\\file.dll", &handle));
}

TEST(PlatformModules, UserLanguageFromTheEnvironment) {
    {
        ScopedVariable unset("MIRVANE_UI_LANGUAGE", nullptr);
        EXPECT_EQ(1041, GetUserDefaultUILanguage());
    }
    {
        ScopedVariable english("MIRVANE_UI_LANGUAGE", "1033");
        EXPECT_EQ(1033, GetUserDefaultUILanguage());
    }
    {
        ScopedVariable hex("MIRVANE_UI_LANGUAGE", "0x409");
        EXPECT_EQ(1033, GetUserDefaultUILanguage());
    }
    {
        ScopedVariable zero("MIRVANE_UI_LANGUAGE", "0");
        EXPECT_EQ(0, GetUserDefaultUILanguage());
    }
    {
        ScopedVariable junk("MIRVANE_UI_LANGUAGE", "english");
        EXPECT_EQ(1041, GetUserDefaultUILanguage());
    }
    ScopedVariable id("MIRVANE_LANG_ID", "2052");
    EXPECT_EQ(2052, GetUserDefaultLangID());
}
