// The address white list; see WhiteList.h.
#include "lists/WhiteList.h"

#include <algorithm>

#include "lists/Header.h"
#include "lists/ListFile.h"
#include "platform/Mbcs.h"
#include "support/Util.h"

WhiteList g_whiteList;
WhiteList g_pendingWhiteList;

namespace {

typedef std::map<std::string, WhiteListEntry> EntryMap;

bool HasAt(const std::string& address) { return Mbcs::FindFirst(address.c_str(), '@') != nullptr; }

void AddOrUpdateIn(EntryMap* entries, std::vector<std::string>* order, const std::string& address,
                   const std::string& note) {
    WhiteListEntry entry;
    entry.address = address;
    entry.note = note;
    entry.isDomain = !HasAt(address);
    auto it = entries->find(address);
    if (it == entries->end()) {
        entries->emplace(address, entry);
        order->push_back(address);
    } else {
        it->second = entry;
    }
}

// Parses one line of a list file into *entries.
void LoadLine(const std::string& raw, EntryMap* entries, std::vector<std::string>* order) {
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
    AddOrUpdateIn(entries, order, address, note);
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

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// Orders two entries over the three columns, starting with the chosen one.
int CompareEntries(const WhiteListEntry& a, const WhiteListEntry& b, int column) {
    const int type = a.isDomain == b.isDomain ? 0 : (a.isDomain ? 1 : -1);
    const int address = Sign(a.address.compare(b.address));
    const int note = Sign(a.note.compare(b.note));
    int order[3];
    switch (column) {
    case WhiteList::kColumnAddress:
        order[0] = address, order[1] = type, order[2] = note;
        break;
    case WhiteList::kColumnNote:
        order[0] = note, order[1] = type, order[2] = address;
        break;
    default:
        order[0] = type, order[1] = address, order[2] = note;
        break;
    }
    for (int result : order) {
        if (result != 0) return result;
    }
    return 0;
}

}  // namespace

WhiteList::WhiteList() : m_lock(nullptr), m_sortColumn(kColumnType), m_sortAscending(true) {}

WhiteList::WhiteList(const WhiteList& other) : m_lock(nullptr), m_sortColumn(kColumnType), m_sortAscending(true) {
    ListLockGuard guard(other.m_lock);
    m_lock = other.m_lock;
    m_entries = other.m_entries;
    m_sortColumn = other.m_sortColumn;
    m_sortAscending = other.m_sortAscending;
    m_order = other.m_order;
}

WhiteList& WhiteList::operator=(const WhiteList& other) {
    if (this == &other) return *this;
    // Take a snapshot under the other list's lock, then install it under this one's, so the
    // two locks are never held together.
    WhiteList copy(other);
    ListLockGuard guard(m_lock);
    m_entries.swap(copy.m_entries);
    m_order.swap(copy.m_order);
    m_sortColumn = copy.m_sortColumn;
    m_sortAscending = copy.m_sortAscending;
    m_lock = copy.m_lock;
    return *this;
}

void WhiteList::SetLock(CRITICAL_SECTION* lock) { m_lock = lock; }

CRITICAL_SECTION* WhiteList::Lock() const { return m_lock; }

bool WhiteList::Load(const char* path) {
    EntryMap entries;
    std::vector<std::string> order;
    const bool ok = ReadFileLines(path, [&](const std::string& line) { LoadLine(line, &entries, &order); });
    ListLockGuard guard(m_lock);
    m_entries.swap(entries);
    m_order.swap(order);
    return ok;
}

bool WhiteList::Save(const char* path) const {
    ListLockGuard guard(m_lock);
    std::string data;
    for (const auto& item : m_entries) {
        data += FieldText(item.second.address, false);
        data += '\t';
        data += FieldText(item.second.note, true);
        data += "\r\n";
    }
    return WriteFileReplacing(path, data);
}

bool WhiteList::Contains(const std::string& address) const {
    ListLockGuard guard(m_lock);
    return m_entries.count(address) != 0;
}

bool WhiteList::Matches(const std::string& address) const {
    ListLockGuard guard(m_lock);
    if (m_entries.count(address) != 0) return true;
    const std::string domain = DomainOf(address);
    return !domain.empty() && m_entries.count(domain) != 0;
}

bool WhiteList::CanAdd(const std::string& address, bool* exists) const {
    ListLockGuard guard(m_lock);
    auto it = m_entries.find(address);
    if (exists != nullptr) *exists = it != m_entries.end();
    return it == m_entries.end() || it->second.note.empty();
}

void WhiteList::AddOrUpdate(const std::string& address, const std::string& note) {
    ListLockGuard guard(m_lock);
    AddOrUpdateIn(&m_entries, &m_order, address, note);
}

void WhiteList::Remove(const std::string& address) {
    ListLockGuard guard(m_lock);
    if (m_entries.erase(address) == 0) return;
    m_order.erase(std::find(m_order.begin(), m_order.end(), address));
}

bool WhiteList::RemoveAt(int index) {
    ListLockGuard guard(m_lock);
    if (index < 0 || static_cast<size_t>(index) >= m_order.size()) return false;
    const std::string address = m_order[static_cast<size_t>(index)];
    m_order.erase(m_order.begin() + index);
    return m_entries.erase(address) != 0;
}

WhiteListEntry WhiteList::EntryAt(int index) const {
    ListLockGuard guard(m_lock);
    if (index < 0 || static_cast<size_t>(index) >= m_order.size()) return WhiteListEntry();
    auto it = m_entries.find(m_order[static_cast<size_t>(index)]);
    return it != m_entries.end() ? it->second : WhiteListEntry();
}

int WhiteList::IndexOf(const std::string& address) const {
    ListLockGuard guard(m_lock);
    auto it = std::find(m_order.begin(), m_order.end(), address);
    return it == m_order.end() ? -1 : static_cast<int>(it - m_order.begin());
}

void WhiteList::Clear() {
    ListLockGuard guard(m_lock);
    m_entries.clear();
    m_order.clear();
}

int WhiteList::Count() const {
    ListLockGuard guard(m_lock);
    return static_cast<int>(m_entries.size());
}

void WhiteList::Sort() {
    ListLockGuard guard(m_lock);
    std::vector<const WhiteListEntry*> rows;
    rows.reserve(m_order.size());
    for (const std::string& address : m_order) rows.push_back(&m_entries.at(address));
    const int column = m_sortColumn;
    const bool ascending = m_sortAscending;
    std::stable_sort(rows.begin(), rows.end(), [column, ascending](const WhiteListEntry* a, const WhiteListEntry* b) {
        const int result = CompareEntries(*a, *b, column);
        return ascending ? result < 0 : result > 0;
    });
    for (size_t i = 0; i < rows.size(); ++i) m_order[i] = rows[i]->address;
}

int WhiteList::SortColumn() const {
    ListLockGuard guard(m_lock);
    return m_sortColumn;
}

void WhiteList::SetSortColumn(int column) {
    ListLockGuard guard(m_lock);
    m_sortColumn = (column == kColumnAddress || column == kColumnNote) ? column : kColumnType;
}

bool WhiteList::SortAscending() const {
    ListLockGuard guard(m_lock);
    return m_sortAscending;
}

void WhiteList::SetSortAscending(bool ascending) {
    ListLockGuard guard(m_lock);
    m_sortAscending = ascending;
}

std::vector<std::string> WhiteList::Addresses() const {
    ListLockGuard guard(m_lock);
    return m_order;
}

std::vector<WhiteListEntry> WhiteList::Entries() const {
    ListLockGuard guard(m_lock);
    std::vector<WhiteListEntry> entries;
    entries.reserve(m_order.size());
    for (const std::string& address : m_order) entries.push_back(m_entries.at(address));
    return entries;
}
