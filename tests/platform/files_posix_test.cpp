// Files on the POSIX side where Wine is no reference: Wine runs as the super-user here (so it
// ignores read-only files) and simplifies the DOS wildcard rules that Windows applies.
#include <errno.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/TestFiles.h"
#include "platform/platform.h"
#include "platform/posix/fault_injection.h"

using testing_files::Exists;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

std::set<std::string> List(const std::string& pattern) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

}  // namespace

TEST(PlatformFilesPosix, ReadOnlyFilesRefuseWritersAndDeletionEvenForTheSuperUser) {
    TempDir folder;
    const std::string path = folder.File("r.txt");
    ASSERT_TRUE(WriteBytes(path, "keep"));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_NE(0u, GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    ASSERT_TRUE(WriteBytes(folder.File("new.txt"), "new"));
    EXPECT_FALSE(PlatformReplaceFile(folder.File("new.txt").c_str(), path.c_str()));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_EQ("keep", ReadBytes(path));
    // Reading is fine.
    HANDLE reader =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, reader);
    CloseHandle(reader);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(PlatformFilesPosix, DosWildcardRules) {
    TempDir folder;
    for (const char* name : {"a.txt", "noext", "name", "name1", "name12", "x.tar.gz", ".hidden"}) {
        ASSERT_TRUE(WriteBytes(folder.File(name), name));
    }
    // "?" also matches nothing at the end of a name or before a dot.
    EXPECT_EQ((std::set<std::string>{"name", "name1"}), List(folder.File("name?")));
    EXPECT_EQ((std::set<std::string>{"a.txt"}), List(folder.File("a?.txt")));
    // "*." lists the names without a dot; "*" before a dot stops at the last dot.
    EXPECT_EQ((std::set<std::string>{"noext", "name", "name1", "name12"}), List(folder.File("*.")));
    EXPECT_EQ((std::set<std::string>{"x.tar.gz"}), List(folder.File("*.gz")));
    EXPECT_EQ((std::set<std::string>{"x.tar.gz"}), List(folder.File("x.*")));
    EXPECT_EQ((std::set<std::string>{"name"}), List(folder.File("name.*")));  // ".*" also matches no dot

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(folder.File(".hidden").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    EXPECT_NE(0u, data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
    FindClose(find);
}

TEST(PlatformFilesPosix, ReplaceLosesNothingWhenSyncOrRenameFails) {
    TempDir folder;
    const std::string target = folder.File("list.txt");
    const std::string fresh = folder.File("list.new");
    ASSERT_TRUE(WriteBytes(target, "old"));
    ASSERT_TRUE(WriteBytes(fresh, "new"));
    PlatformInjectFault(PlatformSyscall::Fsync, EIO);
    EXPECT_FALSE(PlatformReplaceFile(fresh.c_str(), target.c_str()));
    EXPECT_EQ(ERROR_GEN_FAILURE, GetLastError());
    PlatformInjectFault(PlatformSyscall::Rename, ENOSPC);
    EXPECT_FALSE(PlatformReplaceFile(fresh.c_str(), target.c_str()));
    EXPECT_EQ(ERROR_DISK_FULL, GetLastError());
    PlatformClearFaults();
    EXPECT_EQ("old", ReadBytes(target));
    EXPECT_TRUE(Exists(fresh));
    EXPECT_TRUE(PlatformReplaceFile(fresh.c_str(), target.c_str()));
    EXPECT_EQ("new", ReadBytes(target));

    // A failed write through a handle reports the translated error.
    PlatformInjectFault(PlatformSyscall::Write, ENOSPC);
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 7;
    EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr));
    EXPECT_EQ(ERROR_DISK_FULL, GetLastError());
    EXPECT_EQ(0u, written);
    CloseHandle(file);
    PlatformClearFaults();
}

TEST(PlatformFilesPosix, InvalidCalendarDatesAreRefused) {
    FILETIME stamp;
    SYSTEMTIME february29 = {2023, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_FALSE(SystemTimeToFileTime(&february29, &stamp));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    SYSTEMTIME hour24 = {2024, 1, 0, 1, 24, 0, 0, 0};
    EXPECT_FALSE(SystemTimeToFileTime(&hour24, &stamp));
    SYSTEMTIME leap = {2000, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &stamp));
    FILETIME huge = {0xFFFFFFFFul, 0xFFFFFFFFul};
    SYSTEMTIME out;
    EXPECT_FALSE(FileTimeToSystemTime(&huge, &out));
}
