// Regular expressions of the word lists, made safe for the host process. The standard
// library's matcher recurses deeply (once per character of the subject in its backtracking
// mode, once per state of long patterns in any mode) and can take exponential time; a word
// list entry must never crash or freeze the mail client. So:
//  - patterns run in the library's polynomial (breadth-first) mode where it has one: no
//    catastrophic backtracking and no recursion per subject character; back-references,
//    which that mode cannot do, are reported as a pattern error;
//  - a pattern whose expanded size or group nesting exceeds a fixed bound is refused before
//    the library sees it (its compiler and matcher recurse per state and nesting level);
//  - the library's search reruns the whole match from each position of the text (quadratic
//    time); it is used only while length * length * pattern size stays small, which covers
//    ordinary subjects and senders. Beyond that the search is one pass: the pattern is
//    matched at the start of the text behind a prefix that takes any characters, so every
//    starting position is tried at once (linear time, but a slower pass on short texts);
//  - only the first kRegexTextLimit bytes of a text are searched (subjects and senders are
//    far shorter; with the size bound this limits one search to well under a second);
//  - matching runs on a worker thread with a large stack (RunOnRegexStack).
// Text that is not valid in code page 932 never matches a regular expression.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <regex>
#include <string>

// Bytes of a subject or sender handed to a regular expression.
constexpr size_t kRegexTextLimit = 4096;
// Largest accepted pattern size (atoms after expanding counted repetitions) and group depth.
constexpr size_t kRegexCostLimit = 5000;
constexpr size_t kRegexDepthLimit = 256;
// Largest length * length * pattern size searched from each position in turn.
constexpr double kRegexQuadraticBudget = 4e6;
// Stack of the matching thread.
constexpr size_t kRegexStackSize = 16u * 1024u * 1024u;

// A compiled pattern, or the reason it could not be compiled.
struct CompiledRegex {
    bool valid = false;
    double cost = 0;      // estimated pattern size
    std::wregex regex;    // the pattern as written, searched from each position
    std::wregex scanner;  // any prefix, then the pattern: matched at the start only
    std::string error;    // the library's description of the problem (ANSI)
};

// Compiles an ANSI (CP932) pattern with the ECMAScript grammar, ignoring case on request.
// Must run on the regex stack.
std::shared_ptr<const CompiledRegex> CompileRegex(const std::string& pattern, bool ignoreCase);

// Searches text (already widened and cut) for a match anywhere. Must run on the regex stack.
// A failure of the library while matching counts as no match and sets error.
bool SearchRegex(const CompiledRegex& compiled, const std::wstring& text, std::string* error);

// Widens the first kRegexTextLimit bytes of text (cut on a character boundary). False when
// that part is not valid CP932.
bool WidenRegexText(const char* text, std::wstring* wide);

// Runs work on a thread with kRegexStackSize bytes of stack and waits for it. False (work not
// run) when the thread cannot be created. work must not throw.
bool RunOnRegexStack(const std::function<void()>& work);
