// Database backup and restore: what a backup holds and lists, that a failed backup leaves no
// archive (and keeps an older one), that a restore puts every entry back below the data
// folder and nothing outside it, and how damaged and empty archives are handled.
//
// The archives fed to the restore are written here byte by byte (stored entries), so that
// names and contents can be anything an attacker or another ZIP tool might produce.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "resources/resource.h"
#include "support/Util.h"
#include "ui/Backup.h"

using testing_files::Exists;
using testing_files::MakeFolders;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

// CRC-32 of the ZIP format (polynomial 0xEDB88320), computed here so that the archives are
// written without any ZIP or zlib code.
unsigned long Crc32(const std::string& data) {
    unsigned long crc = 0xFFFFFFFFul;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1ul)));
    }
    return (crc ^ 0xFFFFFFFFul) & 0xFFFFFFFFul;
}

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, unsigned long value) {
    Put16(out, static_cast<unsigned>(value & 0xFFFF));
    Put16(out, static_cast<unsigned>((value >> 16) & 0xFFFF));
}

// A ZIP archive of stored (uncompressed) entries, written without minizip.
class ZipBuilder {
public:
    // flags: general-purpose bits (0x800: UTF-8 name); badCrc: a wrong checksum.
    // declaredSize: the uncompressed size written in both headers (default: the true one).
    void Add(const std::string& name, const std::string& data, unsigned flags = 0, bool badCrc = false,
             unsigned long declaredSize = ~0ul) {
        const unsigned long size = declaredSize == ~0ul ? static_cast<unsigned long>(data.size()) : declaredSize;
        unsigned long crc = Crc32(data);
        if (badCrc) crc ^= 0x5A5A5A5Aul;
        const unsigned long offset = static_cast<unsigned long>(m_body.size());
        const unsigned dosTime = (7u << 11) | (8u << 5) | (9u / 2);              // 07:08:08
        const unsigned dosDate = ((2024u - 1980u) << 9) | (3u << 5) | 5u;         // 2024-03-05
        std::string header;
        Put32(header, 0x04034b50ul);
        Put16(header, 20);
        Put16(header, flags);
        Put16(header, 0);  // stored
        Put16(header, dosTime);
        Put16(header, dosDate);
        Put32(header, crc);
        Put32(header, data.size());
        Put32(header, size);
        Put16(header, static_cast<unsigned>(name.size()));
        Put16(header, 0);
        m_body += header + name + data;

        Put32(m_central, 0x02014b50ul);
        Put16(m_central, 20);
        Put16(m_central, 20);
        Put16(m_central, flags);
        Put16(m_central, 0);
        Put16(m_central, dosTime);
        Put16(m_central, dosDate);
        Put32(m_central, crc);
        Put32(m_central, data.size());
        Put32(m_central, size);
        Put16(m_central, static_cast<unsigned>(name.size()));
        Put16(m_central, 0);
        Put16(m_central, 0);
        Put16(m_central, 0);
        Put16(m_central, 0);
        Put32(m_central, 0);
        Put32(m_central, offset);
        m_central += name;
        ++m_count;
    }
    std::string Bytes() const {
        std::string end;
        Put32(end, 0x06054b50ul);
        Put16(end, 0);
        Put16(end, 0);
        Put16(end, m_count);
        Put16(end, m_count);
        Put32(end, m_central.size());
        Put32(end, m_body.size());
        Put16(end, 0);
        return m_body + m_central + end;
    }

private:
    std::string m_body;
    std::string m_central;
    unsigned m_count = 0;
};

// The names in a folder ("." and ".." left out): what a restore left behind, temporary
// files included.
std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

class BackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = root.File("data");
        ASSERT_TRUE(MakeFolders(data + "\\bsfilterdb"));
        paths.dataFolder = data;
        paths.bsfilterConfig = data + "\\bsfilter.conf";
        paths.bsfilterDbFolder = data + "\\bsfilterdb";
        InitializeCriticalSection(&lock);
        paths.lock = &lock;
    }
    void TearDown() override { DeleteCriticalSection(&lock); }

    void MakeDatabase() {
        ASSERT_TRUE(WriteBytes(paths.bsfilterConfig, "## bsfilter.conf\r\n"));
        ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\C.sdbm.dir", std::string(100, 'c')));
        ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\C.sdbm.pag", std::string(70000, 'p') + "tail"));
        ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\S.sdbm.pag", "spam tokens"));
    }

    std::string Zip(const std::string& name) const { return root.File(name); }

    TempDir root;
    std::string data;
    DatabasePaths paths;
    CRITICAL_SECTION lock;
};

}  // namespace

TEST_F(BackupTest, BackupHoldsConfigAndTopLevelDatabaseFilesAndRestoresThem) {
    MakeDatabase();
    ASSERT_TRUE(MakeFolders(data + "\\bsfilterdb\\sub"));
    ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\sub\\inner.txt", "not backed up"));
    ASSERT_TRUE(WriteBytes(data + "\\Mirvane.ini", "[Mirvane]\r\n"));

    std::vector<std::string> names;
    ASSERT_TRUE(BackupDatabaseTo(paths, Zip("backup.zip"), &names));
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], "bsfilter.conf");
    std::vector<std::string> dbNames(names.begin() + 1, names.end());
    std::sort(dbNames.begin(), dbNames.end());
    EXPECT_EQ(dbNames, (std::vector<std::string>{"bsfilterdb\\C.sdbm.dir", "bsfilterdb\\C.sdbm.pag",
                                                 "bsfilterdb\\S.sdbm.pag"}));
    EXPECT_FALSE(Exists(Zip("backup.zip.mirvane-backup")));

    // Change everything, add a file the backup does not know, then restore.
    ASSERT_TRUE(WriteBytes(paths.bsfilterConfig, "changed"));
    ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\C.sdbm.pag", "changed"));
    ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\new.sdbm.dir", "made after the backup"));
    std::vector<std::string> restored;
    ASSERT_TRUE(RestoreDatabaseFrom(paths, Zip("backup.zip"), &restored));
    std::vector<std::string> sortedRestored = restored;
    std::sort(sortedRestored.begin(), sortedRestored.end());
    std::vector<std::string> sortedNames = names;
    std::sort(sortedNames.begin(), sortedNames.end());
    EXPECT_EQ(sortedRestored, sortedNames);
    EXPECT_EQ(ReadBytes(paths.bsfilterConfig), "## bsfilter.conf\r\n");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\C.sdbm.pag"), std::string(70000, 'p') + "tail");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\new.sdbm.dir"), "made after the backup");
    EXPECT_EQ(FolderNames(data + "\\bsfilterdb").size(), 5u);
}

TEST_F(BackupTest, EmptyOrMissingDatabaseFolderBacksUpTheConfigAlone) {
    ASSERT_TRUE(WriteBytes(paths.bsfilterConfig, "## bsfilter.conf\r\n"));
    std::vector<std::string> names;
    ASSERT_TRUE(BackupDatabaseTo(paths, Zip("empty.zip"), &names));
    EXPECT_EQ(names, std::vector<std::string>{"bsfilter.conf"});

    testing_files::RemoveTree(data + "\\bsfilterdb");
    ASSERT_TRUE(BackupDatabaseTo(paths, Zip("none.zip"), &names));
    EXPECT_EQ(names, std::vector<std::string>{"bsfilter.conf"});
}

TEST_F(BackupTest, FailedBackupLeavesNoArchiveAndKeepsAnOlderOne) {
    MakeDatabase();
    ASSERT_TRUE(DeleteFileA(paths.bsfilterConfig.c_str()));
    std::vector<std::string> names;
    EXPECT_FALSE(BackupDatabaseTo(paths, Zip("fresh.zip"), &names));
    EXPECT_FALSE(Exists(Zip("fresh.zip")));
    EXPECT_FALSE(Exists(Zip("fresh.zip.mirvane-backup")));
    EXPECT_TRUE(names.empty());

    // Overwriting an older archive: the old one survives the failure whole.
    ASSERT_TRUE(WriteBytes(Zip("old.zip"), "the previous backup"));
    EXPECT_FALSE(BackupDatabaseTo(paths, Zip("old.zip"), &names));
    EXPECT_EQ(ReadBytes(Zip("old.zip")), "the previous backup");

    // An archive that cannot be created (its folder is missing) fails too.
    ASSERT_TRUE(WriteBytes(paths.bsfilterConfig, "x"));
    EXPECT_FALSE(BackupDatabaseTo(paths, root.File("no-such-folder\\x.zip"), &names));
}

TEST_F(BackupTest, ArchiveSavedIntoTheDatabaseFolderIsNotPartOfItself) {
    MakeDatabase();
    std::vector<std::string> names;
    ASSERT_TRUE(BackupDatabaseTo(paths, data + "\\bsfilterdb\\self.zip", &names));
    for (const std::string& name : names) EXPECT_EQ(name.find("self.zip"), std::string::npos) << name;
    EXPECT_EQ(names.size(), 4u);
}

TEST_F(BackupTest, EntryNamesAreMadeSafe) {
    EXPECT_EQ(SafeEntryName("bsfilter.conf"), "bsfilter.conf");
    EXPECT_EQ(SafeEntryName("bsfilterdb/C.sdbm.pag"), "bsfilterdb\\C.sdbm.pag");
    EXPECT_EQ(SafeEntryName("bsfilterdb\\C.sdbm.pag"), "bsfilterdb\\C.sdbm.pag");
    EXPECT_EQ(SafeEntryName("bsfilterdb/"), "bsfilterdb\\");
    EXPECT_EQ(SafeEntryName("./a/./b"), "a\\b");
    // Parent steps: only what follows the last one is kept.
    EXPECT_EQ(SafeEntryName("../../evil.txt"), "evil.txt");
    EXPECT_EQ(SafeEntryName("a/../../b/c"), "b\\c");
    EXPECT_EQ(SafeEntryName("..\\..\\evil.txt"), "evil.txt");
    EXPECT_EQ(SafeEntryName("a\\..//..\\x"), "x");
    EXPECT_EQ(SafeEntryName("a/.../x"), "x");
    EXPECT_EQ(SafeEntryName("a/.. /x"), "x");
    EXPECT_EQ(SafeEntryName(".."), "");
    EXPECT_EQ(SafeEntryName("a/.."), "");
    // Absolute paths and drive prefixes.
    EXPECT_EQ(SafeEntryName("/etc/passwd"), "etc\\passwd");
    EXPECT_EQ(SafeEntryName("\\\\server\\share\\x"), "server\\share\\x");
    EXPECT_EQ(SafeEntryName("C:\\Windows\\x.dll"), "Windows\\x.dll");
    EXPECT_EQ(SafeEntryName("C:..\\x"), "x");
    EXPECT_EQ(SafeEntryName("c:x"), "x");
    // Colons (streams, drives further in) and device names cannot be written safely.
    EXPECT_EQ(SafeEntryName("bsfilter.conf:stream"), "");
    EXPECT_EQ(SafeEntryName("a/C:/x"), "");
    EXPECT_EQ(SafeEntryName("NUL"), "");
    EXPECT_EQ(SafeEntryName("a/con.txt"), "");
    EXPECT_EQ(SafeEntryName("COM1"), "");
    EXPECT_EQ(SafeEntryName("console.txt"), "console.txt");
    // A backslash that is the second byte of a double-byte character is not a separator:
    // "表" is 0x95 0x5C in CP932.
    EXPECT_EQ(SafeEntryName("\x95\x5C/x"), "\x95\x5C\\x");
    EXPECT_EQ(SafeEntryName("..\x95\x5C"), "..\x95\x5C");
}

TEST_F(BackupTest, HostileArchiveWritesNothingOutsideTheDataFolder) {
    ZipBuilder zip;
    zip.Add("../bsfilterdb/one", "1");
    zip.Add("..\\bsfilterdb\\two", "2");
    zip.Add("bsfilterdb/../../bsfilter.conf", "3");
    zip.Add("/bsfilterdb/four", "4");
    zip.Add("C:\\bsfilterdb\\five", "5");
    zip.Add("bsfilterdb/NUL", "6");
    zip.Add("../outside.txt", "7");
    ASSERT_TRUE(WriteBytes(Zip("hostile.zip"), zip.Bytes()));

    std::vector<std::string> names;
    size_t skipped = 0;
    ASSERT_TRUE(RestoreDatabaseFrom(paths, Zip("hostile.zip"), &names, &skipped));
    EXPECT_FALSE(Exists(root.File("bsfilterdb")));
    EXPECT_FALSE(Exists(root.File("bsfilter.conf")));
    EXPECT_FALSE(Exists(root.File("outside.txt")));
    EXPECT_FALSE(Exists(data + "\\outside.txt"));
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\one"), "1");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\two"), "2");
    EXPECT_EQ(ReadBytes(paths.bsfilterConfig), "3");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\four"), "4");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\five"), "5");
    EXPECT_EQ(names, (std::vector<std::string>{"bsfilterdb\\one", "bsfilterdb\\two", "bsfilter.conf",
                                               "bsfilterdb\\four", "bsfilterdb\\five"}));
    EXPECT_EQ(skipped, 2u);
}

TEST_F(BackupTest, RestoreTakesOnlyWhatABackupHoldsAndCountsTheRest) {
    ASSERT_TRUE(WriteBytes(data + "\\Mirvane.ini", "[Mirvane]\r\nkept=1\r\n"));
    ZipBuilder zip;
    zip.Add("Mirvane.ini", "[ExecBsfilterScriptProfile]\r\nUseBsfilterScript=1\r\n");
    zip.Add("MirvaneEnv.ini", "planted");
    zip.Add("WhiteList.txt", "planted");
    zip.Add("bsfilterdb/sub/nested", "too deep");
    zip.Add("bsfilterdb2/x", "look-alike folder");
    zip.Add("bsfilter.conf.exe", "look-alike file");
    zip.Add("bsfilterdb/", "");
    zip.Add("BSFILTERDB/C.sdbm.pag", "database");
    zip.Add("Bsfilter.Conf", "config");
    ASSERT_TRUE(WriteBytes(Zip("foreign.zip"), zip.Bytes()));

    std::vector<std::string> names;
    size_t skipped = 0;
    ASSERT_TRUE(RestoreDatabaseFrom(paths, Zip("foreign.zip"), &names, &skipped));
    EXPECT_EQ(skipped, 6u);
    EXPECT_EQ(ReadBytes(data + "\\Mirvane.ini"), "[Mirvane]\r\nkept=1\r\n");
    EXPECT_FALSE(Exists(data + "\\MirvaneEnv.ini"));
    EXPECT_FALSE(Exists(data + "\\WhiteList.txt"));
    EXPECT_FALSE(Exists(data + "\\bsfilterdb\\sub"));
    EXPECT_FALSE(Exists(data + "\\bsfilterdb2"));
    EXPECT_FALSE(Exists(data + "\\bsfilter.conf.exe"));
    // Written under the names a backup uses, so that a case-sensitive file system finds them.
    EXPECT_EQ(names, (std::vector<std::string>{"bsfilterdb\\", "bsfilterdb\\C.sdbm.pag", "bsfilter.conf"}));
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\C.sdbm.pag"), "database");
    EXPECT_EQ(ReadBytes(paths.bsfilterConfig), "config");

    // The result box says how many entries were left out, and only when there were any.
    const std::string text = RestoreResultText(data, names, skipped);
    EXPECT_EQ(text, DatabaseResultText(IDS_RESTORE_DONE, data, names) + LoadResString(IDS_RESTORE_SKIPPED, 6ul));
    EXPECT_NE(text.find("6"), std::string::npos);
    EXPECT_EQ(RestoreResultText(data, names, 0), DatabaseResultText(IDS_RESTORE_DONE, data, names));
}

TEST_F(BackupTest, ArchiveDeclaringMoreThanTheBoundIsRefusedBeforeAnythingIsWritten) {
    MakeDatabase();
    ZipBuilder zip;
    zip.Add("bsfilter.conf", "new config");
    zip.Add("bsfilterdb/C.sdbm.pag", std::string(3000, 'x'));
    ASSERT_TRUE(WriteBytes(Zip("big.zip"), zip.Bytes()));

    paths.restoreCeiling = 2048;
    std::vector<std::string> names;
    EXPECT_FALSE(RestoreDatabaseFrom(paths, Zip("big.zip"), &names));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(ReadBytes(paths.bsfilterConfig), "## bsfilter.conf\r\n");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\C.sdbm.pag"), std::string(70000, 'p') + "tail");
    EXPECT_EQ(FolderNames(data + "\\bsfilterdb").size(), 3u);

    // Within the bound the same archive restores.
    paths.restoreCeiling = 4096;
    EXPECT_TRUE(RestoreDatabaseFrom(paths, Zip("big.zip"), &names));
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\C.sdbm.pag"), std::string(3000, 'x'));
}

TEST_F(BackupTest, BytesWrittenAreCountedAgainstTheBoundWhateverTheSizeFieldsSay) {
    MakeDatabase();
    // Entries whose size fields claim a few bytes but whose data is far longer: the bytes that
    // reach the disk stay within the bound, and no file is replaced by a part of its entry.
    ZipBuilder zip;
    zip.Add("bsfilterdb/C.sdbm.pag", std::string(5000, 'y'), 0, false, 10);
    zip.Add("bsfilterdb/S.sdbm.pag", std::string(5000, 'z'), 0, false, 10);
    ASSERT_TRUE(WriteBytes(Zip("liar.zip"), zip.Bytes()));
    paths.restoreCeiling = 4096;
    std::vector<std::string> names;
    EXPECT_FALSE(RestoreDatabaseFrom(paths, Zip("liar.zip"), &names));
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\C.sdbm.pag"), std::string(70000, 'p') + "tail");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\S.sdbm.pag"), "spam tokens");
    EXPECT_EQ(FolderNames(data + "\\bsfilterdb").size(), 3u);
}

TEST_F(BackupTest, FailedWriteReplacesNoFile) {
    MakeDatabase();
    ZipBuilder zip;
    zip.Add("bsfilter.conf", "new config");
    zip.Add("bsfilterdb/C.sdbm.pag", "new pag");
    // A folder where the second file's temporary file would go: it cannot be created.
    ASSERT_TRUE(MakeFolders(data + "\\bsfilterdb\\C.sdbm.pag.mirvane-restore-1\\x"));
    ASSERT_TRUE(WriteBytes(Zip("two.zip"), zip.Bytes()));
    std::vector<std::string> names;
    EXPECT_FALSE(RestoreDatabaseFrom(paths, Zip("two.zip"), &names));
    EXPECT_EQ(ReadBytes(paths.bsfilterConfig), "## bsfilter.conf\r\n");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\C.sdbm.pag"), std::string(70000, 'p') + "tail");
    EXPECT_FALSE(Exists(data + "\\bsfilter.conf.mirvane-restore-0"));
}

TEST_F(BackupTest, EmptyArchiveRestoresNothingAndSucceeds) {
    ASSERT_TRUE(WriteBytes(Zip("empty.zip"), ZipBuilder().Bytes()));
    std::vector<std::string> names{"stale"};
    EXPECT_TRUE(RestoreDatabaseFrom(paths, Zip("empty.zip"), &names));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(DatabaseResultText(IDS_RESTORE_DONE, data, names),
              LoadResString(IDS_RESTORE_DONE, data.c_str()));
}

TEST_F(BackupTest, DamagedEntryNeverOverwritesAGoodFile) {
    ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\C.sdbm.pag", "good database"));
    ZipBuilder zip;
    zip.Add("bsfilterdb/C.sdbm.pag", "corrupt bytes", 0, true);
    zip.Add("bsfilter.conf", "restored config");
    ASSERT_TRUE(WriteBytes(Zip("damaged.zip"), zip.Bytes()));

    std::vector<std::string> names;
    EXPECT_FALSE(RestoreDatabaseFrom(paths, Zip("damaged.zip"), &names));
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\C.sdbm.pag"), "good database");
    EXPECT_EQ(FolderNames(data + "\\bsfilterdb").size(), 1u);
    // The sound entry after it is still restored and listed.
    EXPECT_EQ(ReadBytes(paths.bsfilterConfig), "restored config");
    EXPECT_EQ(names, std::vector<std::string>{"bsfilter.conf"});
}

TEST_F(BackupTest, RestoreFailsOnMissingOrInvalidArchives) {
    std::vector<std::string> names;
    EXPECT_FALSE(RestoreDatabaseFrom(paths, Zip("absent.zip"), &names));
    ASSERT_TRUE(WriteBytes(Zip("text.zip"), "this is not a zip file"));
    EXPECT_FALSE(RestoreDatabaseFrom(paths, Zip("text.zip"), &names));
}

TEST_F(BackupTest, Utf8NamedEntriesAreWrittenInTheAnsiCodePage) {
    ZipBuilder zip;
    zip.Add("bsfilterdb/\xE8\xA1\xA8.txt", "hyou", 0x800);  // "表.txt" in UTF-8, flagged as such
    ASSERT_TRUE(WriteBytes(Zip("utf8.zip"), zip.Bytes()));
    std::vector<std::string> names;
    ASSERT_TRUE(RestoreDatabaseFrom(paths, Zip("utf8.zip"), &names));
    EXPECT_EQ(names, std::vector<std::string>{"bsfilterdb\\\x95\x5C.txt"});
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\\x95\x5C.txt"), "hyou");
}

TEST_F(BackupTest, RestoredFilesTakeTheEntryTime) {
    ZipBuilder zip;
    zip.Add("bsfilter.conf", "x");
    ASSERT_TRUE(WriteBytes(Zip("time.zip"), zip.Bytes()));
    std::vector<std::string> names;
    ASSERT_TRUE(RestoreDatabaseFrom(paths, Zip("time.zip"), &names));
    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExA(paths.bsfilterConfig.c_str(), GetFileExInfoStandard, &info));
    FILETIME local;
    SYSTEMTIME time;
    ASSERT_TRUE(FileTimeToLocalFileTime(&info.ftLastWriteTime, &local));
    ASSERT_TRUE(FileTimeToSystemTime(&local, &time));
    EXPECT_EQ(time.wYear, 2024);
    EXPECT_EQ(time.wMonth, 3);
    EXPECT_EQ(time.wDay, 5);
    EXPECT_EQ(time.wHour, 7);
    EXPECT_EQ(time.wMinute, 8);
    EXPECT_EQ(time.wSecond, 8);
}

TEST_F(BackupTest, ResultTextListsEachNameOnItsOwnLine) {
    const std::string text = DatabaseResultText(IDS_BACKUP_DONE, "C:\\data", {"bsfilter.conf", "bsfilterdb\\x"});
    EXPECT_EQ(text, LoadResString(IDS_BACKUP_DONE, "C:\\data") + "bsfilter.conf\r\nbsfilterdb\\x\r\n");
    EXPECT_NE(text.find("C:\\data"), std::string::npos);
}
