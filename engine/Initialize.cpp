// Start-up of the plug-in: paths, locks, folders, settings, log, lists, PATH and bsfilter's
// configuration and home.
#include <clocale>

#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"
#include "lists/AddressInfo.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "platform/Mbcs.h"
#include "plugin/HostApi.h"
#include "settings/Profile.h"
#include "support/Log.h"
#include "support/Util.h"

namespace {

const char kLogSource[] = "Mirvane\\Mirvane";

// Loads a word list before its lock is set, and lists what it holds at DEBUG.
void LoadWordList(WordList& list, const char* path, const char* name) {
    list.Load(path);
    LOG(LOG_DEBUG, "Initialize()", "load %s.", name);
    for (const std::string& text : list.Texts()) LOG(LOG_DEBUG, "Initialize()", "%s: [%s].", name, text.c_str());
    list.SetLock(&g_settingsLock);
}

}  // namespace

void CreateBsfilterConfig() {
    LOG(LOG_DEBUG, "CreateBsfilterConfig()", "begin.");
    HANDLE file = CreateFileA(g_bsfilterConfig, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LOG(LOG_ERROR, "CreateBsfilterConfig()", "%s: LastError: [%lu], g_bsfilterConfig: [%s].", "CreateFile()",
            GetLastError(), g_bsfilterConfig);
    } else {
        LOG(LOG_DEBUG, "CreateBsfilterConfig()", "%s: succeeded.", "CreateFile()");
        static const char kDefault[] = "## bsfilter.conf\r\n";
        if (!Util::WriteToFile(file, kDefault, sizeof(kDefault) - 1)) {
            LOG(LOG_ERROR, "CreateBsfilterConfig()", "%s.", "Util::WriteToFile()");
        } else {
            LOG(LOG_DEBUG, "CreateBsfilterConfig()", "%s: succeeded.", "Util::WriteToFile()");
        }
        CloseHandle(file);
    }
    LOG(LOG_DEBUG, "CreateBsfilterConfig()", "end.");
}

bool Initialize() {
    PlatformSetJapaneseLocale();
    CreateLocks();

    char dllPath[kPathSize] = {0};
    GetModuleFileNameA(g_moduleHandle, dllPath, sizeof(dllPath));
    dllPath[sizeof(dllPath) - 1] = '\0';
    char* slash = const_cast<char*>(Mbcs::FindLast(dllPath, '\\'));
    if (slash != nullptr) *slash = '\0';
    BuildProgramPaths(dllPath);

    const char* dataFolder = g_hostApi.GetDataFolder != nullptr ? g_hostApi.GetDataFolder() : nullptr;
    // Without a data folder every path would start at the root of the drive ("\PlugIns\...").
    if (dataFolder == nullptr || dataFolder[0] == '\0') return false;
    BuildDataPaths(dataFolder);

    SelectResourceModule(g_pluginFolder);

    char folder[kPathSize];
    FormatTo(folder, sizeof(folder), "%s\\", g_pluginDataFolder);
    if (!PlatformMakeSureDirectoryPathExists(folder)) return false;

    RegisterProfiles();
    LoadProfiles(g_iniPath, g_profiles, g_profileIo);
    for (MirvoProfileBase* profile : g_profiles) profile->SetLock(&g_settingsLock);
    LoadProfiles(g_envIniPath, g_envProfiles, g_envProfileIo);
    for (MirvoProfileBase* profile : g_envProfiles) profile->SetLock(&g_settingsLock);

    g_logger.Configure(g_profile.LogLevel().c_str(), g_pluginDataFolder, g_logPath);
    LOG(LOG_DEBUG, "Initialize()", "begin.");

    g_myMailAddressInfo.SetDataFolder(g_hostDataFolder);
    g_myMailAddressInfo.Update();

    g_whiteList.Load(g_whiteListPath);
    LOG(LOG_DEBUG, "Initialize()", "load g_whiteList.");
    for (const std::string& address : g_whiteList.Addresses()) {
        LOG(LOG_DEBUG, "Initialize()", "g_whiteList: [%s].", address.c_str());
    }
    g_whiteList.SetLock(&g_settingsLock);
    LoadWordList(g_ngWordList, g_ngWordListPath, "g_ngWordList");
    LoadWordList(g_okWordList, g_okWordListPath, "g_okWordList");

    char path[kTextSize] = {0};
    const DWORD pathLength = GetEnvironmentVariableA("PATH", path, sizeof(path));
    if (pathLength == 0 || pathLength >= sizeof(path)) {
        // A value that does not fit is treated as unreadable: PATH is never set from a
        // partly filled buffer.
        const DWORD error = pathLength == 0 ? GetLastError() : static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER);
        LOG(LOG_ERROR, "Initialize()", "%s: LastError: [%lu].", "GetEnvironmentVariable()", error);
        return false;
    }
    LOG(LOG_DEBUG, "Initialize()", "%s: succeeded.", "GetEnvironmentVariable()");
    char newPath[kTextSize];
    FormatTo(newPath, sizeof(newPath), "%s;%s", path, g_pluginFolder);
    if (!SetEnvironmentVariableA("PATH", newPath)) {
        LOG(LOG_ERROR, "Initialize()", "%s: LastError: [%lu].", "SetEnvironmentVariable()", GetLastError());
    } else {
        LOG(LOG_INFO, "Initialize()", "%s: succeeded. path: [%s].", "SetEnvironmentVariable()", newPath);
    }

    if (!PlatformStat(g_bsfilterConfig, nullptr, nullptr)) CreateBsfilterConfig();

    FormatTo(folder, sizeof(folder), "%s\\", g_bsfilterDbFolder);
    if (!PlatformMakeSureDirectoryPathExists(folder)) {
        LOG(LOG_ERROR, "Initialize()", "%s: LastError: [%lu].", "MakeSureDirectoryPathExists()", GetLastError());
        return false;
    }
    LOG(LOG_DEBUG, "Initialize()", "%s: succeeded.", "MakeSureDirectoryPathExists()");

    // Let bsfilter report its database once; the result only goes to the log.
    if (!g_profile.DontCheckDbOnStart() && IsBsfilterAvailable()) {
        std::string output;
        const int status = ExecBsfilter(nullptr, 0, &output, "--show-db-status");
        LOG(LOG_INFO, "Initialize()", "%s: status: [%d].", "ExecBsfilter()", status);
    }

    LOG(LOG_DEBUG, "Initialize()", "end.");
    return true;
}
