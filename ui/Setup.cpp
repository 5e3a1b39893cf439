// The settings sheet's opening and closing sequence; see Setup.h.
#include "ui/Setup.h"

#include <algorithm>
#include <vector>

#include "engine/Mirvane.h"
#include "plugin/DllMain.h"
#include "support/Log.h"
#include "support/Util.h"

static const char kLogSource[] = "Mirvane\\Setup";

SetupSheet* g_setupSheet = nullptr;

SetupSheet::SetupSheet(SetupSettings* settingsCopy)
    : settings(settingsCopy), whiteList(settingsCopy), ngWord(settingsCopy), okWord(settingsCopy) {
    general.settings = settingsCopy;
    other.settings = settingsCopy;
    acknowledgements.settings = settingsCopy;
}

namespace {

// Copies a live settings group into the working copy, without its lock.
template <class Profile>
void CopyGroup(Profile& copy, const Profile& live) {
    copy = live;
    copy.SetLock(nullptr);
}

// Assigns a copied group back to the live one, which keeps g_settingsLock.
template <class Profile>
void AssignGroup(Profile& live, Profile& copy) {
    copy.SetLock(&g_settingsLock);
    live = copy;
}

}  // namespace

void CopyInSettings(SetupSettings& settings) {
    LOG(LOG_DEBUG, "CopyInSettings()", "begin.");
    EnterCriticalSection(&g_settingsLock);
    g_setupOpen = true;

    settings.hostApi = &g_hostApi;
    settings.hostDataFolder = g_hostDataFolder;
    settings.dataFolder = g_pluginDataFolder;
    settings.bsfilterConfig = g_bsfilterConfig;
    settings.bsfilterDbFolder = g_bsfilterDbFolder;
    CopyGroup(settings.profile, g_profile);
    CopyGroup(settings.contextMenu, g_contextMenuProfile);
    CopyGroup(settings.script, g_scriptProfile);
    CopyGroup(settings.ngWord, g_ngWordProfile);
    CopyGroup(settings.okWord, g_okWordProfile);
    CopyGroup(settings.whiteListEnv, g_whiteListEnv);
    CopyGroup(settings.whiteList, g_whiteList);
    CopyGroup(settings.ngWordEnv, g_ngWordEnv);
    CopyGroup(settings.ngWordList, g_ngWordList);
    CopyGroup(settings.okWordEnv, g_okWordEnv);
    CopyGroup(settings.okWordList, g_okWordList);
    settings.bsfilterLock = &g_bsfilterLock;

    // Each list shows itself in the order its page showed last time.
    settings.whiteList.SetSortColumn(settings.whiteListEnv.SortColumn());
    settings.whiteList.SetSortAscending(settings.whiteListEnv.SortIsAscending());
    settings.ngWordList.SetSortColumn(settings.ngWordEnv.SortColumn());
    settings.ngWordList.SetSortAscending(settings.ngWordEnv.SortIsAscending());
    settings.okWordList.SetSortColumn(settings.okWordEnv.SortColumn());
    settings.okWordList.SetSortAscending(settings.okWordEnv.SortIsAscending());
    settings.whiteList.Sort();
    settings.ngWordList.Sort();
    settings.okWordList.Sort();

    LeaveCriticalSection(&g_settingsLock);
    LOG(LOG_DEBUG, "CopyInSettings()", "end.");
}

bool MergePendingWhiteList() {
    static const char kLogSource[] = "Mirvane\\DllMain";
    std::vector<WhiteListEntry> pending = g_pendingWhiteList.Entries();
    std::sort(pending.begin(), pending.end(),
              [](const WhiteListEntry& a, const WhiteListEntry& b) { return a.address < b.address; });
    bool changed = false;
    for (const WhiteListEntry& entry : pending) {
        bool exists = false;
        if (!g_whiteList.CanAdd(entry.address, &exists)) continue;
        const std::string note = Trim(entry.note, kBlanks);
        if (!exists || !note.empty()) {
            g_whiteList.AddOrUpdate(entry.address, note);
            LOG(LOG_INFO, "BKC_OnPlugInSetup()", "add or update white list: [%s].", entry.address.c_str());
            changed = true;
        }
    }
    return changed;
}

void CloseSetup(SetupSettings& settings, int result) {
    LOG(LOG_DEBUG, "CloseSetup()", "begin.");
    const bool confirmed = result > 0;
    EnterCriticalSection(&g_settingsLock);

    bool saveWhiteList = false;
    bool saveNgWordList = false;
    bool saveOkWordList = false;
    if (confirmed) {
        AssignGroup(g_profile, settings.profile);
        AssignGroup(g_contextMenuProfile, settings.contextMenu);
        AssignGroup(g_scriptProfile, settings.script);
        AssignGroup(g_ngWordProfile, settings.ngWord);
        AssignGroup(g_okWordProfile, settings.okWord);
        AssignGroup(g_whiteList, settings.whiteList);
        AssignGroup(g_ngWordList, settings.ngWordList);
        AssignGroup(g_okWordList, settings.okWordList);
        saveWhiteList = saveNgWordList = saveOkWordList = true;
    }
    // The pages wrote their layout into the Env copies on OK and on Cancel alike.
    AssignGroup(g_whiteListEnv, settings.whiteListEnv);
    AssignGroup(g_ngWordEnv, settings.ngWordEnv);
    AssignGroup(g_okWordEnv, settings.okWordEnv);

    if (MergePendingWhiteList()) saveWhiteList = true;
    g_pendingWhiteList.Clear();
    g_setupOpen = false;

    if (confirmed) SaveProfiles(g_profiles, g_profileIo);
    if (saveWhiteList) g_whiteList.Save(g_whiteListPath);
    if (saveNgWordList) g_ngWordList.Save(g_ngWordListPath);
    if (saveOkWordList) g_okWordList.Save(g_okWordListPath);
    SaveProfiles(g_envProfiles, g_envProfileIo);

    LeaveCriticalSection(&g_settingsLock);
    LOG(LOG_DEBUG, "CloseSetup()", "end. result: [%d].", result);
}

int OnPlugInSetup(HWND parent) {
    LOG(LOG_DEBUG, "OnPlugInSetup()", "begin.");
    SetupSettings settings;
    CopyInSettings(settings);
    {
        SetupSheet sheet(&settings);
        g_setupSheet = &sheet;
        const int result = RunSetupSheet(&sheet, parent);
        g_setupSheet = nullptr;
        CloseSetup(settings, result);
    }
    LOG(LOG_DEBUG, "OnPlugInSetup()", "end.");
    return 1;
}
