// Path globals built at start-up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/Mirvane.h"

TEST(Paths, ProgramPathsLieInTheFolderBesideTheDll) {
    BuildProgramPaths("C:\\Becky\\PlugIns");
    EXPECT_STREQ(g_pluginFolder, "C:\\Becky\\PlugIns\\Mirvane");
    EXPECT_STREQ(g_bsfilterExe, "C:\\Becky\\PlugIns\\Mirvane\\bsfilter.exe");
    EXPECT_STREQ(g_bsfilterScript, "C:\\Becky\\PlugIns\\Mirvane\\bsfilter");
    EXPECT_STREQ(g_iconvDll, "C:\\Becky\\PlugIns\\Mirvane\\iconv.dll");
}

TEST(Paths, DataPathsWithOrWithoutTrailingBackslashAreTheSame) {
    BuildDataPaths("D:\\Data");
    const std::string first = g_pluginDataFolder;
    EXPECT_STREQ(g_hostDataFolder, "D:\\Data\\");
    BuildDataPaths("D:\\Data\\");
    EXPECT_EQ(first, g_pluginDataFolder);
    EXPECT_STREQ(g_hostDataFolder, "D:\\Data\\");
    EXPECT_STREQ(g_pluginDataFolder, "D:\\Data\\PlugIns\\Mirvane");
    EXPECT_STREQ(g_iniPath, "D:\\Data\\PlugIns\\Mirvane\\Mirvane.ini");
    EXPECT_STREQ(g_envIniPath, "D:\\Data\\PlugIns\\Mirvane\\MirvaneEnv.ini");
    EXPECT_STREQ(g_bsfilterConfig, "D:\\Data\\PlugIns\\Mirvane\\bsfilter.conf");
    EXPECT_STREQ(g_bsfilterDbFolder, "D:\\Data\\PlugIns\\Mirvane\\bsfilterdb");
    EXPECT_STREQ(g_logPath, "D:\\Data\\PlugIns\\Mirvane\\Mirvane.log");
    EXPECT_STREQ(g_whiteListPath, "D:\\Data\\PlugIns\\Mirvane\\WhiteList.txt");
    EXPECT_STREQ(g_ngWordListPath, "D:\\Data\\PlugIns\\Mirvane\\NgWordList.txt");
    EXPECT_STREQ(g_okWordListPath, "D:\\Data\\PlugIns\\Mirvane\\OkWordList.txt");
}

TEST(Paths, ATrailByteEqualToBackslashIsNoSeparator) {
    // "D:\表" ends in 0x95 0x5C: one character, so a backslash is still appended.
    BuildDataPaths("D:\\\x95\x5C");
    EXPECT_STREQ(g_hostDataFolder, "D:\\\x95\x5C\\");
}

TEST(Paths, OverlongPathsAreCutAndTerminated) {
    const std::string longFolder(1100, 'p');
    BuildDataPaths(longFolder.c_str());
    EXPECT_EQ(std::strlen(g_hostDataFolder), 1039u);
    EXPECT_EQ(std::strlen(g_pluginDataFolder), 1039u);
    EXPECT_EQ(std::strlen(g_okWordListPath), 1039u);
    BuildProgramPaths(longFolder.c_str());
    EXPECT_EQ(std::strlen(g_bsfilterExe), 1039u);
    EXPECT_EQ(g_bsfilterExe[1039], '\0');
}

TEST(Locks, CreatedOnceAndDeletedOnlyWhenCreated) {
    DeleteLocks();
    EXPECT_FALSE(g_locksCreated);
    DeleteLocks();  // never created: nothing happens
    CreateLocks();
    EXPECT_TRUE(g_locksCreated);
    EnterCriticalSection(&g_settingsLock);
    EnterCriticalSection(&g_settingsLock);
    LeaveCriticalSection(&g_settingsLock);
    LeaveCriticalSection(&g_settingsLock);
    CreateLocks();
    DeleteLocks();
    EXPECT_FALSE(g_locksCreated);
}
