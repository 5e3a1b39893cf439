// The path globals and the two process-wide locks.
#include "engine/Mirvane.h"

#include "platform/Mbcs.h"

char g_pluginFolder[kPathSize];
char g_bsfilterExe[kPathSize];
char g_bsfilterScript[kPathSize];
char g_iconvDll[kPathSize];
char g_hostDataFolder[kPathSize];
char g_pluginDataFolder[kPathSize];
char g_iniPath[kPathSize];
char g_envIniPath[kPathSize];
char g_bsfilterConfig[kPathSize];
char g_bsfilterDbFolder[kPathSize];
char g_logPath[kPathSize];
char g_whiteListPath[kPathSize];
char g_ngWordListPath[kPathSize];
char g_okWordListPath[kPathSize];

CRITICAL_SECTION g_settingsLock;
CRITICAL_SECTION g_bsfilterLock;
bool g_locksCreated = false;

void BuildProgramPaths(const char* dllFolder) {
    FormatTo(g_pluginFolder, kPathSize, "%s\\Mirvane", dllFolder != nullptr ? dllFolder : "");
    FormatTo(g_bsfilterExe, kPathSize, "%s\\bsfilter.exe", g_pluginFolder);
    FormatTo(g_bsfilterScript, kPathSize, "%s\\bsfilter", g_pluginFolder);
    FormatTo(g_iconvDll, kPathSize, "%s\\iconv.dll", g_pluginFolder);
}

void BuildDataPaths(const char* hostDataFolder) {
    char folder[kPathSize];
    CopyTo(folder, sizeof(folder), hostDataFolder);
    if (!Mbcs::EndsWith(folder, '\\')) FormatTo(folder, sizeof(folder), "%s\\", hostDataFolder);
    CopyTo(g_hostDataFolder, kPathSize, folder);

    FormatTo(g_pluginDataFolder, kPathSize, "%sPlugIns\\Mirvane", g_hostDataFolder);
    FormatTo(g_iniPath, kPathSize, "%s\\Mirvane.ini", g_pluginDataFolder);
    FormatTo(g_envIniPath, kPathSize, "%s\\MirvaneEnv.ini", g_pluginDataFolder);
    FormatTo(g_bsfilterConfig, kPathSize, "%s\\bsfilter.conf", g_pluginDataFolder);
    FormatTo(g_bsfilterDbFolder, kPathSize, "%s\\bsfilterdb", g_pluginDataFolder);
    FormatTo(g_logPath, kPathSize, "%s\\%s.%s", g_pluginDataFolder, "Mirvane", "log");
    FormatTo(g_whiteListPath, kPathSize, "%s\\WhiteList.txt", g_pluginDataFolder);
    FormatTo(g_ngWordListPath, kPathSize, "%s\\NgWordList.txt", g_pluginDataFolder);
    FormatTo(g_okWordListPath, kPathSize, "%s\\OkWordList.txt", g_pluginDataFolder);
}

void CreateLocks() {
    if (g_locksCreated) return;
    InitializeCriticalSection(&g_settingsLock);
    InitializeCriticalSection(&g_bsfilterLock);
    g_locksCreated = true;
}

void DeleteLocks() {
    if (!g_locksCreated) return;
    DeleteCriticalSection(&g_settingsLock);
    DeleteCriticalSection(&g_bsfilterLock);
    g_locksCreated = false;
}
