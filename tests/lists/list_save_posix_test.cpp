// Atomic saves of the list files under failing system calls: whatever call fails, the old file
// stays as it was, no temporary file is left behind, and the save reports the failure.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "common/TestFiles.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "platform/posix/fault_injection.h"

namespace {

using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

struct Fault {
    PlatformSyscall call;
    int error;
    unsigned skip;
    const char* name;
};

const Fault kFaults[] = {
    {PlatformSyscall::Open, EACCES, 0, "open"},
    {PlatformSyscall::Write, ENOSPC, 0, "first write"},
    {PlatformSyscall::Write, ENOSPC, 1, "second write"},
    {PlatformSyscall::Fsync, EIO, 0, "fsync"},
    {PlatformSyscall::Rename, EIO, 0, "rename"},
};

class ClearFaults {
public:
    ~ClearFaults() { PlatformClearFaults(); }
};

// Runs save under each fault and checks that the file keeps old and nothing else is left.
template <typename List>
void ExpectSavesLoseNothing(const List& list, const TempDir& folder, const std::string& old) {
    const std::string path = folder.File("List.txt");
    for (const Fault& fault : kFaults) {
        ASSERT_TRUE(WriteBytes(path, old));
        ClearFaults clear;
        PlatformInjectFault(fault.call, fault.error, fault.skip, 1);
        EXPECT_FALSE(list.Save(path.c_str())) << fault.name;
        PlatformClearFaults();
        EXPECT_EQ(old, ReadBytes(path)) << fault.name;
        EXPECT_FALSE(testing_files::Exists(path + ".tmp")) << fault.name;
    }
    EXPECT_TRUE(list.Save(path.c_str()));
    EXPECT_NE(old, ReadBytes(path));
}

}  // namespace

TEST(ListSaveFaults, AWhiteListSaveThatFailsAnywhereKeepsTheOldFile) {
    TempDir folder;
    WhiteList list;
    // More than one write's worth of data, so that a failure can come half-way.
    for (int i = 0; i < 40000; ++i) list.AddOrUpdate("user" + std::to_string(i) + "@example.jp", std::string(40, 'n'));
    ExpectSavesLoseNothing(list, folder, "old@example.jp\t\r\n");
}

TEST(ListSaveFaults, AWordListSaveThatFailsAnywhereKeepsTheOldFile) {
    TempDir folder;
    WordList list;
    for (int i = 0; i < 40000; ++i) list.AddOrUpdate("word" + std::to_string(i) + std::string(30, 'w'), 1, false, true);
    ExpectSavesLoseNothing(list, folder, "old\tAll\tText\tIgnoreCase\r\n");
}
