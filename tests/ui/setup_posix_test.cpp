// OnPlugInSetup where there are no windows: the sheet cannot be created, so the export takes
// the Cancel path: settings and lists stay, the layout file and the pending recipients are
// written, and the export returns 1.
#include "SetupFixture.h"
#include "ui/Setup.h"

using testing_files::Exists;
using testing_files::ReadBytes;

TEST_F(SetupFixture, WithoutWindowsTheSheetClosesAsCancelled) {
    g_pendingWhiteList.AddOrUpdate("sent@example.com", "Sent");
    EXPECT_EQ(OnPlugInSetup(nullptr), 1);
    EXPECT_FALSE(g_setupOpen);
    EXPECT_FALSE(Exists(g_iniPath));
    EXPECT_TRUE(Exists(g_envIniPath));
    EXPECT_EQ(ReadBytes(g_whiteListPath), "sent@example.com\tSent\r\n");
    EXPECT_EQ(g_pendingWhiteList.Count(), 0);
    EXPECT_EQ(g_setupSheet, nullptr);
}
