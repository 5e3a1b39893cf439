// Process-wide state of the plug-in: the path globals built once at start-up, the two locks,
// and the start-up routine itself.
#pragma once

#include <cstddef>

#include "platform/platform.h"
#include "support/Util.h"

// Path globals: each a 1040-byte buffer holding at most 1039 characters, always terminated.
// Empty from load until Initialize fills them; fixed afterwards.
extern char g_pluginFolder[kPathSize];      // "<folder of the DLL>\Mirvane": the programs
extern char g_bsfilterExe[kPathSize];       // "<plug-in folder>\bsfilter.exe"
extern char g_bsfilterScript[kPathSize];    // "<plug-in folder>\bsfilter" (script mode)
extern char g_iconvDll[kPathSize];          // "<plug-in folder>\iconv.dll"
extern char g_hostDataFolder[kPathSize];    // the host's data folder, ending in a backslash
extern char g_pluginDataFolder[kPathSize];  // "<host data folder>PlugIns\Mirvane"
extern char g_iniPath[kPathSize];           // "<data folder>\Mirvane.ini"
extern char g_envIniPath[kPathSize];        // "<data folder>\MirvaneEnv.ini"
extern char g_bsfilterConfig[kPathSize];    // "<data folder>\bsfilter.conf"
extern char g_bsfilterDbFolder[kPathSize];  // "<data folder>\bsfilterdb": bsfilter's home
extern char g_logPath[kPathSize];           // "<data folder>\Mirvane.log"
extern char g_whiteListPath[kPathSize];     // "<data folder>\WhiteList.txt"
extern char g_ngWordListPath[kPathSize];    // "<data folder>\NgWordList.txt"
extern char g_okWordListPath[kPathSize];    // "<data folder>\OkWordList.txt"

// g_settingsLock guards every settings group and the three lists once start-up has attached
// them; g_bsfilterLock is held for every bsfilter run and during backup and restore.
// Order: g_bsfilterLock before g_settingsLock.
extern CRITICAL_SECTION g_settingsLock;
extern CRITICAL_SECTION g_bsfilterLock;
extern bool g_locksCreated;

// Builds the program paths from the folder that holds the DLL (no trailing backslash).
void BuildProgramPaths(const char* dllFolder);
// Builds g_hostDataFolder (a backslash appended unless present) and every data path.
void BuildDataPaths(const char* hostDataFolder);

// Creates the two locks (once).
void CreateLocks();
// Deletes them if they were created.
void DeleteLocks();

// Start-up: paths, locks, data folder, settings, log, own addresses, lists, PATH, default
// bsfilter.conf, bsfilter's home, and the start-up status run. False refuses the load.
bool Initialize();

// Writes the default bsfilter.conf: the 18 bytes "## bsfilter.conf\r\n".
void CreateBsfilterConfig();
