// A plug-in state for the settings sheet's tests: path globals in a temporary host data
// folder, the locks, the settings groups loaded from (absent) files and attached to the
// settings lock, and empty lists. Every test starts from the defaults.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/TestFiles.h"
#include "engine/Mirvane.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "plugin/DllMain.h"
#include "settings/Profile.h"

class SetupFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CreateLocks();
        RegisterProfiles();
        BuildDataPaths(host.Path().c_str());
        ASSERT_TRUE(testing_files::MakeFolders(g_pluginDataFolder));
        LoadProfiles(g_iniPath, g_profiles, g_profileIo);
        LoadProfiles(g_envIniPath, g_envProfiles, g_envProfileIo);
        for (MirvoProfileBase* profile : g_profiles) profile->SetLock(&g_settingsLock);
        for (MirvoProfileBase* profile : g_envProfiles) profile->SetLock(&g_settingsLock);
        for (WhiteList* list : {&g_whiteList, &g_pendingWhiteList}) {
            list->SetLock(nullptr);
            list->Clear();
            list->SetSortColumn(0);
            list->SetSortAscending(true);
        }
        g_whiteList.SetLock(&g_settingsLock);
        for (WordList* list : {&g_ngWordList, &g_okWordList}) {
            list->SetLock(nullptr);
            list->Clear();
            list->SetSortColumn(0);
            list->SetSortAscending(true);
            list->SetLock(&g_settingsLock);
        }
        g_setupOpen = false;
    }

    void TearDown() override {
        for (MirvoProfileBase* profile : g_profiles) profile->SetLock(nullptr);
        for (MirvoProfileBase* profile : g_envProfiles) profile->SetLock(nullptr);
        g_whiteList.SetLock(nullptr);
        g_ngWordList.SetLock(nullptr);
        g_okWordList.SetLock(nullptr);
        g_setupOpen = false;
    }

    testing_files::TempDir host;
};
