// Database backup and restore: bsfilter.conf and the files of the bsfilter database folder to
// a ZIP archive, and every entry of an archive back into the plug-in data folder. The archive
// work is here and runs without windows; the general page's buttons (Backup_win.cpp) only run
// the file dialogs, the wait cursor and the message boxes around it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct PageState;

// The paths backup and restore work on, and the lock that keeps bsfilter from running
// meanwhile (g_bsfilterLock; null: none).
struct DatabasePaths {
    std::string dataFolder;        // the plug-in data folder, no trailing backslash
    std::string bsfilterConfig;    // <data folder>\bsfilter.conf
    std::string bsfilterDbFolder;  // <data folder>\bsfilterdb
    CRITICAL_SECTION* lock = nullptr;
};

// Writes the archive zipPath: entry "bsfilter.conf" from bsfilterConfig, then one entry
// "bsfilterdb/<name>" for each file directly inside bsfilterDbFolder, deflated, each with its
// file's last-write time in local time. The archive is written beside zipPath and takes its
// place only when complete: a failed backup leaves no archive behind and an archive that was
// there before untouched. names receives "bsfilter.conf" and "bsfilterdb\<name>" in the order
// added. False on any failure (bsfilter.conf missing or unreadable, a database file
// unreadable, the archive not writable).
bool BackupDatabaseTo(const DatabasePaths& paths, const std::string& zipPath, std::vector<std::string>* names);

// Extracts every entry of zipPath below dataFolder under its made-safe name (see
// SafeEntryName), creating the folders of its path and replacing files of the same name;
// each file gets the entry's time. A file is replaced only once its entry has been read
// completely and correctly, so a damaged entry never overwrites a good file. names receives
// the relative paths written (backslash-separated). An archive without entries restores
// nothing and succeeds. False when the archive cannot be opened or read, a file cannot be
// written, or an entry's data is damaged (the other entries are still restored).
bool RestoreDatabaseFrom(const DatabasePaths& paths, const std::string& zipPath, std::vector<std::string>* names);

// The path, relative to the data folder and backslash-separated, that an entry name may be
// written to: drive prefixes and leading separators are dropped, "." steps and empty steps
// are dropped, and a name with a parent-folder step ("..", either separator) keeps only what
// follows the last such step. A trailing separator (a folder entry) is kept. Empty when
// nothing is left or when a step could name something other than a plain file in the data
// folder (a colon, a device name such as CON or NUL).
std::string SafeEntryName(const std::string& name);

// The result message: the heading string (2237 or 2238) with dataFolder, then each name with
// CR LF after it.
std::string DatabaseResultText(UINT headingId, const std::string& dataFolder, const std::vector<std::string>& names);

// The general page's buttons 1123 and 1124 (Windows).
void BackupDatabase(HWND page, PageState* pageState);
void RestoreDatabase(HWND page, PageState* pageState);
