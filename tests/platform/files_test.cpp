// Files through the platform seam: the same expectations hold for Win32 itself (run under
// Wine) and for the POSIX stand-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "platform/platform.h"

using testing_files::Exists;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::set<std::string> List(const std::string& pattern, DWORD* error = nullptr) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        if (error != nullptr) *error = GetLastError();
        return names;
    }
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileA(find, &data));
    if (error != nullptr) *error = GetLastError();
    FindClose(find);
    return names;
}

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

TEST(PlatformFiles, DispositionsCreateOpenAndTruncateAsWin32) {
    TempDir folder;
    const std::string path = folder.File("a.txt");

    HANDLE file = Open(path, GENERIC_WRITE, 0, OPEN_EXISTING);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    file = Open(folder.File("missing\\a.txt"), GENERIC_WRITE, 0, OPEN_ALWAYS);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
    file = Open(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());

    file = Open(path, GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "hello", 5, &written, nullptr));
    EXPECT_EQ(5u, written);
    CloseHandle(file);

    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(path, GENERIC_WRITE, 0, CREATE_NEW));
    EXPECT_EQ(ERROR_FILE_EXISTS, GetLastError());

    file = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_ALWAYS);  // keeps the content
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_EQ(5u, GetFileSize(file, nullptr));
    CloseHandle(file);

    file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);  // empties it
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_EQ(0u, GetFileSize(file, nullptr));
    EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    CloseHandle(file);

    file = Open(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_EQ("", ReadBytes(path));

    const std::string fresh = folder.File("fresh.txt");
    file = Open(fresh, GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    CloseHandle(file);
    EXPECT_TRUE(Exists(fresh));

    // A folder is not a file.
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(folder.File(""), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(folder.File(".."), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
}

TEST(PlatformFiles, ShareModesKeepOtherOpensOut) {
    TempDir folder;
    const std::string path = folder.File("shared.txt");
    ASSERT_TRUE(WriteBytes(path, "data"));

    HANDLE exclusive = Open(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
    EXPECT_FALSE(MoveFileA(path.c_str(), folder.File("moved.txt").c_str()));
    CloseHandle(exclusive);
    // The refused CREATE_ALWAYS did not empty the file.
    EXPECT_EQ("data", ReadBytes(path));

    // Readers that share reading coexist; a writer is kept out while one of them refuses
    // to share writing.
    HANDLE reader1 = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    HANDLE reader2 = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(INVALID_HANDLE_VALUE, reader1);
    EXPECT_NE(INVALID_HANDLE_VALUE, reader2);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
    // A new open that refuses to share reading conflicts with the readers.
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(path, GENERIC_READ, FILE_SHARE_WRITE, OPEN_EXISTING));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
    CloseHandle(reader1);
    CloseHandle(reader2);

    HANDLE writer = Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    EXPECT_NE(INVALID_HANDLE_VALUE, reader);
    CloseHandle(reader);
    CloseHandle(writer);

    // A handle that shares deletion lets the file be deleted.
    HANDLE deletable = Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, deletable);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
    CloseHandle(deletable);
    EXPECT_FALSE(Exists(path));
}

TEST(PlatformFiles, AppendSeekAndEndOfFile) {
    TempDir folder;
    const std::string path = folder.File("log.txt");
    for (const char* line : {"one\r\n", "two\r\n", "three\r\n"}) {
        HANDLE file = Open(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        SetLastError(12345);
        EXPECT_NE(INVALID_SET_FILE_POINTER, SetFilePointer(file, 0, nullptr, FILE_END));
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(file, line, static_cast<DWORD>(std::string(line).size()), &written, nullptr));
        CloseHandle(file);
    }
    EXPECT_EQ("one\r\ntwo\r\nthree\r\n", ReadBytes(path));

    HANDLE file = Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(file, -1, nullptr, FILE_BEGIN));
    EXPECT_EQ(ERROR_NEGATIVE_SEEK, GetLastError());
    EXPECT_EQ(5u, SetFilePointer(file, 5, nullptr, FILE_BEGIN));
    EXPECT_EQ(3u, SetFilePointer(file, -2, nullptr, FILE_CURRENT));
    char buffer[16] = {0};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, buffer, 3, &read, nullptr));
    EXPECT_EQ(3u, read);
    EXPECT_EQ(std::string("\r\nt"), std::string(buffer, read));
    // Past the end: reads succeed with nothing; a write there leaves zeros in the gap.
    LONG high = 0;
    EXPECT_EQ(30u, SetFilePointer(file, 30, &high, FILE_BEGIN));
    EXPECT_EQ(0, high);
    EXPECT_TRUE(ReadFile(file, buffer, sizeof(buffer), &read, nullptr));
    EXPECT_EQ(0u, read);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "x", 1, &written, nullptr));
    DWORD sizeHigh = 7;
    EXPECT_EQ(31u, GetFileSize(file, &sizeHigh));
    EXPECT_EQ(0u, sizeHigh);
    EXPECT_EQ(4u, SetFilePointer(file, 4, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);
    EXPECT_EQ("one\r", ReadBytes(path));

    // Access is checked per handle.
    HANDLE writeOnly = Open(path, GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, writeOnly);
    EXPECT_FALSE(ReadFile(writeOnly, buffer, 1, &read, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    CloseHandle(writeOnly);
    HANDLE readOnly = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, readOnly);
    EXPECT_FALSE(WriteFile(readOnly, "y", 1, &written, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    CloseHandle(readOnly);
    EXPECT_FALSE(CloseHandle(readOnly));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(PlatformFiles, TimesAndAttributes) {
    TempDir folder;
    const std::string path = folder.File("t.txt");
    ASSERT_TRUE(WriteBytes(path, "12345"));

    SYSTEMTIME when = {2024, 3, 0, 5, 7, 8, 9, 500};
    FILETIME stamp;
    ASSERT_TRUE(SystemTimeToFileTime(&when, &stamp));
    HANDLE file = Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
    FILETIME write = {0, 0};
    EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, &write));
    EXPECT_EQ(Ticks(stamp), Ticks(write));
    CloseHandle(file);

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(Ticks(stamp), Ticks(data.ftLastWriteTime));
    EXPECT_EQ(5u, data.nFileSizeLow);
    EXPECT_EQ(0u, data.nFileSizeHigh);
    EXPECT_EQ(0u, data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);

    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path.c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    EXPECT_EQ(Ticks(stamp), Ticks(found.ftLastWriteTime));
    EXPECT_EQ(5u, found.nFileSizeLow);
    EXPECT_STREQ("t.txt", found.cFileName);
    FindClose(find);

    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&data.ftLastWriteTime, &back));
    EXPECT_EQ(2024, back.wYear);
    EXPECT_EQ(3, back.wMonth);
    EXPECT_EQ(5, back.wDay);
    EXPECT_EQ(2, back.wDayOfWeek);  // a Tuesday
    EXPECT_EQ(7, back.wHour);
    EXPECT_EQ(8, back.wMinute);
    EXPECT_EQ(9, back.wSecond);
    EXPECT_EQ(500, back.wMilliseconds);

    EXPECT_NE(0u, GetFileAttributesA(folder.Path().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.File("none.txt").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.File("none\\x.txt").c_str()));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());

    EXPECT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST(PlatformFiles, MoveCopyAndReplace) {
    TempDir folder;
    const std::string a = folder.File("a.txt");
    const std::string b = folder.File("b.txt");
    ASSERT_TRUE(WriteBytes(a, "AAA"));
    ASSERT_TRUE(WriteBytes(b, "BB"));

    // MoveFileA never replaces.
    EXPECT_FALSE(MoveFileA(a.c_str(), b.c_str()));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_EQ("AAA", ReadBytes(a));
    EXPECT_EQ("BB", ReadBytes(b));
    EXPECT_FALSE(MoveFileA(folder.File("none").c_str(), folder.File("c.txt").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_TRUE(MoveFileA(a.c_str(), folder.File("c.txt").c_str()));
    EXPECT_FALSE(Exists(a));
    EXPECT_TRUE(MoveFileExA(folder.File("c.txt").c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ("AAA", ReadBytes(b));

    // Copies keep the content and the last-write time; failIfExists protects the target.
    ASSERT_TRUE(WriteBytes(a, "new"));
    EXPECT_FALSE(CopyFileA(b.c_str(), a.c_str(), TRUE));
    EXPECT_EQ(ERROR_FILE_EXISTS, GetLastError());
    EXPECT_EQ("new", ReadBytes(a));
    EXPECT_TRUE(CopyFileA(b.c_str(), a.c_str(), FALSE));
    EXPECT_EQ("AAA", ReadBytes(a));
    WIN32_FILE_ATTRIBUTE_DATA sourceData;
    WIN32_FILE_ATTRIBUTE_DATA copyData;
    ASSERT_TRUE(GetFileAttributesExA(b.c_str(), GetFileExInfoStandard, &sourceData));
    ASSERT_TRUE(GetFileAttributesExA(a.c_str(), GetFileExInfoStandard, &copyData));
    EXPECT_EQ(Ticks(sourceData.ftLastWriteTime), Ticks(copyData.ftLastWriteTime));
    EXPECT_FALSE(CopyFileA(folder.File("none").c_str(), a.c_str(), FALSE));
    EXPECT_EQ("AAA", ReadBytes(a));

    // The atomic replacement of the saves.
    ASSERT_TRUE(WriteBytes(a, "replacement"));
    EXPECT_TRUE(PlatformReplaceFile(a.c_str(), b.c_str()));
    EXPECT_EQ("replacement", ReadBytes(b));
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(PlatformReplaceFile(a.c_str(), b.c_str()));
    EXPECT_EQ("replacement", ReadBytes(b));
    EXPECT_TRUE(PlatformReplaceFile(b.c_str(), folder.File("new.txt").c_str()));  // no target yet
    EXPECT_EQ("replacement", ReadBytes(folder.File("new.txt")));
}

TEST(PlatformFiles, FoldersAndMakeSureDirectoryPathExists) {
    TempDir folder;
    const std::string sub = folder.File("sub");
    EXPECT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(sub.c_str(), nullptr));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_FALSE(CreateDirectoryA(folder.File("x\\y").c_str(), nullptr));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
    ASSERT_TRUE(WriteBytes(sub + "\\f.txt", "f"));
    EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));
    EXPECT_EQ(ERROR_DIR_NOT_EMPTY, GetLastError());

    // A trailing backslash names the last folder; without it the last part is a file name.
    EXPECT_TRUE(PlatformMakeSureDirectoryPathExists(folder.File("a\\b\\").c_str()));
    EXPECT_NE(0u, GetFileAttributesA(folder.File("a\\b").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(PlatformMakeSureDirectoryPathExists(folder.File("c\\d\\file.txt").c_str()));
    EXPECT_NE(0u, GetFileAttributesA(folder.File("c\\d").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Exists(folder.File("c\\d\\file.txt")));
    EXPECT_TRUE(PlatformMakeSureDirectoryPathExists(folder.File("a\\b\\").c_str()));  // already there
    // A file where a folder should be is a failure, not a success.
    EXPECT_FALSE(PlatformMakeSureDirectoryPathExists((sub + "\\f.txt\\g\\").c_str()));

    bool regular = false;
    unsigned long long size = 0;
    EXPECT_TRUE(PlatformStat((sub + "\\f.txt").c_str(), &regular, &size));
    EXPECT_TRUE(regular);
    EXPECT_EQ(1u, size);
    EXPECT_TRUE(PlatformStat(sub.c_str(), &regular, nullptr));
    EXPECT_FALSE(regular);
    EXPECT_FALSE(PlatformStat(folder.File("none").c_str(), &regular, &size));
    EXPECT_FALSE(PlatformStat("", &regular, &size));
}

TEST(PlatformFiles, FindMatchesWin32Wildcards) {
    TempDir folder;
    for (const char* name : {"a.txt", "b.TXT", "c.log", "noext", "name", "name1", "name12", "x.tar.gz"}) {
        ASSERT_TRUE(WriteBytes(folder.File(name), name));
    }
    ASSERT_TRUE(CreateDirectoryA(folder.File("sub").c_str(), nullptr));
    const std::set<std::string> all = {"a.txt", "b.TXT", "c.log", "noext", "name", "name1", "name12", "x.tar.gz", "sub"};

    EXPECT_EQ(all, List(folder.File("*")));
    EXPECT_EQ(all, List(folder.File("*.*")));  // also the names without a dot
    EXPECT_EQ((std::set<std::string>{"a.txt", "b.TXT"}), List(folder.File("*.txt")));
    EXPECT_EQ((std::set<std::string>{"a.txt", "b.TXT"}), List(folder.File("*.TXT")));
    EXPECT_EQ((std::set<std::string>{"x.tar.gz"}), List(folder.File("*.gz")));
    EXPECT_EQ((std::set<std::string>{"name12"}), List(folder.File("name?2")));
    EXPECT_TRUE(List(folder.File("name??2")).empty());
    EXPECT_EQ((std::set<std::string>{"c.log"}), List(folder.File("C.LOG")));
    EXPECT_EQ((std::set<std::string>{"a.txt", "b.TXT", "c.log"}), List(folder.File("?.???")));

    DWORD error = 0;
    EXPECT_TRUE(List(folder.File("*.doc"), &error).empty());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, error);
    EXPECT_TRUE(List(folder.File("none\\*"), &error).empty());
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, error);
    List(folder.File("*"), &error);
    EXPECT_EQ(ERROR_NO_MORE_FILES, error);

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(folder.File("sub").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    EXPECT_NE(0u, data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(find);
}

TEST(PlatformFiles, DoubleByteNamesWithBackslashTrailBytes) {
    // "表" is 0x95 0x5C and "ソ" 0x83 0x5C: their second byte is the backslash code.
    TempDir folder;
    const std::string table = "\x95\x5C";
    const std::string so = "\x83\x5C";
    const std::string dir = folder.File(table);
    ASSERT_TRUE(PlatformMakeSureDirectoryPathExists((dir + "\\" + so + "\\").c_str()));
    const std::string file = dir + "\\" + so + "\\" + so + ".txt";
    ASSERT_TRUE(WriteBytes(file, "x"));
    EXPECT_EQ("x", ReadBytes(file));
    EXPECT_EQ((std::set<std::string>{so + ".txt"}), List(dir + "\\" + so + "\\*.txt"));
    EXPECT_EQ((std::set<std::string>{so}), List(dir + "\\*"));

    char full[MAX_PATH];
    char* filePart = nullptr;
    const std::string relative = dir + "\\" + so + "\\..\\" + so + "\\" + so + ".txt";
    const DWORD length = GetFullPathNameA(relative.c_str(), sizeof(full), full, &filePart);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(file, std::string(full, length));
    ASSERT_NE(nullptr, filePart);
    EXPECT_EQ(so + ".txt", std::string(filePart));
}

TEST(PlatformFiles, WindowsReturnConventionsOfFolderQueries) {
    char buffer[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof(buffer), buffer);
    ASSERT_GT(length, 0u);
    EXPECT_EQ('\\', buffer[length - 1]);
    EXPECT_EQ(length + 1, GetTempPathA(length, buffer));  // too small: the size needed

    const DWORD cwd = GetCurrentDirectoryA(sizeof(buffer), buffer);
    ASSERT_GT(cwd, 0u);
    EXPECT_EQ(cwd + 1, GetCurrentDirectoryA(1, buffer));
    char full[MAX_PATH];
    char* filePart = nullptr;
    const DWORD fullLength = GetFullPathNameA("x.txt", sizeof(full), full, &filePart);
    const std::string current(buffer, cwd);
    const std::string expected = current + (current.back() == '\\' ? "" : "\\") + "x.txt";
    EXPECT_EQ(expected, std::string(full, fullLength));
    EXPECT_STREQ("x.txt", filePart);
    EXPECT_EQ(fullLength + 1, GetFullPathNameA("x.txt", fullLength, full, &filePart));
}
