// Regular expressions of the word lists, made safe and fast for the host process. The standard
// library's matcher recurses deeply (once per character of the subject in its backtracking
// mode, once per state of long patterns in any mode) and can take exponential time; a word
// list entry must never crash or freeze the mail client, and padding a subject must never hide
// a word from it. So:
//  - patterns run in the library's polynomial (breadth-first) mode where it has one: no
//    catastrophic backtracking and no recursion per subject character; back-references,
//    which that mode cannot do, are reported as a pattern error;
//  - a pattern whose expanded size or group nesting exceeds a fixed bound is refused before
//    the library sees it (its compiler and matcher recurse per state and nesting level);
//  - the whole text is searched, however long, and the work is bounded instead: every step of
//    the matcher over the text is paid from a RegexBudget, and a search that runs out of it
//    stops and counts as no match;
//  - a pattern whose matches all start at the beginning of the text, or with one of a few
//    known literals, is tried only at those positions;
//  - otherwise the library's search reruns the whole match from each position of the text
//    (quadratic time); it is used only while length * length * pattern size stays small,
//    which covers ordinary subjects and senders. Beyond that the search is one pass: the
//    pattern is matched at the start of the text behind a prefix that takes any characters,
//    so every starting position is tried at once (linear time, but a slower pass on short
//    texts);
//  - a pattern small and flat enough that the library cannot recurse deeply over it is
//    compiled and matched on the calling thread; any other runs on a worker thread with a
//    large stack (RunOnRegexStack);
//  - the literals every match must contain are derived from the pattern where the deriver
//    understands all of it; a text that holds none of them is not handed to the library.
// Text that is not valid in code page 932 never matches a regular expression.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

// Largest accepted pattern size (atoms after expanding counted repetitions) and group depth.
constexpr size_t kRegexCostLimit = 5000;
constexpr size_t kRegexDepthLimit = 256;
// Largest pattern (wide characters, estimated size, group depth) matched on the calling
// thread: the library's compiler recurses once per term and its matcher once per state, a
// few hundred bytes each, which stays far inside any thread's stack at these sizes.
constexpr size_t kRegexShallowLength = 160;
constexpr size_t kRegexShallowCost = 160;
constexpr size_t kRegexShallowDepth = 8;
// Largest length * length * pattern size searched from each position in turn.
constexpr double kRegexQuadraticBudget = 4e6;
// Stack of the matching thread.
constexpr size_t kRegexStackSize = 16u * 1024u * 1024u;
// Matcher steps one entry may take on one message, and all entries of a list together. A
// step is the matcher reading one character for one of its states, or moving on by one
// character (weighted by the pattern's size); 20 to 300 ns each here, depending on the
// pattern and the load. A search over 1 MB takes 4 to 7 million steps for an ordinary
// pattern, so such a subject is still searched whole, while a pattern that keeps hundreds of
// states alive stops after a fraction of a second and a message after about a second.
constexpr uint64_t kRegexEntryBudget = 8000000;
constexpr uint64_t kRegexMessageBudget = 24000000;

// The budgets in force (the constants above unless a test has set others).
uint64_t RegexEntryBudget();
uint64_t RegexMessageBudget();
// Lets a test run out of budget quickly; zeros restore the constants.
void SetRegexBudgetsForTesting(uint64_t entry, uint64_t message);

// What is left of the matcher steps allowed.
struct RegexBudget {
    uint64_t left = RegexEntryBudget();
};

// The error text of a search stopped for its budget.
extern const char kRegexOutOfBudgetText[];

enum class RegexOutcome { kNoMatch, kMatch, kOutOfBudget, kFailed };

// A compiled pattern, or the reason it could not be compiled.
struct CompiledRegex {
    bool valid = false;
    bool shallow = false;  // compiled here, matched on the calling thread
    bool ignoreCase = false;
    bool transient = false;  // the regex stack could not be had: worth another try later
    double cost = 0;      // estimated pattern size
    std::wregex regex;    // the pattern as written, searched from each position
    std::wregex scanner;  // any prefix, then the pattern: matched at the start only
    std::string error;    // the library's description of the problem (ANSI)
    // Every match contains at least one of these (lower-cased by FoldRegexText when the
    // pattern ignores case). Empty: nothing is known, every text goes to the library.
    std::vector<std::wstring> literals;
    // Every match starts at the beginning of the text (anchored), or with one of starts
    // (folded likewise): the search then tries only those positions.
    bool anchored = false;
    std::vector<std::wstring> starts;
};

// Compiles an ANSI (CP932) pattern with the ECMAScript grammar, ignoring case on request. Runs
// the library on the regex stack when the pattern is not shallow (an error when no such
// thread can be had).
std::shared_ptr<const CompiledRegex> CompileRegex(const std::string& pattern, bool ignoreCase);

// Searches wide text for a match anywhere, paying the steps from budget (null: a fresh entry
// budget). Runs on the regex stack when the pattern is not shallow. A failure of the library
// (or of the thread) sets error and gives kFailed; running out of budget sets error and gives
// kOutOfBudget. Only the positions where a match can start are tried (anchored, starts); the
// literal prefilter is not applied here (see RegexMayMatch).
RegexOutcome SearchRegex(const CompiledRegex& compiled, const std::wstring& text, RegexBudget* budget,
                         std::string* error);

// The same search from every position, without the starts: the reference the faster search
// must agree with (tests, benchmark, fuzzer).
RegexOutcome SearchRegexEverywhere(const CompiledRegex& compiled, const std::wstring& text, RegexBudget* budget,
                                   std::string* error);

// False when text (and its FoldRegexText form, used when the pattern ignores case) holds none
// of the literals every match of compiled needs; true otherwise.
bool RegexMayMatch(const CompiledRegex& compiled, const std::wstring& text, const std::wstring& folded);

// The literals every match of a wide pattern contains (folded when ignoreCase), derived from
// the pattern alone; empty when the pattern holds anything the deriver does not understand or
// some match needs no literal at all.
std::vector<std::wstring> DeriveRegexLiterals(const std::wstring& pattern, bool ignoreCase);

// What every match of a wide pattern starts with, derived as the literals are.
struct RegexStarts {
    bool anchored = false;
    std::vector<std::wstring> literals;
};
RegexStarts DeriveRegexStarts(const std::wstring& pattern, bool ignoreCase);

// Lower-cases wide text character by character the way the library compares characters when
// it ignores case (the global locale's ctype).
std::wstring FoldRegexText(const std::wstring& text);

// Widens the whole of text (up to its first NUL). False when it is not valid CP932.
bool WidenRegexText(const char* text, std::wstring* wide);

// Runs work on a thread with kRegexStackSize bytes of stack and waits for it. False (work not
// run) when the thread cannot be created. work must not throw.
bool RunOnRegexStack(const std::function<void()>& work);
