// The POSIX boundary: Windows-style CP932 paths become UTF-8 paths with "/" on disk and come
// back unchanged; "PATH" is translated both ways; module names come back Windows-style.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "common/TestFiles.h"
#include "platform/platform.h"

using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

// The native form of a Windows-style path made of ASCII only.
std::string Native(const std::string& path) {
    std::string native = path;
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

bool NativeExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Sets an environment variable for the test's life and restores it afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        const char* old = getenv(name);
        m_had = old != nullptr;
        if (m_had) m_old = old;
        if (value == nullptr) {
            unsetenv(name);
        } else {
            setenv(name, value, 1);
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

TEST(PlatformPathsPosix, NamesAreUtf8OnDiskAndCp932ThroughTheSeam) {
    TempDir folder;
    // "表\ソ.txt": both characters end in the backslash code.
    const std::string path = folder.File("\x95\x5C\\\x83\x5C.txt");
    ASSERT_TRUE(CreateDirectoryA(folder.File("\x95\x5C").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(path, "x"));
    EXPECT_TRUE(NativeExists(Native(folder.Path()) + "/\xE8\xA1\xA8/\xE3\x82\xBD.txt"));

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(folder.File("\x95\x5C\\*.txt").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    EXPECT_EQ(std::string("\x83\x5C.txt"), data.cFileName);
    FindClose(find);

    // Forward slashes work as well.
    EXPECT_EQ("x", ReadBytes(Native(folder.Path()) + "/\x95\x5C/\x83\x5C.txt"));

    // Bytes that are not CP932 are kept as they are, on disk and back.
    const std::string odd = folder.File("odd\x81\x20name");
    ASSERT_TRUE(WriteBytes(odd, "y"));
    EXPECT_TRUE(NativeExists(Native(folder.Path()) + "/odd\x81\x20name"));
    find = FindFirstFileA(folder.File("odd*").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    EXPECT_EQ(std::string("odd\x81\x20name"), data.cFileName);
    FindClose(find);
}

TEST(PlatformPathsPosix, FolderQueriesComeBackWindowsStyle) {
    TempDir folder;
    {
        ScopedVariable tmp("TMPDIR", "/tmp/\xE8\xA1\xA8");
        char buffer[MAX_PATH];
        const DWORD n = GetTempPathA(sizeof(buffer), buffer);
        EXPECT_EQ("\\tmp\\\x95\x5C\\", std::string(buffer, n));
    }

    char cwd[PATH_MAX];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof(cwd)));
    ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
    char buffer[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(sizeof(buffer), buffer);
    EXPECT_EQ(folder.Path(), std::string(buffer, n));
    char full[MAX_PATH];
    char* filePart = nullptr;
    const DWORD m = GetFullPathNameA("a\\.\\b\\..\\c.txt", sizeof(full), full, &filePart);
    EXPECT_EQ(folder.File("a\\c.txt"), std::string(full, m));
    EXPECT_EQ(0, chdir(cwd));
    EXPECT_FALSE(SetCurrentDirectoryA(folder.File("none").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());

    EXPECT_EQ(3u, GetFullPathNameA("\\a\\..\\..\\b\\", sizeof(full), full, &filePart));
    EXPECT_STREQ("\\b\\", full);
    EXPECT_EQ(nullptr, filePart);
}

TEST(PlatformPathsPosix, PathVariableIsTranslatedOtherVariablesAreNot) {
    ScopedVariable path("PATH", "/usr/bin:/opt/\xE8\xA1\xA8/bin");
    char buffer[256];
    DWORD n = GetEnvironmentVariableA("PATH", buffer, sizeof(buffer));
    EXPECT_EQ("\\usr\\bin;\\opt\\\x95\x5C\\bin", std::string(buffer, n));
    EXPECT_EQ(n, GetEnvironmentVariableA("Path", buffer, sizeof(buffer)));  // names match without case

    const std::string extended = std::string(buffer, n) + ";\\tmp\\x\\Mirvane;;";
    ASSERT_TRUE(SetEnvironmentVariableA("PATH", extended.c_str()));
    EXPECT_STREQ("/usr/bin:/opt/\xE8\xA1\xA8/bin:/tmp/x/Mirvane", getenv("PATH"));

    ScopedVariable other("MIRVANE_TEST_VARIABLE", nullptr);
    ASSERT_TRUE(SetEnvironmentVariableA("MIRVANE_TEST_VARIABLE", "a\\b;c"));
    EXPECT_STREQ("a\\b;c", getenv("MIRVANE_TEST_VARIABLE"));
    // Win32 return conventions: the size needed (with its NUL) when the buffer is too small.
    EXPECT_EQ(6u, GetEnvironmentVariableA("MIRVANE_TEST_VARIABLE", buffer, 5));
    EXPECT_EQ(5u, GetEnvironmentVariableA("MIRVANE_TEST_VARIABLE", buffer, 6));
    EXPECT_STREQ("a\\b;c", buffer);
    ASSERT_TRUE(SetEnvironmentVariableA("MIRVANE_TEST_VARIABLE", nullptr));
    EXPECT_EQ(0u, GetEnvironmentVariableA("MIRVANE_TEST_VARIABLE", buffer, sizeof(buffer)));
    EXPECT_EQ(ERROR_ENVVAR_NOT_FOUND, GetLastError());
}

TEST(PlatformPathsPosix, MainProgramModule) {
    char buffer[1040];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    ASSERT_GT(length, 0);
    const std::string expected = [&] {
        std::string text(exe, static_cast<size_t>(length));
        for (char& c : text) {
            if (c == '/') c = '\\';
        }
        return text;
    }();
    EXPECT_EQ(expected, std::string(buffer, n));
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    // Too small: cut, terminated, and the size is returned with ERROR_INSUFFICIENT_BUFFER.
    char small[5];
    EXPECT_EQ(5u, GetModuleFileNameA(nullptr, small, sizeof(small)));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(expected.substr(0, 4), std::string(small));

    EXPECT_EQ(nullptr, LoadLibraryA("\\no\\such\\library.so"));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    EXPECT_EQ(nullptr, GetProcAddress(GetModuleHandleA(nullptr), "NoSuchFunctionAnywhere"));
    EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetLastError());
    // Exported by the platform library, not by the program: not the program's own.
    EXPECT_EQ(nullptr, GetProcAddress(GetModuleHandleA(nullptr), "CreateFileA"));
}
