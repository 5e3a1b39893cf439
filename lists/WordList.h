// The NG-word and OK-word lists and their matching. An entry is a piece of text or a regular
// expression looked for in the subject, the sender, or both, with or without regard to letter
// case. g_okWordList (OkWordList.txt) is asked before bsfilter runs, a match leaves the message
// alone; g_ngWordList (NgWordList.txt) is asked after bsfilter has judged a message clean, a
// match makes it spam after all.
//
// File format (also of the settings pages' import and export): ANSI text, one entry per line,
// "text<TAB>target<TAB>Regex|Text<TAB>Case|IgnoreCase<CR LF>" with target "All", "Subject" or
// "Fromname"; written in the order of the text bytes; no header, no byte-order mark.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lists/DisplayOrder.h"
#include "platform/platform.h"

struct CompiledRegex;

enum WordTarget : int32_t { kTargetBoth = 0, kTargetSubject = 1, kTargetSender = 2 };

struct WordEntry {
    std::string text;            // the word or the pattern; unique within a list
    int32_t target = kTargetBoth;  // 1 subject, 2 sender, anything else both
    bool isRegex = false;
    bool caseSensitive = false;
};

// An entry as the classifier's walk uses it: the text upper-cased once for a plain entry that
// ignores case, and the compiled pattern of a regular expression once it has been needed.
struct PreparedWordEntry {
    const WordEntry* entry = nullptr;
    std::string needle;
    std::shared_ptr<const CompiledRegex> compiled;
};

class WordList {
public:
    // Sort columns of the settings pages.
    enum Column { kColumnTarget = 0, kColumnText = 1, kColumnRegex = 2, kColumnCase = 3 };
    // Longest text kept from a file line.
    static constexpr size_t kMaxTextBytes = 512;

    WordList();
    // Copies carry the entries, the display order, the sort state and the lock pointer (see
    // WhiteList).
    WordList(const WordList& other);
    WordList& operator=(const WordList& other);

    void SetLock(CRITICAL_SECTION* lock);
    CRITICAL_SECTION* Lock() const;

    // Replaces the list by the file's entries (display order = first line of each text). Each
    // line is trimmed and split at every tab: the text (trimmed, cut to 512 bytes on a
    // character boundary, trimmed again), then the exact keywords "All"/"Subject"/"Fromname",
    // "Regex", "Case"; anything else falls back to both, plain text, ignore case. Lines without
    // text are skipped. A file that cannot be read leaves the list empty (false).
    bool Load(const char* path);
    // Rewrites the file whole, atomically. False (and the old file untouched) on failure. A
    // tab, CR, LF or NUL in a text is written as a blank, so one entry always stays one line
    // with its own keywords.
    bool Save(const char* path) const;

    bool Contains(const std::string& text) const;
    int Count() const;
    // Stores the entry under text, replacing the other fields of an existing one; a new text
    // goes to the end of the display order.
    void AddOrUpdate(const std::string& text, int32_t target, bool isRegex, bool caseSensitive);
    void Remove(const std::string& text);
    bool RemoveAt(int index);
    WordEntry EntryAt(int index) const;
    int IndexOf(const std::string& text) const;
    void Clear();

    // Stable sort of the display order by the sort column (comparison orders: target, text,
    // regex, case / text, target, regex, case / regex, text, target, case / case, text, target,
    // regex) and direction.
    void Sort();
    int SortColumn() const;
    void SetSortColumn(int column);  // values other than 1 to 3 select column 0
    bool SortAscending() const;
    void SetSortAscending(bool ascending);

    // The classifier's test: true at the first entry (in text order) that matches subject or
    // sender. An entry with an invalid pattern does not match and the walk goes on; so does a
    // regular expression that runs out of its budget (logged), and once the call's regular
    // expressions together have spent the message's budget the rest of them are skipped
    // (logged once) while plain entries are still tested (see lists/Regex.h).
    bool MatchesAny(const std::string& subject, const std::string& sender) const;

    // The texts in display order (for the start-up listing in the log), the entries likewise.
    std::vector<std::string> Texts() const;
    std::vector<WordEntry> Entries() const;

private:
    typedef std::pair<std::string, bool> RegexKey;  // pattern, ignore case
    void ForgetCompiled(const std::string& text);

    CRITICAL_SECTION* m_lock;
    DisplayOrder<WordEntry> m_items;
    // Compiled patterns of the regular-expression entries, built on first use. A compiled
    // pattern depends only on its text and case option, so an entry never sees a stale one.
    mutable std::map<RegexKey, std::shared_ptr<const CompiledRegex>> m_compiled;
    // The entries in text order, prepared for the walk; rebuilt after any change (empty then).
    mutable std::vector<PreparedWordEntry> m_prepared;
};

extern WordList g_ngWordList;
extern WordList g_okWordList;

// Free-function forms used by the classifier and the settings pages.
bool MatchesAny(const WordList& list, const std::string& subject, const std::string& sender);

// One entry against subject and/or sender by its target; ignore case = !caseSensitive.
bool MatchEntry(const std::string& subject, const std::string& sender, const WordEntry& entry);

// Whether pattern occurs in text. Plain text: a byte search that only starts on character
// boundaries (CP932), after upper-casing both sides when ignoreCase is set (ASCII and the
// full-width letters; a double-byte character is never split). Plain entries work on any
// bytes, valid CP932 or not. Regular expression: ECMAScript on wide text, a search anywhere
// (see lists/Regex.h for the bounds); text that is not valid CP932 does not match. When the
// pattern is invalid (or refused), error (may be null) is set, errorText (may be null) gets the
// description, and the result is false. Texts are taken up to their first NUL.
bool MatchText(const std::string& pattern, const std::string& text, bool isRegex, bool ignoreCase, bool* error,
               std::string* errorText);
