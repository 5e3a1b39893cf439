// Database backup and restore: bsfilter.conf and the files of the bsfilter database folder to
// a ZIP archive, and every entry of an archive back into the plug-in data folder. The archive
// work is here and runs without windows; the general page's buttons (Backup_win.cpp) only run
// the file dialogs, the wait cursor and the message boxes around it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct PageState;

// No restore writes more than this, whatever the free space. A bsfilter database trained on
// the whole public SpamAssassin corpus (6,046 messages) takes 8.8 MB; a ceiling hundreds of
// times above that never stands in a real restore's way, yet a crafted archive that expands
// to terabytes is refused before it fills the disk.
constexpr unsigned long long kRestoreCeilingBytes = 4ull << 30;
// What a restore leaves free on the data folder's volume: the host and its mail need room too.
constexpr unsigned long long kRestoreFreeMarginBytes = 256ull << 20;

// The paths backup and restore work on, and the lock that keeps bsfilter from running
// meanwhile (g_bsfilterLock; null: none).
struct DatabasePaths {
    std::string dataFolder;        // the plug-in data folder, no trailing backslash
    std::string bsfilterConfig;    // <data folder>\bsfilter.conf
    std::string bsfilterDbFolder;  // <data folder>\bsfilterdb
    CRITICAL_SECTION* lock = nullptr;
    // The most bytes a restore may write (see RestoreDatabaseFrom); tests lower it.
    unsigned long long restoreCeiling = kRestoreCeilingBytes;
};

// Writes the archive zipPath: entry "bsfilter.conf" from bsfilterConfig, then one entry
// "bsfilterdb/<name>" for each file directly inside bsfilterDbFolder, deflated, each with its
// file's last-write time in local time. The archive is written beside zipPath and takes its
// place only when complete: a failed backup leaves no archive behind and an archive that was
// there before untouched. names receives "bsfilter.conf" and "bsfilterdb\<name>" in the order
// added. False on any failure (bsfilter.conf missing or unreadable, a database file
// unreadable, the archive not writable).
bool BackupDatabaseTo(const DatabasePaths& paths, const std::string& zipPath, std::vector<std::string>* names);

// Restores the entries of zipPath that a backup holds: "bsfilter.conf" and the files directly
// inside "bsfilterdb" (names made safe first, see SafeEntryName; a "bsfilterdb" folder entry
// only makes the folder). Every other entry is skipped with a log line and counted in
// *skipped (may be null): a foreign archive must not plant settings, lists or programs in the
// data folder. Each file is first written completely to a temporary file beside its target;
// the targets are replaced only once every entry has been read, with one flush for them all
// where the platform allows, and each takes its entry's time. A damaged entry never replaces
// its file (the sound ones still do). The archive is refused before anything is written when
// its entries' declared sizes add up to more than the bound (the free space on the data
// folder's volume less kRestoreFreeMarginBytes, and at most paths.restoreCeiling), and the
// bytes really written are counted against the same bound, so a lying size field cannot get
// past it; on such a failure, or when a file cannot be written, no file is replaced. names
// receives the relative paths restored (backslash-separated). An archive without entries
// restores nothing and succeeds. False when the archive cannot be opened or read, is refused,
// a file cannot be written or replaced, or an entry's data is damaged.
bool RestoreDatabaseFrom(const DatabasePaths& paths, const std::string& zipPath, std::vector<std::string>* names,
                         size_t* skipped = nullptr);

// A made-safe entry name (see SafeEntryName) as the name a backup writes, when it is one:
// "bsfilter.conf", "bsfilterdb\" or "bsfilterdb\<file>" (these names in any case, given back
// as written here, so that a case-sensitive file system finds the same files); empty for any
// other name.
std::string DatabaseEntryName(const std::string& safeName);

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
// The restore's result message: DatabaseResultText with the restore heading, then, when
// entries were skipped, a line saying how many.
std::string RestoreResultText(const std::string& dataFolder, const std::vector<std::string>& names, size_t skipped);

// The general page's buttons 1123 and 1124 (Windows).
void BackupDatabase(HWND page, PageState* pageState);
void RestoreDatabase(HWND page, PageState* pageState);
