// The store under the white list and the word lists: entries by their key (an address, a word),
// the order the settings pages show them in, and that order's sort column and direction. It
// takes no lock; the list classes hold their lock around every call.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

template <typename Entry>
class DisplayOrder {
public:
    typedef std::map<std::string, Entry> EntryMap;

    // Stores entry under key, replacing an existing one in its place; a new key goes to the end
    // of the display order.
    void Put(const std::string& key, const Entry& entry) {
        auto it = m_entries.find(key);
        if (it == m_entries.end()) {
            m_entries.emplace(key, entry);
            m_order.push_back(key);
        } else {
            it->second = entry;
        }
    }

    // Removes the entry and its place in the display order; false if it is absent.
    bool Remove(const std::string& key) {
        if (m_entries.erase(key) == 0) return false;
        m_order.erase(std::find(m_order.begin(), m_order.end(), key));
        return true;
    }

    // Removes the entry at a display index and gives its key; false if the index is out of range.
    bool RemoveAt(int index, std::string* key) {
        if (!InRange(index)) return false;
        *key = m_order[static_cast<size_t>(index)];
        m_order.erase(m_order.begin() + index);
        return m_entries.erase(*key) != 0;
    }

    // The entry at a display index, or an empty entry.
    Entry At(int index) const {
        if (!InRange(index)) return Entry();
        auto it = m_entries.find(m_order[static_cast<size_t>(index)]);
        return it != m_entries.end() ? it->second : Entry();
    }

    // The display index of key, or -1.
    int IndexOf(const std::string& key) const {
        auto it = std::find(m_order.begin(), m_order.end(), key);
        return it == m_order.end() ? -1 : static_cast<int>(it - m_order.begin());
    }

    bool Contains(const std::string& key) const { return m_entries.count(key) != 0; }
    // The entry stored under key, or null.
    const Entry* Find(const std::string& key) const {
        auto it = m_entries.find(key);
        return it != m_entries.end() ? &it->second : nullptr;
    }
    int Count() const { return static_cast<int>(m_entries.size()); }
    bool Empty() const { return m_entries.empty(); }

    void Clear() {
        m_entries.clear();
        m_order.clear();
    }

    // Takes other's entries and display order in exchange for these; the sort state stays.
    void SwapEntries(DisplayOrder& other) {
        m_entries.swap(other.m_entries);
        m_order.swap(other.m_order);
    }

    // Stable sort of the display order by the sort column and direction. compare(a, b, column)
    // orders two entries starting with that column: negative, zero or positive.
    template <typename Compare>
    void Sort(Compare compare) {
        typedef typename EntryMap::value_type Row;
        std::vector<const Row*> rows;
        rows.reserve(m_order.size());
        for (const std::string& key : m_order) rows.push_back(&*m_entries.find(key));
        const int column = m_sortColumn;
        const bool ascending = m_sortAscending;
        std::stable_sort(rows.begin(), rows.end(), [&compare, column, ascending](const Row* a, const Row* b) {
            const int result = compare(a->second, b->second, column);
            return ascending ? result < 0 : result > 0;
        });
        for (size_t i = 0; i < rows.size(); ++i) m_order[i] = rows[i]->first;
    }
    int SortColumn() const { return m_sortColumn; }
    void SetSortColumn(int column) { m_sortColumn = column; }
    bool SortAscending() const { return m_sortAscending; }
    void SetSortAscending(bool ascending) { m_sortAscending = ascending; }

    // The keys in display order, the entries likewise, and the entries in key order.
    const std::vector<std::string>& Keys() const { return m_order; }
    std::vector<Entry> Entries() const {
        std::vector<Entry> entries;
        entries.reserve(m_order.size());
        for (const std::string& key : m_order) entries.push_back(m_entries.at(key));
        return entries;
    }
    const EntryMap& ByKey() const { return m_entries; }

private:
    bool InRange(int index) const { return index >= 0 && static_cast<size_t>(index) < m_order.size(); }

    EntryMap m_entries;
    std::vector<std::string> m_order;
    int m_sortColumn = 0;
    bool m_sortAscending = true;
};

// Helpers for the compare functions of the lists: each gives -1, 0 or 1.
inline int CompareBytes(const std::string& a, const std::string& b) {
    const int result = a.compare(b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}
inline int CompareFlags(bool a, bool b) { return a == b ? 0 : (a ? 1 : -1); }  // false first
// The first non-zero comparison of the columns in the order given, or 0.
inline int FirstDifference(std::initializer_list<int> results) {
    for (int result : results) {
        if (result != 0) return result;
    }
    return 0;
}
