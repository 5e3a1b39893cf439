// Backups checked by independent ZIP tools, and archives made by Info-ZIP restored: Python's
// zipfile and "unzip -t" must read what the backup writes, and the restore must take what
// "zip" writes. Needs python3, zip and unzip on the path.
#include <gtest/gtest.h>

#include <errno.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "platform/posix/fault_injection.h"
#include "ui/Backup.h"

using testing_files::MakeFolders;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

// The POSIX form of a test path (the test folders have ASCII names).
std::string Native(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

class BackupToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = root.File("data");
        ASSERT_TRUE(MakeFolders(data + "\\bsfilterdb"));
        paths.dataFolder = data;
        paths.bsfilterConfig = data + "\\bsfilter.conf";
        paths.bsfilterDbFolder = data + "\\bsfilterdb";
    }
    TempDir root;
    std::string data;
    DatabasePaths paths;
};

}  // namespace

TEST_F(BackupToolsTest, IndependentReadersAcceptTheBackup) {
    ASSERT_TRUE(WriteBytes(paths.bsfilterConfig, "## bsfilter.conf\r\n"));
    std::string big;
    for (int i = 0; i < 20000; ++i) big += "token" + std::to_string(i) + "\n";
    ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\C.sdbm.pag", big));
    ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\S.sdbm.dir", ""));
    std::vector<std::string> names;
    ASSERT_TRUE(BackupDatabaseTo(paths, root.File("b.zip"), &names));
    const std::string zip = Native(root.File("b.zip"));

    EXPECT_EQ(Shell("unzip -tq '" + zip + "' >/dev/null"), 0);
    const std::string check = Native(root.File("check.py"));
    ASSERT_TRUE(WriteBytes(root.File("check.py"),
                           "import sys, zipfile\n"
                           "z = zipfile.ZipFile(sys.argv[1])\n"
                           "assert z.testzip() is None\n"
                           "names = sorted(z.namelist())\n"
                           "assert names == ['bsfilter.conf', 'bsfilterdb/C.sdbm.pag', 'bsfilterdb/S.sdbm.dir'], names\n"
                           "info = z.getinfo('bsfilterdb/C.sdbm.pag')\n"
                           "assert info.compress_type == zipfile.ZIP_DEFLATED, info.compress_type\n"
                           "assert info.compress_size < info.file_size\n"
                           "assert z.read('bsfilter.conf') == b'## bsfilter.conf\\r\\n'\n"
                           "assert len(z.read('bsfilterdb/C.sdbm.pag')) == int(sys.argv[2])\n"
                           "import os, time\n"
                           "t = time.localtime(os.path.getmtime(sys.argv[3]))\n"
                           "assert abs(time.mktime(info.date_time + (0, 0, -1)) - time.mktime(t)) <= 2, (info.date_time, t)\n"));
    EXPECT_EQ(Shell("python3 '" + check + "' '" + zip + "' " + std::to_string(big.size()) + " '" +
                  Native(data + "\\bsfilterdb\\C.sdbm.pag") + "'"),
              0);
}

TEST_F(BackupToolsTest, RestoreTakesInfoZipArchives) {
    const std::string source = Native(root.File("source"));
    ASSERT_TRUE(MakeFolders(root.File("source\\bsfilterdb\\sub")));
    ASSERT_TRUE(WriteBytes(root.File("source\\bsfilter.conf"), "conf from zip"));
    ASSERT_TRUE(WriteBytes(root.File("source\\bsfilterdb\\C.sdbm.pag"), std::string(50000, 'x')));
    ASSERT_TRUE(WriteBytes(root.File("source\\bsfilterdb\\sub\\nested.txt"), "nested"));
    ASSERT_EQ(Shell("cd '" + source + "' && zip -qr ../infozip.zip bsfilter.conf bsfilterdb"), 0);
    ASSERT_EQ(Shell("cd '" + source + "' && zip -q0 ../stored.zip bsfilter.conf"), 0);

    std::vector<std::string> names;
    ASSERT_TRUE(RestoreDatabaseFrom(paths, root.File("infozip.zip"), &names));
    EXPECT_EQ(ReadBytes(paths.bsfilterConfig), "conf from zip");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\C.sdbm.pag"), std::string(50000, 'x'));
    // A backup holds no subfolders: one in a foreign archive is left out.
    EXPECT_FALSE(testing_files::Exists(data + "\\bsfilterdb\\sub"));
    EXPECT_NE(std::find(names.begin(), names.end(), "bsfilterdb\\C.sdbm.pag"), names.end());

    ASSERT_TRUE(WriteBytes(paths.bsfilterConfig, "changed"));
    ASSERT_TRUE(RestoreDatabaseFrom(paths, root.File("stored.zip"), &names));
    EXPECT_EQ(ReadBytes(paths.bsfilterConfig), "conf from zip");
}

TEST_F(BackupToolsTest, InfoZipEmptyArchiveRestoresNothing) {
    // "zip" refuses to write an empty archive; Python writes the same 22-byte end record.
    const std::string empty = Native(root.File("empty.zip"));
    ASSERT_EQ(Shell("python3 -c \"import zipfile; zipfile.ZipFile('" + empty + "', 'w').close()\""), 0);
    std::vector<std::string> names;
    EXPECT_TRUE(RestoreDatabaseFrom(paths, root.File("empty.zip"), &names));
    EXPECT_TRUE(names.empty());
}

TEST_F(BackupToolsTest, PythonMadeHostileArchiveStaysInside) {
    const std::string zip = Native(root.File("evil.zip"));
    ASSERT_EQ(Shell("python3 -c \"import zipfile; z = zipfile.ZipFile('" + zip +
                  "', 'w'); [z.writestr(zipfile.ZipInfo(n), b'x') for n in ['../../up.txt', '/abs.txt', "
                  "'C:/drive.txt', '..\\\\\\\\back.txt']]; z.close()\""),
              0);
    std::vector<std::string> names;
    size_t skipped = 0;
    ASSERT_TRUE(RestoreDatabaseFrom(paths, root.File("evil.zip"), &names, &skipped));
    EXPECT_EQ(skipped, 4u);
    EXPECT_TRUE(names.empty());
    for (const char* name : {"up.txt", "abs.txt", "drive.txt", "back.txt"}) {
        EXPECT_FALSE(testing_files::Exists(root.File(name))) << name;
        EXPECT_FALSE(testing_files::Exists(data + "\\" + name)) << name;
    }
}

// A restore flushes the new files once for all, not once each: with every fsync(2) failing it
// still succeeds (the flushes of the folders are best effort), where one flush per file fails
// at the first one. Twenty thousand entries took up to 81 s with one flush per file.
TEST_F(BackupToolsTest, RestoreDoesNotFlushFileByFile) {
    const std::string source = Native(root.File("source"));
    ASSERT_TRUE(MakeFolders(root.File("source\\bsfilterdb")));
    ASSERT_TRUE(WriteBytes(root.File("source\\bsfilter.conf"), "conf"));
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(WriteBytes(root.File("source\\bsfilterdb\\f" + std::to_string(i)), std::to_string(i)));
    }
    ASSERT_EQ(Shell("cd '" + source + "' && zip -qr ../many.zip bsfilter.conf bsfilterdb"), 0);
    ASSERT_TRUE(WriteBytes(data + "\\bsfilterdb\\f7", "old"));

    std::vector<std::string> names;
    PlatformInjectFault(PlatformSyscall::Fsync, EIO, 0, 0);
    const bool ok = RestoreDatabaseFrom(paths, root.File("many.zip"), &names);
    PlatformClearFaults();
    ASSERT_TRUE(ok);
    EXPECT_EQ(names.size(), 42u);  // bsfilter.conf, the folder and 40 files
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\f7"), "7");
    EXPECT_EQ(ReadBytes(data + "\\bsfilterdb\\f39"), "39");
}
