// The INI stand-in's own guarantees: the exact text it writes, and that a write interrupted at
// any system call leaves the previous file intact.
#include <dirent.h>
#include <errno.h>
#include <gtest/gtest.h>

#include <string>

#include "common/TestFiles.h"
#include "platform/platform.h"
#include "platform/posix/fault_injection.h"

using testing_files::Exists;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

std::string Get(const std::string& path, const char* section, const char* key) {
    char buffer[256];
    const DWORD n = GetPrivateProfileStringA(section, key, "<default>", buffer, sizeof(buffer), path.c_str());
    return std::string(buffer, n);
}

// Number of entries of a folder besides "." and "..".
int EntryCount(const std::string& folder) {
    int count = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") ++count;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return count;
}

struct FaultGuard {
    ~FaultGuard() { PlatformClearFaults(); }
};

}  // namespace

TEST(PlatformIniPosix, WritesEditLinesInPlaceWithCrLf) {
    TempDir folder;
    const std::string ini = folder.File("a.ini");
    ASSERT_TRUE(WriteBytes(ini,
                               "; top\n"
                               "[Mirvane]\n"
                               "  ProcessSpamMail = GoTrash\n"
                               "LogLevel=DEBUG\n"
                               "\n"
                               "[ContextMenu]\n"
                               "MenuPosition=3"));
    ASSERT_TRUE(WritePrivateProfileStringA("MIRVANE", "processspammail", "NoMove", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Mirvane", "SpamFolder", "x", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("New", "Key", "v", ini.c_str()));
    EXPECT_EQ(
        "; top\r\n"
        "[Mirvane]\r\n"
        "ProcessSpamMail=NoMove\r\n"
        "LogLevel=DEBUG\r\n"
        "SpamFolder=x\r\n"
        "\r\n"
        "[ContextMenu]\r\n"
        "MenuPosition=3\r\n"
        "[New]\r\n"
        "Key=v\r\n",
        ReadBytes(ini));
    // Writing what is there already leaves the file alone.
    ASSERT_TRUE(WritePrivateProfileStringA("New", "Key", "v", ini.c_str()));
    EXPECT_EQ(1, EntryCount(folder.Path()));
}

TEST(PlatformIniPosix, NullValueAndNullKeyRemoveEveryDuplicate) {
    TempDir folder;
    const std::string ini = folder.File("d.ini");
    ASSERT_TRUE(WriteBytes(ini, "[A]\r\nK=1\r\nk=2\r\nJ=3\r\n[B]\r\nX=1\r\n[a]\r\nL=4\r\n"));
    ASSERT_TRUE(WritePrivateProfileStringA("A", "K", nullptr, ini.c_str()));
    EXPECT_EQ("<default>", Get(ini, "A", "K"));
    EXPECT_EQ("3", Get(ini, "A", "J"));
    ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, ini.c_str()));
    EXPECT_EQ("[B]\r\nX=1\r\n", ReadBytes(ini));
}

TEST(PlatformIniPosix, InterruptedWritesLoseNothing) {
    TempDir folder;
    FaultGuard guard;
    const std::string ini = folder.File("s.ini");
    const std::string original = "[Mirvane]\r\nProcessSpamMail=GoFolder\r\nSpamFolder=\\x\r\n";
    ASSERT_TRUE(WriteBytes(ini, original));

    struct Case {
        PlatformSyscall call;
        int error;
        DWORD expected;
    };
    const Case cases[] = {
        {PlatformSyscall::Write, ENOSPC, ERROR_DISK_FULL},
        {PlatformSyscall::Write, EIO, ERROR_GEN_FAILURE},
        {PlatformSyscall::Fsync, EIO, ERROR_GEN_FAILURE},
        {PlatformSyscall::Rename, EACCES, ERROR_ACCESS_DENIED},
        {PlatformSyscall::Open, EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    };
    for (const Case& c : cases) {
        PlatformInjectFault(c.call, c.error, 0, 0);
        EXPECT_FALSE(WritePrivateProfileStringA("Mirvane", "SpamFolder", "\\changed", ini.c_str()));
        EXPECT_EQ(c.expected, GetLastError());
        PlatformClearFaults();
        EXPECT_EQ(original, ReadBytes(ini));
        EXPECT_EQ(1, EntryCount(folder.Path())) << "a temporary file was left behind";
    }

    // A new profile whose first write failed leaves no file at all.
    const std::string fresh = folder.File("fresh.ini");
    PlatformInjectFault(PlatformSyscall::Rename, EIO);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", fresh.c_str()));
    EXPECT_FALSE(Exists(fresh));

    EXPECT_TRUE(WritePrivateProfileStringA("Mirvane", "SpamFolder", "\\changed", ini.c_str()));
    EXPECT_EQ("\\changed", Get(ini, "Mirvane", "SpamFolder"));
    EXPECT_EQ(1, EntryCount(folder.Path()));
}

TEST(PlatformIniPosix, ReplacementKeepsThePermissions) {
    TempDir folder;
    const std::string ini = folder.File("p.ini");
    ASSERT_TRUE(WriteBytes(ini, "[S]\r\nK=1\r\n"));
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "2", ini.c_str()));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_EQ("1", Get(ini, "S", "K"));
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "2", ini.c_str()));
    EXPECT_EQ(0u, GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_READONLY);
}
