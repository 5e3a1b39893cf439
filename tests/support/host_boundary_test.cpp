// The host boundary: an exception (above all std::bad_alloc, which a 32-bit host out of
// address space throws at any allocation) never leaves a host call; the call answers its
// "nothing done" value and the log says why.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "common/TestFiles.h"
#include "support/HostBoundary.h"
#include "support/Log.h"

using testing_files::ReadBytes;
using testing_files::TempDir;

namespace {

class HostBoundaryTest : public ::testing::Test {
protected:
    void SetUp() override { g_logger.Configure("ERROR", dir.Path().c_str(), dir.File("Mirvane.log").c_str()); }
    void TearDown() override { g_logger.Configure("ERROR", "", ""); }
    std::string Log() const { return ReadBytes(dir.File("Mirvane.log")); }

    TempDir dir;
};

}  // namespace

TEST_F(HostBoundaryTest, ExceptionsEndTheCallWithItsFailureAnswer) {
    EXPECT_EQ(GuardHostCall("BKC_OnBeforeFilter2()", 0, []() -> int { throw std::bad_alloc(); }), 0);
    EXPECT_EQ(GuardHostCall("BKC_OnPlugInSetup()", 1, []() -> int { throw std::length_error("too long"); }), 1);
    EXPECT_EQ(GuardHostCall("DllMain()", FALSE, []() -> BOOL { throw 42; }), FALSE);
    bool ran = false;
    GuardHostCall("command()", [&] {
        ran = true;
        throw std::bad_alloc();
    });
    EXPECT_TRUE(ran);

    const std::string log = Log();
    EXPECT_NE(log.find("ERROR: DllMain: "), std::string::npos);
    EXPECT_NE(log.find("BKC_OnBeforeFilter2(): stopped by an exception: [out of memory]."), std::string::npos);
    EXPECT_NE(log.find("BKC_OnPlugInSetup(): stopped by an exception: [too long]."), std::string::npos);
    EXPECT_NE(log.find("DllMain(): stopped by an exception: [unknown]."), std::string::npos);
    EXPECT_NE(log.find("command(): stopped by an exception: [out of memory]."), std::string::npos);

    // Without an exception the body's own answer passes through and nothing is logged.
    const std::string before = Log();
    EXPECT_EQ(GuardHostCall("BKC_OnMenuInit()", 0, [] { return 7; }), 7);
    EXPECT_EQ(Log(), before);
}
