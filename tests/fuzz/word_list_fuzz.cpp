// Fuzzes the word-list loader with the input as NgWordList.txt, then matches the loaded entries
// against subjects and senders cut from the input (long ones too: the seeds are multi-kilobyte):
// no crash, no hang, the literal prefilter never hides a match of the unfiltered regular
// expression, and a saved list reads back to the same file.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "lists/Regex.h"
#include "lists/WordList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small budgets: the same rules, far below the fuzzer's time-out even under sanitizers.
    static const bool budgets = (SetRegexBudgetsForTesting(100000, 300000), true);
    (void)budgets;
    static const std::string input = fuzz::ScratchFile("NgWordList.txt");
    static const std::string saved = fuzz::ScratchFile("First.txt");
    fuzz::Require(fuzz::WriteBytes(input, data, size), "the input file can be written");

    WordList list;
    fuzz::Require(list.Load(input.c_str()), "an existing file loads");
    for (const WordEntry& entry : list.Entries()) {
        fuzz::Require(!entry.text.empty() && entry.text.size() <= WordList::kMaxTextBytes,
                      "texts are non-empty and at most 512 bytes");
        fuzz::Require(entry.target >= kTargetBoth && entry.target <= kTargetSender, "targets come from keywords");
        fuzz::Require(entry.text.find_first_of(std::string("\t\n\0", 3)) == std::string::npos,
                      "no tab, line feed or NUL in a text");
    }

    // Subjects and senders from the input itself, as a sender of spam would choose them.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string subject = text.substr(0, size / 2);
    const std::string sender = text.substr(size / 2);
    list.MatchesAny(subject, sender);
    list.MatchesAny(sender, subject);
    // The unfiltered comparison runs for the first few regular expressions only, on a small
    // budget, so that one input stays far below the fuzzer's time-out.
    int compared = 0;
    for (const WordEntry& entry : list.Entries()) {
        bool error = false;
        std::string errorText;
        const bool matched = MatchText(entry.text, entry.text, entry.isRegex, !entry.caseSensitive, &error, &errorText);
        fuzz::Require(!(matched && error), "an error never matches");
        fuzz::Require(error || errorText.empty(), "error text only with an error");
        if (!entry.isRegex) fuzz::Require(matched, "a plain text matches itself");
        if (error && list.Count() == 1) {
            fuzz::Require(!list.MatchesAny(subject, sender), "a broken entry alone never matches");
        }
        if (!entry.isRegex || ++compared > 4) continue;
        const std::shared_ptr<const CompiledRegex> compiled = CompileRegex(entry.text, !entry.caseSensitive);
        std::wstring wide;
        if (!compiled->valid || !WidenRegexText(subject.c_str(), &wide)) continue;
        RegexBudget budget;
        budget.left = RegexEntryBudget() / 4;
        const RegexOutcome unfiltered = SearchRegexEverywhere(*compiled, wide, &budget, nullptr);
        if (unfiltered != RegexOutcome::kMatch && unfiltered != RegexOutcome::kNoMatch) continue;
        fuzz::Require(unfiltered != RegexOutcome::kMatch || RegexMayMatch(*compiled, wide, FoldRegexText(wide)),
                      "the prefilter passes every text the regular expression matches");
        fuzz::Require(MatchText(entry.text, subject, true, !entry.caseSensitive, nullptr, nullptr) ==
                          (unfiltered == RegexOutcome::kMatch),
                      "filtered and unfiltered matching agree");
    }

    for (int column = 0; column < 4; ++column) {
        list.SetSortColumn(column);
        list.SetSortAscending(column % 2 == 0);
        list.Sort();
    }
    std::string files[3];
    WordList current = list;
    for (std::string& file : files) {
        fuzz::Require(current.Save(saved.c_str()), "the list saves");
        file = fuzz::ReadBytes(saved);
        fuzz::Require(current.Load(saved.c_str()), "the saved list loads");
    }
    fuzz::Require(current.Count() <= list.Count(), "a save never makes up entries");
    fuzz::Require(files[1] == files[2], "a saved list reads back unchanged");
    return 0;
}
