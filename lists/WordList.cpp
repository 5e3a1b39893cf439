// The NG-word and OK-word lists and their matching; see WordList.h.
#include "lists/WordList.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <utility>

#include "lists/ListFile.h"
#include "lists/Regex.h"
#include "platform/Mbcs.h"
#include "support/Log.h"
#include "support/Util.h"

static const char kLogSource[] = "Mirvane\\WordList";

WordList g_ngWordList;
WordList g_okWordList;

namespace {

typedef DisplayOrder<WordEntry> Items;
typedef std::map<std::pair<std::string, bool>, std::shared_ptr<const CompiledRegex>> CompiledMap;

const char* TargetName(int32_t target) {
    switch (target) {
    case kTargetSubject:
        return "Subject";
    case kTargetSender:
        return "Fromname";
    default:
        return "All";
    }
}

void LoadLine(const std::string& raw, Items* items) {
    const std::vector<std::string> fields = Split(Trim(raw, kBlanks), '\t');
    WordEntry entry;
    entry.text = Trim(fields[0], kBlanks);
    entry.text.resize(Mbcs::CutLength(entry.text.c_str(), entry.text.size(), WordList::kMaxTextBytes));
    entry.text = Trim(entry.text, kBlanks);
    if (entry.text.empty()) return;
    if (fields.size() > 1) {
        const std::string target = Trim(fields[1], kBlanks);
        if (target == "Subject") {
            entry.target = kTargetSubject;
        } else if (target == "Fromname") {
            entry.target = kTargetSender;
        }
    }
    entry.isRegex = fields.size() > 2 && Trim(fields[2], kBlanks) == "Regex";
    entry.caseSensitive = fields.size() > 3 && Trim(fields[3], kBlanks) == "Case";
    items->Put(entry.text, entry);
}

// A text as it can stand in a line of the file: a tab, CR, LF or NUL inside it would split the
// line or its fields on reading (and turn one entry into others), so each becomes a blank.
std::string FieldText(const std::string& text) {
    std::string result = text;
    for (char& c : result) {
        if (c == '\t' || c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    return result;
}

// Orders two entries over the four columns, starting with the chosen one.
int CompareEntries(const WordEntry& a, const WordEntry& b, int column) {
    const int target = a.target == b.target ? 0 : (a.target < b.target ? -1 : 1);
    const int text = CompareBytes(a.text, b.text);
    const int regex = CompareFlags(a.isRegex, b.isRegex);
    const int cases = CompareFlags(a.caseSensitive, b.caseSensitive);
    switch (column) {
    case WordList::kColumnText:
        return FirstDifference({text, target, regex, cases});
    case WordList::kColumnRegex:
        return FirstDifference({regex, text, target, cases});
    case WordList::kColumnCase:
        return FirstDifference({cases, text, target, regex});
    default:
        return FirstDifference({target, text, regex, cases});
    }
}

// A subject or sender in the forms the matchers need, each made at most once per call: the
// walk tests hundreds of entries against the same two texts.
class MatchSubject {
public:
    explicit MatchSubject(const std::string& text) : m_text(text.c_str()) {}

    // Whether needle occurs in the text (upper-cased first when upper is set) at a position
    // where a character starts: the search of Mbcs::FindSubstring, with the character starts
    // worked out once instead of once per entry.
    bool Contains(const std::string& needle, bool upper) {
        const std::string& text = upper ? Upper() : m_text;
        if (!MayContain(needle, upper ? m_upperPairs : m_pairs, text)) return false;
        const std::vector<char>& starts = Starts();
        for (size_t pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + 1)) {
            if (starts[pos]) return true;
        }
        return false;
    }

    // Null when the text is not valid CP932.
    const std::wstring* Wide() {
        if (!m_hasWide) {
            m_wideValid = WidenRegexText(m_text.c_str(), &m_wide);
            m_hasWide = true;
        }
        return m_wideValid ? &m_wide : nullptr;
    }

    // The wide text lower-cased as the library compares it when ignoring case; call after a
    // successful Wide().
    const std::wstring& Folded() {
        if (!m_hasFolded) {
            m_folded = FoldRegexText(m_wide);
            m_hasFolded = true;
        }
        return m_folded;
    }

private:
    // The byte pairs of a text, hashed into a small bit set: a needle with a pair the text
    // lacks cannot occur in it. Most entries of a long list are rejected by these few bit
    // tests instead of a search.
    struct Pairs {
        bool made = false;
        std::bitset<4096> bits;
    };
    static size_t PairHash(const char* at) {
        return ((static_cast<unsigned char>(at[0]) << 4) ^ static_cast<unsigned char>(at[1])) & 4095u;
    }
    static bool MayContain(const std::string& needle, Pairs& pairs, const std::string& text) {
        if (needle.size() < 2) return true;
        if (!pairs.made) {
            for (size_t i = 0; i + 1 < text.size(); ++i) pairs.bits.set(PairHash(text.data() + i));
            pairs.made = true;
        }
        const size_t last = needle.size() - 2;
        return pairs.bits.test(PairHash(needle.data())) && pairs.bits.test(PairHash(needle.data() + last / 2)) &&
               pairs.bits.test(PairHash(needle.data() + last));
    }

    const std::string& Upper() {
        if (!m_hasUpper) {
            m_upper = m_text;
            Mbcs::ToUpper(m_upper);  // changes second bytes only: the character starts stay
            m_hasUpper = true;
        }
        return m_upper;
    }
    const std::vector<char>& Starts() {
        if (m_starts.empty()) {
            m_starts.assign(m_text.size() + 1, 0);
            for (size_t i = 0; i < m_text.size();) {
                m_starts[i] = 1;
                i += Mbcs::CharLengthAt(m_text, i);
            }
            m_starts[m_text.size()] = 1;
        }
        return m_starts;
    }

    const std::string m_text;  // up to the first NUL
    std::string m_upper;
    std::vector<char> m_starts;
    Pairs m_pairs;
    Pairs m_upperPairs;
    std::wstring m_wide;
    std::wstring m_folded;
    bool m_hasUpper = false;
    bool m_hasWide = false;
    bool m_wideValid = false;
    bool m_hasFolded = false;
};

// What one match call shares between its entries: the compiled patterns, the matcher steps
// the message has left, and the last error.
struct MatchContext {
    explicit MatchContext(const char* caller) : function(caller) {}

    const char* function;             // for the log
    CompiledMap* compiled = nullptr;  // cache of compiled patterns; null: compile every time
    uint64_t budgetLeft = RegexMessageBudget();
    bool skipLogged = false;
    bool error = false;
    std::string errorText;

    std::shared_ptr<const CompiledRegex> Compile(const std::string& pattern, bool ignoreCase) {
        if (compiled == nullptr) return CompileRegex(pattern, ignoreCase);
        std::shared_ptr<const CompiledRegex>& slot = (*compiled)[std::make_pair(pattern, ignoreCase)];
        if (!slot || slot->transient) slot = CompileRegex(pattern, ignoreCase);
        return slot;
    }
    void SetError(const std::string& text) {
        error = true;
        errorText = text;
    }
};

// Tests a regular expression against the given texts in order; true at the first that
// matches. The entry's steps come from the message's budget and are bounded on their own.
bool MatchRegex(MatchContext* context, const std::string& pattern, const std::shared_ptr<const CompiledRegex>& compiled,
                MatchSubject* const* texts, size_t count) {
    if (!compiled->valid) {
        context->SetError(compiled->error);
        return false;
    }
    RegexBudget budget;
    budget.left = std::min(RegexEntryBudget(), context->budgetLeft);
    for (size_t i = 0; i < count; ++i) {
        const std::wstring* wide = texts[i]->Wide();
        if (wide == nullptr) continue;
        const bool folds = compiled->ignoreCase && !compiled->literals.empty();
        if (!RegexMayMatch(*compiled, *wide, folds ? texts[i]->Folded() : *wide)) continue;
        if (budget.left == 0) {
            // Only the message's budget can be spent before the entry's first search.
            if (!context->skipLogged) {
                LOG(LOG_WARN, context->function, "regular expressions skipped, the message's budget is spent: [%s].",
                    pattern.c_str());
                context->skipLogged = true;
            }
            context->SetError(kRegexOutOfBudgetText);
            return false;
        }
        const uint64_t before = budget.left;
        std::string error;
        const RegexOutcome outcome = SearchRegex(*compiled, *wide, &budget, &error);
        context->budgetLeft -= std::min(context->budgetLeft, before - budget.left);
        if (outcome == RegexOutcome::kMatch) return true;
        if (outcome == RegexOutcome::kOutOfBudget) {
            LOG(LOG_WARN, context->function, "regular expression stopped, over its budget: [%s], text length: [%lu].",
                pattern.c_str(), static_cast<unsigned long>(wide->size()));
        }
        if (outcome != RegexOutcome::kNoMatch) {
            context->SetError(error);
            return false;
        }
    }
    return false;
}

// The plain entry's needle: its text up to the first NUL, upper-cased when case is ignored.
std::string Needle(const std::string& pattern, bool ignoreCase) {
    std::string needle = pattern.c_str();
    if (ignoreCase) Mbcs::ToUpper(needle);
    return needle;
}

// Tests one pattern against the given texts in order; true at the first that matches. A plain
// entry's needle (see Needle) and a regular expression's compiled form are passed in when
// they are at hand, and made here when not (null).
bool MatchPattern(MatchContext* context, const std::string& pattern, bool isRegex, bool ignoreCase,
                  MatchSubject* const* texts, size_t count, const std::string* needle = nullptr,
                  std::shared_ptr<const CompiledRegex>* compiled = nullptr) {
    if (isRegex) {
        std::shared_ptr<const CompiledRegex> made;
        if (compiled == nullptr) compiled = &made;
        if (!*compiled || (*compiled)->transient) *compiled = context->Compile(pattern, ignoreCase);
        return MatchRegex(context, pattern, *compiled, texts, count);
    }
    std::string own;
    if (needle == nullptr) {
        own = Needle(pattern, ignoreCase);
        needle = &own;
    }
    for (size_t i = 0; i < count; ++i) {
        if (texts[i]->Contains(*needle, ignoreCase)) return true;
    }
    return false;
}

bool MatchEntryIn(MatchContext* context, const WordEntry& entry, MatchSubject* subject, MatchSubject* sender,
                  PreparedWordEntry* prepared = nullptr) {
    MatchSubject* texts[2];
    size_t count = 0;
    if (entry.target == kTargetSubject) {
        texts[count++] = subject;
    } else if (entry.target == kTargetSender) {
        texts[count++] = sender;
    } else {
        texts[count++] = subject;
        texts[count++] = sender;
    }
    if (prepared == nullptr) return MatchPattern(context, entry.text, entry.isRegex, !entry.caseSensitive, texts, count);
    return MatchPattern(context, entry.text, entry.isRegex, !entry.caseSensitive, texts, count, &prepared->needle,
                        &prepared->compiled);
}

}  // namespace

WordList::WordList() : m_lock(nullptr) {}

WordList::WordList(const WordList& other) : m_lock(nullptr) {
    LockGuard guard(other.m_lock);
    m_lock = other.m_lock;
    m_items = other.m_items;
}

WordList& WordList::operator=(const WordList& other) {
    if (this == &other) return *this;
    WordList copy(other);
    LockGuard guard(m_lock);
    std::swap(m_items, copy.m_items);
    m_compiled.clear();
    m_prepared.clear();
    m_lock = copy.m_lock;
    return *this;
}

void WordList::SetLock(CRITICAL_SECTION* lock) { m_lock = lock; }

CRITICAL_SECTION* WordList::Lock() const { return m_lock; }

bool WordList::Load(const char* path) {
    Items items;
    const bool ok = ReadFileLines(path, [&](const std::string& line) { LoadLine(line, &items); });
    LockGuard guard(m_lock);
    m_items.SwapEntries(items);
    m_compiled.clear();
    m_prepared.clear();
    return ok;
}

bool WordList::Save(const char* path) const {
    LockGuard guard(m_lock);
    std::string data;
    for (const auto& item : m_items.ByKey()) {
        const WordEntry& entry = item.second;
        data += FieldText(entry.text);
        data += '\t';
        data += TargetName(entry.target);
        data += entry.isRegex ? "\tRegex" : "\tText";
        data += entry.caseSensitive ? "\tCase" : "\tIgnoreCase";
        data += "\r\n";
    }
    return WriteFileReplacing(path, data);
}

bool WordList::Contains(const std::string& text) const {
    LockGuard guard(m_lock);
    return m_items.Contains(text);
}

int WordList::Count() const {
    LockGuard guard(m_lock);
    return m_items.Count();
}

void WordList::AddOrUpdate(const std::string& text, int32_t target, bool isRegex, bool caseSensitive) {
    LockGuard guard(m_lock);
    WordEntry entry;
    entry.text = text;
    entry.target = target;
    entry.isRegex = isRegex;
    entry.caseSensitive = caseSensitive;
    ForgetCompiled(text);
    m_items.Put(text, entry);
}

void WordList::Remove(const std::string& text) {
    LockGuard guard(m_lock);
    if (m_items.Remove(text)) ForgetCompiled(text);
}

bool WordList::RemoveAt(int index) {
    LockGuard guard(m_lock);
    std::string text;
    if (!m_items.RemoveAt(index, &text)) return false;
    ForgetCompiled(text);
    return true;
}

WordEntry WordList::EntryAt(int index) const {
    LockGuard guard(m_lock);
    return m_items.At(index);
}

int WordList::IndexOf(const std::string& text) const {
    LockGuard guard(m_lock);
    return m_items.IndexOf(text);
}

void WordList::Clear() {
    LockGuard guard(m_lock);
    m_items.Clear();
    m_compiled.clear();
    m_prepared.clear();
}

void WordList::Sort() {
    LockGuard guard(m_lock);
    m_items.Sort(CompareEntries);
}

int WordList::SortColumn() const {
    LockGuard guard(m_lock);
    return m_items.SortColumn();
}

void WordList::SetSortColumn(int column) {
    LockGuard guard(m_lock);
    m_items.SetSortColumn((column >= kColumnText && column <= kColumnCase) ? column : kColumnTarget);
}

bool WordList::SortAscending() const {
    LockGuard guard(m_lock);
    return m_items.SortAscending();
}

void WordList::SetSortAscending(bool ascending) {
    LockGuard guard(m_lock);
    m_items.SetSortAscending(ascending);
}

bool WordList::MatchesAny(const std::string& subject, const std::string& sender) const {
    LockGuard guard(m_lock);
    if (m_items.Empty()) return false;
    MatchContext context("MatchesAny()");
    context.compiled = &m_compiled;
    MatchSubject subjectText(subject);
    MatchSubject senderText(sender);
    if (m_prepared.empty()) {
        for (const auto& item : m_items.ByKey()) {
            PreparedWordEntry prepared;
            prepared.entry = &item.second;
            if (!item.second.isRegex) prepared.needle = Needle(item.second.text, !item.second.caseSensitive);
            m_prepared.push_back(prepared);
        }
    }
    for (PreparedWordEntry& prepared : m_prepared) {
        if (MatchEntryIn(&context, *prepared.entry, &subjectText, &senderText, &prepared)) return true;
    }
    return false;
}

std::vector<std::string> WordList::Texts() const {
    LockGuard guard(m_lock);
    return m_items.Keys();
}

std::vector<WordEntry> WordList::Entries() const {
    LockGuard guard(m_lock);
    return m_items.Entries();
}

void WordList::ForgetCompiled(const std::string& text) {
    m_compiled.erase(std::make_pair(text, false));
    m_compiled.erase(std::make_pair(text, true));
    m_prepared.clear();
}

bool MatchesAny(const WordList& list, const std::string& subject, const std::string& sender) {
    return list.MatchesAny(subject, sender);
}

bool MatchEntry(const std::string& subject, const std::string& sender, const WordEntry& entry) {
    MatchContext context("MatchEntry()");
    MatchSubject subjectText(subject);
    MatchSubject senderText(sender);
    return MatchEntryIn(&context, entry, &subjectText, &senderText);
}

bool MatchText(const std::string& pattern, const std::string& text, bool isRegex, bool ignoreCase, bool* error,
               std::string* errorText) {
    MatchContext context("MatchText()");
    MatchSubject subject(text);
    MatchSubject* texts[1] = {&subject};
    const bool matched = MatchPattern(&context, pattern, isRegex, ignoreCase, texts, 1);
    if (error != nullptr) *error = context.error;
    if (errorText != nullptr) *errorText = context.errorText;
    return matched;
}
