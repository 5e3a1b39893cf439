// Bounded regular-expression matching for the word lists; see Regex.h.
#include "lists/Regex.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/platform.h"
#include "support/Log.h"

static const char kLogSource[] = "Mirvane\\WordList";

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

std::shared_ptr<const CompiledRegex> CompileRegex(const std::string& pattern, bool ignoreCase) {
    std::shared_ptr<CompiledRegex> result = std::make_shared<CompiledRegex>();
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
    try {
        std::regex_constants::syntax_option_type flags = std::regex_constants::ECMAScript | kEngineFlags;
        if (ignoreCase) flags |= std::regex_constants::icase;
        // The pattern alone first: it must be valid on its own, and its errors are the ones to
        // report.
        result->regex.assign(wide, flags);
        result->scanner.assign(L"[\\s\\S]*(?:" + wide + L")", flags);
        result->cost = cost;
        result->valid = true;
    } catch (const std::exception& e) {
        // The library describes its errors in ASCII, which is valid ANSI text as it is.
        result->error = e.what();
    }
    return result;
}

bool SearchRegex(const CompiledRegex& compiled, const std::wstring& text, std::string* error) {
    if (!compiled.valid) return false;
    try {
        const double length = static_cast<double>(text.size());
        if (length * length * std::max(compiled.cost, 1.0) <= kRegexQuadraticBudget) {
            return std::regex_search(text, compiled.regex, std::regex_constants::match_any);
        }
        return std::regex_search(text, compiled.scanner, std::regex_constants::match_continuous);
    } catch (const std::exception& e) {
        if (error != nullptr) *error = e.what();
        return false;
    }
}

bool WidenRegexText(const char* text, std::wstring* wide) {
    const size_t length = std::strlen(text);
    return PlatformAnsiToWide(text, Mbcs::CutLength(text, length, kRegexTextLimit), wide);
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
