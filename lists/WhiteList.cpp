// The address white list; see WhiteList.h.
#include "lists/WhiteList.h"

#include <utility>

#include "lists/Header.h"
#include "lists/ListFile.h"
#include "platform/Mbcs.h"
#include "support/Util.h"

WhiteList g_whiteList;
WhiteList g_pendingWhiteList;

namespace {

typedef DisplayOrder<WhiteListEntry> Items;

bool HasAt(const std::string& address) { return Mbcs::FindFirst(address.c_str(), '@') != nullptr; }

void AddOrUpdateIn(Items* items, const std::string& address, const std::string& note) {
    WhiteListEntry entry;
    entry.address = address;
    entry.note = note;
    entry.isDomain = !HasAt(address);
    items->Put(address, entry);
}

// Parses one line of a list file into *items.
void LoadLine(const std::string& raw, Items* items) {
    const std::string line = Trim(raw, kBlanks);
    std::string address;
    std::string note;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) {
        address = line;
    } else {
        address = Trim(line.substr(0, tab), kBlanks);
        note = Trim(line.substr(tab + 1), kBlanks);
    }
    address.resize(Mbcs::CutLength(address.c_str(), address.size(), WhiteList::kMaxAddressBytes));
    note.resize(Mbcs::CutLength(note.c_str(), note.size(), WhiteList::kMaxNoteBytes));
    if (address.empty()) return;
    AddOrUpdateIn(items, address, note);
}

// A field as it can stand in a line of the file: a CR, LF or NUL inside it would split the line
// on reading (a note could then smuggle in an entry of its own), and a tab inside an address
// would move its tail into the note; each becomes a blank. A tab inside the note reads back.
std::string FieldText(const std::string& text, bool keepTabs) {
    std::string result = text;
    for (char& c : result) {
        if (c == '\r' || c == '\n' || c == '\0' || (c == '\t' && !keepTabs)) c = ' ';
    }
    return result;
}

// Orders two entries over the three columns, starting with the chosen one.
int CompareEntries(const WhiteListEntry& a, const WhiteListEntry& b, int column) {
    const int type = CompareFlags(a.isDomain, b.isDomain);
    const int address = CompareBytes(a.address, b.address);
    const int note = CompareBytes(a.note, b.note);
    switch (column) {
    case WhiteList::kColumnAddress:
        return FirstDifference({address, type, note});
    case WhiteList::kColumnNote:
        return FirstDifference({note, type, address});
    default:
        return FirstDifference({type, address, note});
    }
}

}  // namespace

WhiteList::WhiteList() : m_lock(nullptr) {}

WhiteList::WhiteList(const WhiteList& other) : m_lock(nullptr) {
    LockGuard guard(other.m_lock);
    m_lock = other.m_lock;
    m_items = other.m_items;
}

WhiteList& WhiteList::operator=(const WhiteList& other) {
    if (this == &other) return *this;
    // Take a snapshot under the other list's lock, then install it under this one's, so the
    // two locks are never held together.
    WhiteList copy(other);
    LockGuard guard(m_lock);
    std::swap(m_items, copy.m_items);
    m_lock = copy.m_lock;
    return *this;
}

void WhiteList::SetLock(CRITICAL_SECTION* lock) { m_lock = lock; }

CRITICAL_SECTION* WhiteList::Lock() const { return m_lock; }

bool WhiteList::Load(const char* path) {
    Items items;
    const bool ok = ReadFileLines(path, [&](const std::string& line) { LoadLine(line, &items); });
    LockGuard guard(m_lock);
    m_items.SwapEntries(items);
    return ok;
}

bool WhiteList::Save(const char* path) const {
    LockGuard guard(m_lock);
    std::string data;
    for (const auto& item : m_items.ByKey()) {
        data += FieldText(item.second.address, false);
        data += '\t';
        data += FieldText(item.second.note, true);
        data += "\r\n";
    }
    return WriteFileReplacing(path, data);
}

bool WhiteList::Contains(const std::string& address) const {
    LockGuard guard(m_lock);
    return m_items.Contains(address);
}

bool WhiteList::Matches(const std::string& address) const {
    LockGuard guard(m_lock);
    if (m_items.Contains(address)) return true;
    const std::string domain = DomainOf(address);
    if (!domain.empty() && m_items.Contains(domain)) return true;
    // Domains have no case: an entry that differs from the sender only in the case of its
    // domain's letters is the same mailbox or domain.
    for (const auto& item : m_items.ByKey()) {
        const WhiteListEntry& entry = item.second;
        // Both comparisons need equal lengths: the cheap test spares the scan of most entries.
        if (entry.address.size() != (entry.isDomain ? domain.size() : address.size())) continue;
        if (entry.isDomain ? !domain.empty() && Mbcs::EqualsAsciiNoCase(entry.address, domain)
                           : SameMailAddress(entry.address, address)) {
            return true;
        }
    }
    return false;
}

bool WhiteList::CanAdd(const std::string& address, bool* exists) const {
    LockGuard guard(m_lock);
    const WhiteListEntry* entry = m_items.Find(address);
    if (exists != nullptr) *exists = entry != nullptr;
    return entry == nullptr || entry->note.empty();
}

void WhiteList::AddOrUpdate(const std::string& address, const std::string& note) {
    LockGuard guard(m_lock);
    AddOrUpdateIn(&m_items, address, note);
}

void WhiteList::Remove(const std::string& address) {
    LockGuard guard(m_lock);
    m_items.Remove(address);
}

bool WhiteList::RemoveAt(int index) {
    LockGuard guard(m_lock);
    std::string address;
    return m_items.RemoveAt(index, &address);
}

WhiteListEntry WhiteList::EntryAt(int index) const {
    LockGuard guard(m_lock);
    return m_items.At(index);
}

int WhiteList::IndexOf(const std::string& address) const {
    LockGuard guard(m_lock);
    return m_items.IndexOf(address);
}

void WhiteList::Clear() {
    LockGuard guard(m_lock);
    m_items.Clear();
}

int WhiteList::Count() const {
    LockGuard guard(m_lock);
    return m_items.Count();
}

void WhiteList::Sort() {
    LockGuard guard(m_lock);
    m_items.Sort(CompareEntries);
}

int WhiteList::SortColumn() const {
    LockGuard guard(m_lock);
    return m_items.SortColumn();
}

void WhiteList::SetSortColumn(int column) {
    LockGuard guard(m_lock);
    m_items.SetSortColumn((column == kColumnAddress || column == kColumnNote) ? column : kColumnType);
}

bool WhiteList::SortAscending() const {
    LockGuard guard(m_lock);
    return m_items.SortAscending();
}

void WhiteList::SetSortAscending(bool ascending) {
    LockGuard guard(m_lock);
    m_items.SetSortAscending(ascending);
}

std::vector<std::string> WhiteList::Addresses() const {
    LockGuard guard(m_lock);
    return m_items.Keys();
}

std::vector<WhiteListEntry> WhiteList::Entries() const {
    LockGuard guard(m_lock);
    return m_items.Entries();
}
