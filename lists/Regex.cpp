// Bounded regular-expression matching for the word lists; see Regex.h.
#include "lists/Regex.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <locale>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/platform.h"
#include "support/Log.h"

static const char kLogSource[] = "Mirvane\\WordList";

const char kRegexOutOfBudgetText[] = "The regular expression took too long and was stopped.";

static uint64_t g_regexEntryBudget = kRegexEntryBudget;
static uint64_t g_regexMessageBudget = kRegexMessageBudget;

uint64_t RegexEntryBudget() { return g_regexEntryBudget; }

uint64_t RegexMessageBudget() { return g_regexMessageBudget; }

void SetRegexBudgetsForTesting(uint64_t entry, uint64_t message) {
    g_regexEntryBudget = entry != 0 ? entry : kRegexEntryBudget;
    g_regexMessageBudget = message != 0 ? message : kRegexMessageBudget;
}

// Win32 takes the thread's stack size as a reservation with this flag (committed on demand).
#ifndef STACK_SIZE_PARAM_IS_A_RESERVATION
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000ul
#endif

namespace {

#if defined(__GLIBCXX__)
// libstdc++: the breadth-first executor runs in polynomial time and keeps its recursion
// bounded by the pattern; it refuses back-references (error_complexity).
const std::regex_constants::syntax_option_type kEngineFlags = std::regex_constants::__polynomial;
#else
// Other libraries bound their backtracking themselves (error_complexity, error_stack).
const std::regex_constants::syntax_option_type kEngineFlags = std::regex_constants::syntax_option_type();
#endif

const char kInvalidPatternText[] = "The regular expression is not valid text in code page 932.";
const char kTooComplexText[] = "The regular expression is too complex.";
const char kNotRunText[] = "The regular expression could not be run.";

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads a decimal number at p[*i], capped so that products stay finite.
double ReadCount(const std::wstring& p, size_t* i) {
    double value = 0;
    while (*i < p.size() && IsDigit(p[*i])) {
        value = std::min(value * 10 + (p[*i] - L'0'), 1e9);
        ++*i;
    }
    return value;
}

struct RegexThreadCall {
    const std::function<void()>* work;
    bool completed;
};

DWORD WINAPI RegexThread(LPVOID parameter) {
    RegexThreadCall* call = static_cast<RegexThreadCall*>(parameter);
    try {
        (*call->work)();
        call->completed = true;
    } catch (...) {
        // An exception must never leave the thread: that would end the host process.
        call->completed = false;
    }
    return 0;
}

// The estimated expanded size (atoms, with counted repetitions multiplied out) and the group
// depth of a wide pattern: what the library's compiler and matcher recurse over.
void EstimateRegexSize(const std::wstring& p, double* cost, size_t* depth) {
    // One frame per open group: the cost of what it holds so far, and the cost of its last
    // atom (what a following quantifier repeats).
    struct Frame {
        double sum = 0;
        double last = 0;
    };
    std::vector<Frame> stack(1);
    size_t maxDepth = 0;
    const size_t n = p.size();
    auto atom = [&stack](double value) {
        stack.back().last = value;
        stack.back().sum += value;
    };
    auto quantifier = [&stack](double copies) {
        Frame& frame = stack.back();
        frame.sum += frame.last * (copies - 1) + copies;
        frame.last = 0;
    };

    for (size_t i = 0; i < n;) {
        const wchar_t c = p[i];
        if (c == L'\\') {
            atom(1);
            i += i + 1 < n ? 2 : 1;
        } else if (c == L'[') {
            size_t j = i + 1;
            if (j < n && p[j] == L'^') ++j;
            while (j < n && p[j] != L']') j += (p[j] == L'\\') ? 2 : 1;
            atom(1);
            i = j < n ? j + 1 : n;
        } else if (c == L'(') {
            stack.emplace_back();
            maxDepth = std::max(maxDepth, stack.size() - 1);
            ++i;
            if (i + 1 < n && p[i] == L'?' && (p[i + 1] == L':' || p[i + 1] == L'=' || p[i + 1] == L'!')) i += 2;
        } else if (c == L')') {
            if (stack.size() > 1) {
                const double group = stack.back().sum + 2;
                stack.pop_back();
                atom(group);
            } else {
                atom(1);
            }
            ++i;
        } else if (c == L'|') {
            stack.back().sum += 1;
            stack.back().last = 0;
            ++i;
        } else if (c == L'*' || c == L'+' || c == L'?') {
            quantifier(1);
            ++i;
        } else if (c == L'{') {
            size_t j = i + 1;
            const bool digits = j < n && IsDigit(p[j]);
            const double low = ReadCount(p, &j);
            double high = low;
            if (digits && j < n && p[j] == L',') {
                ++j;
                if (j < n && IsDigit(p[j])) high = ReadCount(p, &j);
            }
            if (digits && j < n && p[j] == L'}') {
                quantifier(std::max(low, high) + 1);
                i = j + 1;
            } else {
                atom(1);
                ++i;
            }
        } else {
            atom(1);
            ++i;
        }
    }
    double total = 0;
    for (const Frame& frame : stack) total += frame.sum;
    *cost = total;
    *depth = maxDepth;
}

}  // namespace

namespace {

// Thrown by BudgetIterator when the budget is spent; caught in SearchRegex.
struct OutOfBudget {};

// A pointer into the wide text that pays for every character the matcher reads, and for every
// step forward (the breadth-first matcher clears its state set once per step, which costs in
// proportion to the pattern). The library's algorithms take any bidirectional iterator.
class BudgetIterator {
public:
    typedef std::bidirectional_iterator_tag iterator_category;
    typedef wchar_t value_type;
    typedef std::ptrdiff_t difference_type;
    typedef const wchar_t* pointer;
    typedef const wchar_t& reference;

    BudgetIterator() = default;
    BudgetIterator(const wchar_t* at, RegexBudget* budget, uint64_t stepCost)
        : m_at(at), m_budget(budget), m_stepCost(stepCost) {}

    reference operator*() const {
        Pay(1);
        return *m_at;
    }
    BudgetIterator& operator++() {
        Pay(m_stepCost);
        ++m_at;
        return *this;
    }
    BudgetIterator operator++(int) {
        BudgetIterator old = *this;
        ++*this;
        return old;
    }
    BudgetIterator& operator--() {
        Pay(1);
        --m_at;
        return *this;
    }
    BudgetIterator operator--(int) {
        BudgetIterator old = *this;
        --*this;
        return old;
    }
    bool operator==(const BudgetIterator& other) const { return m_at == other.m_at; }
    bool operator!=(const BudgetIterator& other) const { return m_at != other.m_at; }

private:
    void Pay(uint64_t cost) const {
        if (m_budget->left <= cost) {
            m_budget->left = 0;
            throw OutOfBudget();
        }
        m_budget->left -= cost;
    }

    const wchar_t* m_at = nullptr;
    RegexBudget* m_budget = nullptr;
    uint64_t m_stepCost = 1;
};

// The next position at or after from where one of literals occurs in haystack; npos if none.
// next holds each literal's next occurrence found so far.
size_t NextStart(const std::wstring& haystack, const std::vector<std::wstring>& literals, size_t from,
                 std::vector<size_t>* next) {
    size_t best = std::wstring::npos;
    for (size_t k = 0; k < literals.size(); ++k) {
        size_t& at = (*next)[k];
        if (at != std::wstring::npos && at < from) at = haystack.find(literals[k], from);
        best = std::min(best, at);
    }
    return best;
}

// Tries the pattern only where a match can start: at each occurrence of one of its first
// literals. Many occurrences can make that quadratic (each try may run to the end of the
// text), so it gets no more steps than one pass of the scanner would take; false (the steps
// spent paid from budget) when that was not enough and the caller must search another way.
bool SearchFromStarts(const CompiledRegex& compiled, const std::wstring& text, uint64_t stepCost, uint64_t tryCost,
                      RegexBudget* budget, bool* found) {
    RegexBudget local;
    const uint64_t onePass = (text.size() + 1) * (stepCost + 8);
    local.left = std::min(budget->left, onePass);
    const uint64_t granted = local.left;
    const BudgetIterator end(text.data() + text.size(), &local, stepCost);
    std::match_results<BudgetIterator> match;
    const std::wstring folded = compiled.ignoreCase ? FoldRegexText(text) : std::wstring();
    const std::wstring& haystack = compiled.ignoreCase ? folded : text;
    std::vector<size_t> next;
    for (const std::wstring& literal : compiled.starts) next.push_back(haystack.find(literal));
    *found = false;
    try {
        for (size_t at = NextStart(haystack, compiled.starts, 0, &next); at != std::wstring::npos && !*found;
             at = NextStart(haystack, compiled.starts, at + 1, &next)) {
            if (local.left <= tryCost) throw OutOfBudget();
            local.left -= tryCost;
            std::regex_constants::match_flag_type flags = std::regex_constants::match_continuous;
            if (at > 0) flags |= std::regex_constants::match_prev_avail;
            const BudgetIterator from(text.data() + at, &local, stepCost);
            *found = std::regex_search(from, end, match, compiled.regex, flags);
        }
    } catch (const OutOfBudget&) {
        budget->left -= granted;
        if (granted < onePass) throw;  // the caller's budget itself is spent
        return false;
    }
    budget->left -= granted - local.left;
    return true;
}

// Searches on this thread; useStarts tries only the positions where a match can start.
RegexOutcome SearchHere(const CompiledRegex& compiled, const std::wstring& text, bool useStarts, RegexBudget* budget,
                        std::string* error) {
    const uint64_t stepCost = 2 + static_cast<uint64_t>(compiled.cost) / 32;
    // Each try from one position sets up the matcher's state set (in proportion to the pattern).
    const uint64_t tryCost = 16 + static_cast<uint64_t>(compiled.cost) / 4;
    const BudgetIterator begin(text.data(), budget, stepCost);
    const BudgetIterator end(text.data() + text.size(), budget, stepCost);
    std::match_results<BudgetIterator> match;
    try {
        const double length = static_cast<double>(text.size());
        bool found = false;
        if (useStarts && compiled.anchored) {
            found = std::regex_search(begin, end, match, compiled.regex, std::regex_constants::match_continuous);
        } else if (useStarts && !compiled.starts.empty() &&
                   SearchFromStarts(compiled, text, stepCost, tryCost, budget, &found)) {
            // Decided from the starts alone.
        } else if (length * length * std::max(compiled.cost, 1.0) <= kRegexQuadraticBudget) {
            found = std::regex_search(begin, end, match, compiled.regex, std::regex_constants::match_any);
        } else {
            found = std::regex_search(begin, end, match, compiled.scanner, std::regex_constants::match_continuous);
        }
        return found ? RegexOutcome::kMatch : RegexOutcome::kNoMatch;
    } catch (const OutOfBudget&) {
        budget->left = 0;
        if (error != nullptr) *error = kRegexOutOfBudgetText;
        return RegexOutcome::kOutOfBudget;
    } catch (const std::exception& e) {
        if (error != nullptr) *error = e.what();
        return RegexOutcome::kFailed;
    } catch (...) {
        if (error != nullptr) *error = kNotRunText;
        return RegexOutcome::kFailed;
    }
}

void CompileHere(CompiledRegex* result, const std::wstring& wide) {
    try {
        std::regex_constants::syntax_option_type flags = std::regex_constants::ECMAScript | kEngineFlags;
        if (result->ignoreCase) flags |= std::regex_constants::icase;
        // The pattern alone first: it must be valid on its own, and its errors are the ones to
        // report.
        result->regex.assign(wide, flags);
        result->scanner.assign(L"[\\s\\S]*(?:" + wide + L")", flags);
        result->valid = true;
    } catch (const std::exception& e) {
        // The library describes its errors in ASCII, which is valid ANSI text as it is.
        result->error = e.what();
        result->valid = false;
    } catch (...) {
        result->error = kNotRunText;
        result->valid = false;
    }
}

// ---- the literal prefilter --------------------------------------------------------------------

// Literals of which every match of a piece of pattern contains one; unknown when nothing is
// known (the piece can match without any literal, or the deriver gave up on it).
struct Literals {
    bool known = false;
    std::vector<std::wstring> any;
};

// More than this many alternatives cost more to look for than the search they spare.
constexpr size_t kMaxLiterals = 16;

size_t ShortestLength(const Literals& literals) {
    size_t shortest = SIZE_MAX;
    for (const std::wstring& literal : literals.any) shortest = std::min(shortest, literal.size());
    return shortest;
}

// The more selective of two: longer shortest literal, then fewer alternatives.
bool Better(const Literals& candidate, const Literals& current) {
    if (!candidate.known) return false;
    if (!current.known) return true;
    const size_t a = ShortestLength(candidate);
    const size_t b = ShortestLength(current);
    return a != b ? a > b : candidate.any.size() < current.any.size();
}

bool IsHex(wchar_t c) { return IsDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

unsigned HexValue(wchar_t c) {
    if (IsDigit(c)) return static_cast<unsigned>(c - L'0');
    return static_cast<unsigned>((c | 0x20) - L'a' + 10);
}

bool IsAsciiAlnum(wchar_t c) { return IsDigit(c) || ((c | 0x20) >= L'a' && (c | 0x20) <= L'z'); }

// What the deriver knows of a piece of pattern: literals one of which every match contains,
// literals one of which every match starts with, and whether every match starts at the
// beginning of the text (a leading "^").
struct PieceLiterals {
    Literals required;
    Literals starts;
    bool anchored = false;
};

void Unite(Literals* all, const Literals& next) {
    all->known = all->known && next.known;
    all->any.insert(all->any.end(), next.any.begin(), next.any.end());
}

void Settle(Literals* all) {
    if (!all->known || all->any.size() > kMaxLiterals) {
        *all = Literals();
        return;
    }
    std::sort(all->any.begin(), all->any.end());
    all->any.erase(std::unique(all->any.begin(), all->any.end()), all->any.end());
}

// A recursive-descent reader of the ECMAScript grammar that keeps, for each alternative, the
// best set of literals one of which every match must contain (a run of plain characters that
// must appear together, or the literals of a group that must match at least once), and what
// its matches start with. Anything it does not know for certain makes it give up on the whole
// pattern (failed), so a wrong reading can never turn into a missed match.
class LiteralDeriver {
public:
    LiteralDeriver(const std::wstring& pattern, bool ignoreCase) : m_p(pattern), m_ignoreCase(ignoreCase) {}

    bool Derive(PieceLiterals* result) {
        *result = Disjunction(0);
        if (m_failed || m_i != m_p.size()) *result = PieceLiterals();
        return !m_failed;
    }

private:
    PieceLiterals Disjunction(size_t depth) {
        if (depth > kRegexDepthLimit) {
            m_failed = true;
            return PieceLiterals();
        }
        PieceLiterals all = Alternative(depth);
        while (!m_failed && m_i < m_p.size() && m_p[m_i] == L'|') {
            ++m_i;
            const PieceLiterals next = Alternative(depth);
            Unite(&all.required, next.required);
            Unite(&all.starts, next.starts);
            all.anchored = all.anchored && next.anchored;
        }
        Settle(&all.required);
        Settle(&all.starts);
        return all;
    }

    PieceLiterals Alternative(size_t depth) {
        PieceLiterals piece;
        Literals& best = piece.required;
        std::wstring run;
        bool runAtStart = false;  // the current run begins the alternative
        bool atStart = true;      // nothing consumed yet
        auto endRun = [&]() {
            if (!run.empty()) {
                Literals single;
                single.known = true;
                single.any.push_back(run);
                if (Better(single, best)) best = single;
                if (runAtStart) piece.starts = single;
            }
            run.clear();
            runAtStart = false;
        };
        while (!m_failed && m_i < m_p.size() && m_p[m_i] != L'|' && m_p[m_i] != L')') {
            const wchar_t first = m_p[m_i];
            bool isChar = false;
            bool zeroWidth = false;
            wchar_t ch = 0;
            Literals atom;  // what a group atom requires
            Literals atomStarts;
            if (!Atom(depth, &isChar, &ch, &atom, &atomStarts, &zeroWidth)) {
                m_failed = true;
                break;
            }
            size_t minimum = 1;
            bool quantified = false;
            if (!Quantifier(&quantified, &minimum)) {
                m_failed = true;
                break;
            }
            if (atStart && first == L'^' && !quantified && depth == 0) piece.anchored = true;
            if (isChar) {
                const bool counts = !quantified || minimum > 0;
                if (counts) {
                    if (atStart) runAtStart = true;
                    run += Fold(ch);
                }
                // A repeated character is followed by its copies, not by the next atom.
                if (quantified) endRun();
                atStart = false;
                continue;
            }
            endRun();
            if (minimum > 0 && Better(atom, best)) best = atom;
            if (atStart && !zeroWidth && minimum > 0) piece.starts = atomStarts;
            // Word boundaries consume nothing: what follows still starts the match.
            if (!(zeroWidth && (first == L'\\' || first == L'^'))) atStart = false;
        }
        endRun();
        return piece;
    }

    // Reads one atom. A plain character sets isChar and ch; a group sets atom to what it
    // requires; classes, assertions and character escapes leave both unset. False when the
    // atom is not understood.
    bool Atom(size_t depth, bool* isChar, wchar_t* ch, Literals* atom, Literals* starts, bool* zeroWidth) {
        const size_t n = m_p.size();
        const wchar_t c = m_p[m_i];
        switch (c) {
        case L'(': {
            ++m_i;
            bool lookahead = false;
            if (m_i < n && m_p[m_i] == L'?') {
                if (m_i + 1 >= n) return false;
                const wchar_t kind = m_p[m_i + 1];
                if (kind == L'=' || kind == L'!') {
                    lookahead = true;
                } else if (kind != L':') {
                    return false;
                }
                m_i += 2;
            }
            const PieceLiterals inner = Disjunction(depth + 1);
            if (m_failed || m_i >= n || m_p[m_i] != L')') return false;
            ++m_i;
            // A look-ahead consumes nothing, and a negative one requires the opposite.
            if (!lookahead) {
                *atom = inner.required;
                *starts = inner.starts;
            }
            return true;
        }
        case L'[':
            return SkipClass();
        case L'.':
            ++m_i;
            return true;
        case L'^':
        case L'$':
            ++m_i;
            *zeroWidth = true;
            return true;
        case L'\\':
            return Escape(isChar, ch, zeroWidth);
        case L'*':
        case L'+':
        case L'?':
        case L'{':
        case L'}':
        case L']':
            return false;
        default:
            ++m_i;
            *isChar = true;
            *ch = c;
            return true;
        }
    }

    // Skips a bracketed class; gives up on class names, collating elements and equivalences,
    // whose own brackets another reading would take for the end.
    bool SkipClass() {
        const size_t n = m_p.size();
        size_t j = m_i + 1;
        if (j < n && m_p[j] == L'^') ++j;
        while (j < n && m_p[j] != L']') {
            if (m_p[j] == L'\\') {
                j += 2;
                continue;
            }
            if (m_p[j] == L'[' && j + 1 < n && (m_p[j + 1] == L':' || m_p[j + 1] == L'.' || m_p[j + 1] == L'=')) {
                return false;
            }
            ++j;
        }
        if (j >= n) return false;
        m_i = j + 1;
        return true;
    }

    bool Escape(bool* isChar, wchar_t* ch, bool* zeroWidth) {
        const size_t n = m_p.size();
        if (m_i + 1 >= n) return false;
        const wchar_t e = m_p[m_i + 1];
        m_i += 2;
        switch (e) {
        case L'b':
        case L'B':
            *zeroWidth = true;  // an assertion: no literal
            return true;
        case L'd': case L'D': case L'w': case L'W': case L's': case L'S':
            return true;  // a class: no literal
        case L'n': *ch = L'\n'; break;
        case L'r': *ch = L'\r'; break;
        case L't': *ch = L'\t'; break;
        case L'f': *ch = L'\f'; break;
        case L'v': *ch = L'\v'; break;
        case L'0':
            if (m_i < n && IsDigit(m_p[m_i])) return false;
            *ch = L'\0';
            break;
        case L'x':
        case L'u': {
            const size_t digits = e == L'x' ? 2 : 4;
            if (m_i + digits > n) return false;
            unsigned value = 0;
            for (size_t k = 0; k < digits; ++k) {
                if (!IsHex(m_p[m_i + k])) return false;
                value = value * 16 + HexValue(m_p[m_i + k]);
            }
            m_i += digits;
            *ch = static_cast<wchar_t>(value);
            break;
        }
        default:
            // Only ASCII punctuation stands for itself; letters, digits (back-references) and
            // anything else are left to the library.
            if (e >= 0x80 || e < 0x21 || IsAsciiAlnum(e)) return false;
            *ch = e;
            break;
        }
        *isChar = true;
        return true;
    }

    // Reads an optional quantifier (and its lazy mark); minimum gets its least count.
    bool Quantifier(bool* quantified, size_t* minimum) {
        const size_t n = m_p.size();
        if (m_i >= n) return true;
        const wchar_t c = m_p[m_i];
        if (c == L'*' || c == L'?') {
            *minimum = 0;
            ++m_i;
        } else if (c == L'+') {
            *minimum = 1;
            ++m_i;
        } else if (c == L'{') {
            size_t j = m_i + 1;
            if (j >= n || !IsDigit(m_p[j])) return false;
            const double low = ReadCount(m_p, &j);
            if (j < n && m_p[j] == L',') {
                ++j;
                if (j < n && IsDigit(m_p[j])) ReadCount(m_p, &j);
            }
            if (j >= n || m_p[j] != L'}') return false;
            *minimum = low > 0 ? 1 : 0;
            m_i = j + 1;
        } else {
            return true;
        }
        *quantified = true;
        if (m_i < n && m_p[m_i] == L'?') ++m_i;
        return true;
    }

    wchar_t Fold(wchar_t c) const {
        if (!m_ignoreCase) return c;
        return std::use_facet<std::ctype<wchar_t>>(std::locale()).tolower(c);
    }

    const std::wstring& m_p;
    const bool m_ignoreCase;
    size_t m_i = 0;
    bool m_failed = false;
};

}  // namespace

std::vector<std::wstring> DeriveRegexLiterals(const std::wstring& pattern, bool ignoreCase) {
    PieceLiterals literals;
    LiteralDeriver(pattern, ignoreCase).Derive(&literals);
    return literals.required.any;
}

RegexStarts DeriveRegexStarts(const std::wstring& pattern, bool ignoreCase) {
    PieceLiterals literals;
    LiteralDeriver(pattern, ignoreCase).Derive(&literals);
    RegexStarts starts;
    starts.anchored = literals.anchored;
    starts.literals = literals.starts.any;
    return starts;
}

std::wstring FoldRegexText(const std::wstring& text) {
    std::wstring folded = text;
    if (!folded.empty()) {
        const std::ctype<wchar_t>& ctype = std::use_facet<std::ctype<wchar_t>>(std::locale());
        ctype.tolower(&folded[0], &folded[0] + folded.size());
    }
    return folded;
}

bool RegexMayMatch(const CompiledRegex& compiled, const std::wstring& text, const std::wstring& folded) {
    if (compiled.literals.empty()) return true;
    const std::wstring& haystack = compiled.ignoreCase ? folded : text;
    for (const std::wstring& literal : compiled.literals) {
        if (haystack.find(literal) != std::wstring::npos) return true;
    }
    return false;
}

std::shared_ptr<const CompiledRegex> CompileRegex(const std::string& pattern, bool ignoreCase) {
    std::shared_ptr<CompiledRegex> result = std::make_shared<CompiledRegex>();
    result->ignoreCase = ignoreCase;
    std::wstring wide;
    if (!PlatformAnsiToWide(pattern.c_str(), std::strlen(pattern.c_str()), &wide)) {
        result->error = kInvalidPatternText;
        return result;
    }
    double cost = 0;
    size_t depth = 0;
    EstimateRegexSize(wide, &cost, &depth);
    if (!(cost <= static_cast<double>(kRegexCostLimit)) || depth > kRegexDepthLimit) {
        result->error = kTooComplexText;
        return result;
    }
    result->cost = cost;
    result->shallow =
        wide.size() <= kRegexShallowLength && cost <= static_cast<double>(kRegexShallowCost) && depth <= kRegexShallowDepth;
    if (result->shallow) {
        CompileHere(result.get(), wide);
    } else if (!RunOnRegexStack([&]() { CompileHere(result.get(), wide); })) {
        result->error = kNotRunText;
        result->transient = true;
    }
    if (result->valid) {
        PieceLiterals literals;
        LiteralDeriver(wide, ignoreCase).Derive(&literals);
        result->literals = literals.required.any;
        result->anchored = literals.anchored;
        result->starts = literals.starts.any;
    }
    return result;
}

namespace {

RegexOutcome Search(const CompiledRegex& compiled, const std::wstring& text, bool useStarts, RegexBudget* budget,
                    std::string* error) {
    if (!compiled.valid) return RegexOutcome::kNoMatch;
    RegexBudget fresh;
    if (budget == nullptr) budget = &fresh;
    if (compiled.shallow) return SearchHere(compiled, text, useStarts, budget, error);
    RegexOutcome outcome = RegexOutcome::kFailed;
    if (!RunOnRegexStack([&]() { outcome = SearchHere(compiled, text, useStarts, budget, error); })) {
        if (error != nullptr) *error = kNotRunText;
        return RegexOutcome::kFailed;
    }
    return outcome;
}

}  // namespace

RegexOutcome SearchRegex(const CompiledRegex& compiled, const std::wstring& text, RegexBudget* budget,
                         std::string* error) {
    return Search(compiled, text, true, budget, error);
}

RegexOutcome SearchRegexEverywhere(const CompiledRegex& compiled, const std::wstring& text, RegexBudget* budget,
                                   std::string* error) {
    return Search(compiled, text, false, budget, error);
}

bool WidenRegexText(const char* text, std::wstring* wide) {
    return PlatformAnsiToWide(text, std::strlen(text), wide);
}

bool RunOnRegexStack(const std::function<void()>& work) {
    RegexThreadCall call = {&work, false};
    HANDLE thread = CreateThread(nullptr, kRegexStackSize, RegexThread, &call, STACK_SIZE_PARAM_IS_A_RESERVATION,
                                 nullptr);
    if (thread == nullptr) {
        LOG(LOG_ERROR, "RunOnRegexStack()", "%s: LastError: [%lu].", "CreateThread()", GetLastError());
        return false;
    }
    // The thread works on this frame's data: never return before it has ended.
    while (WaitForSingleObject(thread, INFINITE) != WAIT_OBJECT_0) {
        LOG(LOG_ERROR, "RunOnRegexStack()", "%s: LastError: [%lu].", "WaitForSingleObject()", GetLastError());
        Sleep(10);
    }
    CloseHandle(thread);
    return call.completed;
}
