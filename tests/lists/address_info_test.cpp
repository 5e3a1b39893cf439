// The user's own addresses from the host's Folder.lst and Mailbox.ini files.
#include <gtest/gtest.h>

#include <string>

#include "lists/AddressInfo.h"
#include "common/TestFiles.h"
#include "lists/ListTestUtil.h"

namespace {

using testing_files::TempDir;
using testing_files::WriteBytes;

void MakeMailbox(const TempDir& data, const std::string& folder, const std::string& ini) {
    ASSERT_TRUE(CreateDirectoryA(data.File(folder).c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(data.File(folder + "\\Mailbox.ini"), ini));
}

// Gives the file a last-write time of its own, so that a rewrite within the file system's time
// resolution still counts as a change.
void SetWriteTime(const std::string& path, DWORD low) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    FILETIME time;
    time.dwLowDateTime = low;
    time.dwHighDateTime = 0x01D00000;
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

}  // namespace

TEST(MyMailAddressInfo, DataFolderGetsOneTrailingBackslash) {
    MyMailAddressInfo info;
    info.SetDataFolder("C:\\Becky\\Data");
    EXPECT_EQ("C:\\Becky\\Data\\", info.DataFolder());
    EXPECT_EQ("C:\\Becky\\Data\\Folder.lst", info.FolderListPath());
    info.SetDataFolder("C:\\Becky\\Data\\");
    EXPECT_EQ("C:\\Becky\\Data\\", info.DataFolder());
    // The last byte 0x5C of a double-byte character is not a backslash.
    info.SetDataFolder("C:\\\x95\x5c");
    EXPECT_EQ("C:\\\x95\x5c\\", info.DataFolder());
}

TEST(MyMailAddressInfo, AddressesComeFromEveryListedMailboxTrimmedAndOnce) {
    TempDir data;
    ASSERT_FALSE(data.Path().empty());
    MakeMailbox(data, "Box1", "[Account]\r\nName=One\r\nMailAddress=me@example.jp\r\n");
    MakeMailbox(data, "Box2", "[Account]\r\nMailAddress=me@example.jp\r\n");      // same address
    MakeMailbox(data, "Box3", "[Account]\r\nMailAddress=   \r\n");                // blank
    MakeMailbox(data, "Box4", "[Other]\r\nMailAddress=wrong@example.jp\r\n");     // wrong section
    MakeMailbox(data, "Box5", "[account]\nmailaddress=  Work@Example.ORG \t\n");  // LF file
    ASSERT_TRUE(WriteBytes(data.File("Folder.lst"), "Box1\r\n  Box2 \t\r\n\r\nBox3\nBox4\r\nMissing\r\nBox5"));

    MyMailAddressInfo info;
    info.SetDataFolder(data.Path().c_str());
    info.Update();
    EXPECT_EQ((std::set<std::string>{"Work@Example.ORG", "me@example.jp"}), info.Addresses());

    EXPECT_TRUE(info.Contains("me@example.jp"));
    EXPECT_FALSE(info.Contains("ME@example.jp")) << "the local part is exact";
    EXPECT_TRUE(info.Contains("me@EXAMPLE.jp")) << "the domain has no case";
    EXPECT_TRUE(info.Contains("Work@example.org"));
    EXPECT_FALSE(info.Contains("work@example.org"));
    EXPECT_FALSE(info.Contains("me@example.jp "));
    EXPECT_FALSE(info.Contains(""));
    EXPECT_TRUE(info.IsOwnDomain("example.jp"));
    EXPECT_TRUE(info.IsOwnDomain("Example.ORG"));
    EXPECT_TRUE(info.IsOwnDomain("example.org"));
    EXPECT_TRUE(info.IsOwnDomain("EXAMPLE.JP"));
    EXPECT_FALSE(info.IsOwnDomain("example.jp."));
    EXPECT_FALSE(info.IsOwnDomain("sub.example.jp"));
}

TEST(MyMailAddressInfo, RereadsOnlyWhenFolderListChanges) {
    TempDir data;
    ASSERT_FALSE(data.Path().empty());
    MakeMailbox(data, "Box1", "[Account]\r\nMailAddress=first@example.jp\r\n");
    const std::string folderList = data.File("Folder.lst");
    ASSERT_TRUE(WriteBytes(folderList, "Box1\r\n"));
    SetWriteTime(folderList, 1000);

    MyMailAddressInfo info;
    info.SetDataFolder(data.Path().c_str());
    info.Update();
    EXPECT_EQ((std::set<std::string>{"first@example.jp"}), info.Addresses());

    // A changed mailbox file alone is not seen: Folder.lst has the same time.
    ASSERT_TRUE(WriteBytes(data.File("Box1\\Mailbox.ini"), "[Account]\r\nMailAddress=second@example.jp\r\n"));
    info.Update();
    EXPECT_EQ((std::set<std::string>{"first@example.jp"}), info.Addresses());

    SetWriteTime(folderList, 2000);
    info.Update();
    EXPECT_EQ((std::set<std::string>{"second@example.jp"}), info.Addresses());

    // Folder.lst gone: the set stays.
    ASSERT_TRUE(DeleteFileA(folderList.c_str()));
    info.Update();
    EXPECT_EQ((std::set<std::string>{"second@example.jp"}), info.Addresses());
}

TEST(MyMailAddressInfo, MissingAndHostileFilesGiveNothingAndNeverCrash) {
    TempDir data;
    ASSERT_FALSE(data.Path().empty());
    MyMailAddressInfo info;
    info.SetDataFolder(data.Path().c_str());
    info.Update();
    EXPECT_TRUE(info.Addresses().empty());
    EXPECT_FALSE(info.IsOwnDomain(""));

    // Binary garbage, a NUL, a very long line (its path is cut and names nothing).
    std::string garbage("\x01\x02\xff\xfe\x82\r\n\0Box\r\n", 12);
    garbage += std::string(5000, 'x') + "\r\n" + std::string(1, '\x82');
    ASSERT_TRUE(WriteBytes(data.File("Folder.lst"), garbage));
    info.Update();
    EXPECT_TRUE(info.Addresses().empty());
}
