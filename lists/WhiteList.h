// The address white list: mail addresses and mail domains whose messages are never treated as
// spam. g_whiteList is the list in force (WhiteList.txt), g_pendingWhiteList collects the
// recipients of mail sent while the settings sheet holds its working copy.
//
// WhiteList.txt (and the import and export files of the settings page): ANSI text, one entry
// per line, "address<TAB>note<CR LF>" (the tab also when the note is empty), written in the
// order of the address bytes; no header, no byte-order mark, no comments.
#pragma once

#include <string>
#include <vector>

#include "lists/DisplayOrder.h"
#include "platform/platform.h"

struct WhiteListEntry {
    std::string address;    // a mail address or a domain, exactly as entered
    std::string note;       // free text; for entries taken from messages the display name
    bool isDomain = false;  // true exactly when address holds no "@"
};

class WhiteList {
public:
    // Sort columns of the settings page.
    enum Column { kColumnType = 0, kColumnAddress = 1, kColumnNote = 2 };
    // Longest address and note kept from a file line.
    static constexpr size_t kMaxAddressBytes = 256;
    static constexpr size_t kMaxNoteBytes = 512;

    WhiteList();
    // Copies carry the entries, the display order, the sort state and the lock pointer: the
    // settings sheet copies the list, clears the copy's lock, and assigns it back after
    // setting the lock again.
    WhiteList(const WhiteList& other);
    WhiteList& operator=(const WhiteList& other);

    // The critical section every operation enters; null (the default) means no locking.
    void SetLock(CRITICAL_SECTION* lock);
    CRITICAL_SECTION* Lock() const;

    // Replaces the list by the file's entries (display order = first line of each address).
    // Each line is trimmed; the address is the part before the first tab, the note the part
    // after it (each trimmed again), cut to 256 and 512 bytes on a character boundary; lines
    // without an address are skipped. A file that cannot be read leaves the list empty (false).
    bool Load(const char* path);
    // Rewrites the file whole, atomically. False (and the old file untouched) on failure. A
    // CR, LF or NUL in a field, or a tab in an address, is written as a blank, so one entry
    // always stays one line.
    bool Save(const char* path) const;

    // An entry with exactly this address exists.
    bool Contains(const std::string& address) const;
    // The classifier's test: address itself, or its domain (DomainOf), is listed. The local
    // part compares byte for byte, the domain with ASCII letters in any case; no sub-domains.
    bool Matches(const std::string& address) const;
    // False when address is listed with a non-empty note; otherwise true, with exists (may be
    // null) telling whether it is listed (with an empty note).
    bool CanAdd(const std::string& address, bool* exists) const;
    // Stores the entry (isDomain from the "@" rule) under address, replacing an existing one;
    // a new address goes to the end of the display order.
    void AddOrUpdate(const std::string& address, const std::string& note);
    // Removes the entry and its place in the display order; nothing if it is absent.
    void Remove(const std::string& address);
    // Removes the entry at a display index; false if the index is out of range.
    bool RemoveAt(int index);
    // The entry at a display index, or an empty entry.
    WhiteListEntry EntryAt(int index) const;
    // The display index of address, or -1.
    int IndexOf(const std::string& address) const;
    void Clear();
    int Count() const;

    // Stable sort of the display order by the sort column (its comparison order: type,
    // address, note / address, type, note / note, type, address) and direction.
    void Sort();
    int SortColumn() const;
    void SetSortColumn(int column);  // values other than 1 and 2 select column 0
    bool SortAscending() const;
    void SetSortAscending(bool ascending);

    // The addresses in display order (for the start-up listing in the log) and the entries in
    // display order.
    std::vector<std::string> Addresses() const;
    std::vector<WhiteListEntry> Entries() const;

private:
    CRITICAL_SECTION* m_lock;
    DisplayOrder<WhiteListEntry> m_items;
};

extern WhiteList g_whiteList;
extern WhiteList g_pendingWhiteList;
