// Entry point of the test programs: the plug-in's own module is the test program itself, so
// its string table and version resource are the ones linked into it.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/Util.h"

int main(int argc, char** argv) {
    g_moduleHandle = GetModuleHandleA(nullptr);
    g_resourceModule = g_moduleHandle;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
