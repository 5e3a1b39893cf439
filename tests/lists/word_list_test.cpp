// The NG/OK word lists: file format and keywords, plain and regular-expression matching in
// CP932, targets, the classifier's walk, sorting, copies and locking, and hostile input.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "lists/ListTestUtil.h"
#include "lists/Regex.h"
#include "lists/WordList.h"
#include "support/Log.h"

namespace {

using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

// "text|target|R|C" per entry in display order (R regex, C case-sensitive, "-" otherwise).
std::vector<std::string> Rows(const WordList& list) {
    std::vector<std::string> rows;
    for (const WordEntry& entry : list.Entries()) {
        rows.push_back(entry.text + "|" + std::to_string(entry.target) + "|" + (entry.isRegex ? "R" : "-") +
                       (entry.caseSensitive ? "C" : "-"));
    }
    return rows;
}

WordList Loaded(const TempDir& folder, const std::string& content) {
    const std::string path = folder.File("NgWordList.txt");
    EXPECT_TRUE(WriteBytes(path, content));
    WordList list;
    EXPECT_TRUE(list.Load(path.c_str()));
    return list;
}

bool Plain(const std::string& pattern, const std::string& text, bool ignoreCase) {
    return MatchText(pattern, text, false, ignoreCase, nullptr, nullptr);
}

// Regular-expression match; error gets the flag, errorText the description.
bool Regex(const std::string& pattern, const std::string& text, bool ignoreCase = false, bool* error = nullptr,
           std::string* errorText = nullptr) {
    bool flag = true;
    std::string description = "untouched";
    const bool matched = MatchText(pattern, text, true, ignoreCase, &flag, &description);
    if (error != nullptr) *error = flag;
    if (errorText != nullptr) *errorText = description;
    if (!flag) {
        EXPECT_EQ("", description) << "no error, no text";
    }
    return matched;
}

WordEntry Entry(const std::string& text, int32_t target, bool isRegex = false, bool caseSensitive = false) {
    WordEntry entry;
    entry.text = text;
    entry.target = target;
    entry.isRegex = isRegex;
    entry.caseSensitive = caseSensitive;
    return entry;
}

}  // namespace

TEST(WordListFile, FieldsAndExactKeywords) {
    TempDir folder;
    const WordList list = Loaded(folder,
                                 "only text\r\n"
                                 "s\tSubject\tRegex\tCase\r\n"
                                 "f\t Fromname \t Text \t IgnoreCase \r\n"
                                 "a\tAll\tText\tIgnoreCase\textra\tfields\r\n"
                                 "lower\tsubject\tregex\tcase\r\n"    // keywords are case-sensitive
                                 "partial\tSubjects\tRegexp\tCases\r\n"  // and need the whole field
                                 "empty\t\tRegex\r\n"                 // empty fields are kept
                                 "\tleading tab\tSubject\r\n"         // trimmed before the split
                                 "\r\n"
                                 " \t \r\n"                           // no text: skipped
                                 "\t\tSubject\r\n"                    // the trim leaves the keyword as text
                                 "s\tFromname\n"                      // duplicate: new fields, old place
                                 "\x8c\x8f\x96\xbc\tSubject\tText\tCase");
    EXPECT_EQ((std::vector<std::string>{"only text|0|--", "s|2|--", "f|2|--", "a|0|--", "lower|0|--",
                                        "partial|0|--", "empty|0|R-", "leading tab|1|--", "Subject|0|--",
                                        "\x8c\x8f\x96\xbc|1|-C"}),
              Rows(list));
}

TEST(WordListFile, TextIsCutTo512BytesOnACharacterBoundaryAndTrimmedAgain) {
    TempDir folder;
    std::string dbcs;
    for (int i = 0; i < 300; ++i) dbcs += "\x82\xa0";
    const std::string blankAtCut = std::string(511, 'b') + " tail";
    const WordList list =
        Loaded(folder, std::string(600, 'a') + "\tSubject\r\nx" + dbcs + "\r\n" + blankAtCut + "\r\n");
    ASSERT_EQ(3, list.Count());
    EXPECT_EQ(std::string(512, 'a'), list.EntryAt(0).text);
    EXPECT_EQ(1, list.EntryAt(0).target);
    EXPECT_EQ(511u, list.EntryAt(1).text.size()) << "x and 255 whole characters";
    EXPECT_EQ(std::string(511, 'b'), list.EntryAt(2).text) << "the blank left at the cut is trimmed";
}

TEST(WordListFile, SaveWritesFourFieldsInTextByteOrder) {
    TempDir folder;
    WordList list;
    list.AddOrUpdate("only text", kTargetBoth, false, false);
    list.AddOrUpdate("B", kTargetSubject, true, true);
    list.AddOrUpdate("a", kTargetSender, false, true);
    list.AddOrUpdate("odd", 7, true, false);
    list.AddOrUpdate("\x8c\x8f", kTargetSubject, false, false);
    const std::string path = folder.File("NgWordList.txt");
    ASSERT_TRUE(list.Save(path.c_str()));
    EXPECT_EQ("B\tSubject\tRegex\tCase\r\n"
              "a\tFromname\tText\tCase\r\n"
              "odd\tAll\tRegex\tIgnoreCase\r\n"
              "only text\tAll\tText\tIgnoreCase\r\n"
              "\x8c\x8f\tSubject\tText\tIgnoreCase\r\n",
              ReadBytes(path));
    EXPECT_FALSE(testing_files::Exists(path + ".tmp"));

    WordList reloaded;
    ASSERT_TRUE(reloaded.Load(path.c_str()));
    EXPECT_EQ((std::vector<std::string>{"B|1|RC", "a|2|-C", "odd|0|R-", "only text|0|--", "\x8c\x8f|1|--"}),
              Rows(reloaded));
}

TEST(WordListFile, ATabOrLineBreakInATextCannotChangeTheEntryOnReload) {
    // A subject registered from a folded header keeps the tab of its continuation line;
    // written as it is, the entry would come back as "foo" for both fields.
    TempDir folder;
    WordList list;
    list.AddOrUpdate("foo\tbar", kTargetSubject, false, true);
    list.AddOrUpdate("one\r\ntwo", kTargetSender, false, false);
    const std::string path = folder.File("NgWordList.txt");
    ASSERT_TRUE(list.Save(path.c_str()));
    WordList reloaded;
    ASSERT_TRUE(reloaded.Load(path.c_str()));
    EXPECT_EQ((std::vector<std::string>{"foo bar|1|-C", "one  two|2|--"}), Rows(reloaded));
}

TEST(WordListFile, FailuresAndHostileFilesLoseNothingAndCrashNothing) {
    TempDir folder;
    const std::string path = folder.File("NgWordList.txt");
    ASSERT_TRUE(WriteBytes(path, "old\tAll\tText\tIgnoreCase\r\n"));
    WordList list;
    list.AddOrUpdate("new", kTargetBoth, false, false);
    ASSERT_TRUE(CreateDirectoryA((path + ".tmp").c_str(), nullptr));
    EXPECT_FALSE(list.Save(path.c_str()));
    EXPECT_EQ("old\tAll\tText\tIgnoreCase\r\n", ReadBytes(path));
    RemoveDirectoryA((path + ".tmp").c_str());
    EXPECT_FALSE(list.Save(folder.File("missing\\x.txt").c_str()));

    EXPECT_FALSE(list.Load(folder.File("missing.txt").c_str()));
    EXPECT_EQ(0, list.Count());

    std::string garbage;
    for (int i = 0; i < 8192; ++i) garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
    list = Loaded(folder, garbage + "\r\n" + std::string("a\0b\tSubject\r\n", 13) + std::string(1 << 20, '\t') + "\x82");
    for (const WordEntry& entry : list.Entries()) {
        EXPECT_FALSE(entry.text.empty());
        EXPECT_LE(entry.text.size(), 512u);
        EXPECT_TRUE(entry.target >= 0 && entry.target <= 2);
        // Matching garbage entries against garbage neither crashes nor hangs.
        MatchEntry(garbage.substr(0, 300), garbage.substr(300, 300), entry);
    }
    EXPECT_TRUE(list.Contains("a")) << "a NUL ends the line's text";
    EXPECT_EQ(0, list.EntryAt(list.IndexOf("a")).target);
    EXPECT_TRUE(list.Contains("\x82")) << "a lead byte at the very end is kept as it is";
}

TEST(MatchTextPlain, SubstringWithOrWithoutLetterCase) {
    EXPECT_TRUE(Plain("viagra", "Cheap VIAGRA now", true));
    EXPECT_TRUE(Plain("ViAgRa", "cheap viagra now", true));
    EXPECT_FALSE(Plain("viagra", "Cheap VIAGRA now", false));
    EXPECT_TRUE(Plain("VIAGRA", "Cheap VIAGRA now", false));
    EXPECT_FALSE(Plain("viagra", "via gra", true));
    EXPECT_TRUE(Plain("", "anything", false)) << "an empty word occurs everywhere";
    EXPECT_FALSE(Plain("x", "", true));
    // A plain entry's special characters are just characters.
    EXPECT_TRUE(Plain("a.b*(", "xa.b*(y", false));
    EXPECT_FALSE(Plain("a.b", "axb", false));
}

TEST(MatchTextPlain, DoubleByteCharactersAreNeverSplit) {
    const std::string kanji = "\x8c\x8f\x96\xbc";  // two kanji
    EXPECT_TRUE(Plain(kanji, "Re: \x8c\x8f\x96\xbc\x82\xa0", false));
    EXPECT_TRUE(Plain(kanji, "Re: \x8c\x8f\x96\xbc\x82\xa0", true));
    // "\x83\x8c" occurs in "\x89\x83\x8c\x41" only across the boundary of two characters.
    EXPECT_FALSE(Plain("\x83\x8c", "\x89\x83\x8c\x41", false));
    EXPECT_FALSE(Plain("\x83\x8c", "\x89\x83\x8c\x41", true));
    // Second bytes 0x5C, 0x40, 0x41, 0x61 are not "\", "@", "A", "a".
    EXPECT_FALSE(Plain("\\", "\x95\x5c\x83\x5c", false));
    EXPECT_FALSE(Plain("@", "\x83\x40", false));
    EXPECT_FALSE(Plain("a", "\x83\x41", true));
    EXPECT_FALSE(Plain("A", "\x83\x61", true));
    EXPECT_FALSE(Plain("\x83\x41", "\x83\x61", true)) << "upper-casing never touches a second byte";
    EXPECT_TRUE(Plain("\\", "\x95\x5c\\", false));
    // Full-width letters are folded when case is ignored.
    EXPECT_TRUE(Plain("\x82\x81\x82\x82", "\x82\x60\x82\x61", true));   // fullwidth ab ~ AB
    EXPECT_FALSE(Plain("\x82\x81\x82\x82", "\x82\x60\x82\x61", false));
    // Invalid text: a lead byte at the end counts as one byte; plain entries still work.
    EXPECT_TRUE(Plain("abc", "abc\x82", true));
    EXPECT_TRUE(Plain("\x82", "abc\x82", false));
    EXPECT_FALSE(Plain("c\x82\x82", "abc\x82", false));
    // Long texts and the heap-copy path.
    EXPECT_TRUE(Plain("needle", std::string(1 << 20, 'x') + "NEEDLE", true));
}

TEST(MatchTextRegex, SearchAnywhereOnWideText) {
    EXPECT_TRUE(Regex("v.agra", "buy viagra"));
    EXPECT_TRUE(Regex("^buy", "buy viagra"));
    EXPECT_FALSE(Regex("^viagra", "buy viagra")) << "anchored at the start of the whole text";
    EXPECT_TRUE(Regex("viagra$", "buy viagra"));
    EXPECT_FALSE(Regex("VIAGRA", "buy viagra"));
    EXPECT_TRUE(Regex("VIAGRA", "buy viagra", true));
    EXPECT_TRUE(Regex("[0-9]{3}-[0-9]{4}", "call 123-4567"));
    EXPECT_TRUE(Regex("", "anything"));
    EXPECT_TRUE(Regex("x*", ""));
    // The pattern sees characters, not bytes: one "." is one double-byte character.
    EXPECT_TRUE(Regex("^.$", "\x82\xa0"));
    EXPECT_TRUE(Regex("^\x96\xa2\x8f\xb3\x91\xf8", "\x96\xa2\x8f\xb3\x91\xf8\x8d\x4c\x8d\x90"));
    EXPECT_TRUE(Regex("[\x82\xa0-\x82\xf1]+", "abc\x82\xa2"));  // a hiragana range
    EXPECT_FALSE(Regex("\\\\", "\x95\x5c")) << "0x5C as a second byte is no backslash";
    EXPECT_FALSE(Regex("\x83\x8c", "\x89\x83\x8c\x41"));
}

TEST(MatchTextRegex, InvalidPatternsReportTheLibraryErrorAndNeverMatch) {
    bool error = false;
    std::string text;
    for (const char* pattern : {"(unclosed", "[a-", "a{2,1}", "*a", "a)"}) {
        EXPECT_FALSE(Regex(pattern, "(unclosed [a- a)", false, &error, &text)) << pattern;
        EXPECT_TRUE(error) << pattern;
        EXPECT_FALSE(text.empty()) << pattern;
    }
    // A pattern that is not valid CP932 is an error as well; a text that is not valid CP932
    // never matches, without error.
    EXPECT_FALSE(Regex("a\x82", "a", false, &error, &text));
    EXPECT_TRUE(error);
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(Regex("abc", "abc\x82", false, &error, &text));
    EXPECT_FALSE(error);
    EXPECT_FALSE(Regex("abc", "abc\x82\x20", false, &error, &text));
    EXPECT_FALSE(error);
    // Back-references cannot run in bounded time: reported, never matched.
    const bool matched = Regex("(a)\\1", "aa", false, &error, &text);
    EXPECT_TRUE(matched || error);
    // The error outputs may be omitted.
    EXPECT_FALSE(MatchText("(", "(", true, false, nullptr, nullptr));
}

TEST(MatchTextRegex, HostileSubjectsAndPatternsNeitherCrashNorHang) {
    const std::string huge(1 << 20, 'a');  // a 1 MB subject
    // Small budgets: the same rules, and the stop comes quickly even under sanitizers.
    SetRegexBudgetsForTesting(300000, 900000);
    for (const char* pattern : {"(a|b)*", "((a*)*)*", "(a|aa)+$", "(.*)*b", "^(a+)+$"}) {
        bool error = true;
        std::string text;
        // Either an answer or a stop for the budget; never a crash, never a hang.
        Regex(pattern, huge + "b", false, &error, &text);
        EXPECT_TRUE(!error || text == kRegexOutOfBudgetText) << pattern << ": " << text;
        Regex(pattern, huge + "\x82", false, &error, &text);
    }
    SetRegexBudgetsForTesting(0, 0);
    const std::string large(100 << 10, 'a');
    EXPECT_TRUE(Regex("(a|b)*", large));
    EXPECT_TRUE(Regex("((a*)*)*c|a", large));
    // Catastrophic backtracking shapes finish: the matcher works in polynomial time.
    EXPECT_FALSE(Regex("^(a+)+$", std::string(64, 'a') + "!"));
    EXPECT_FALSE(Regex("^(a|a?)+$", std::string(64, 'a') + "!"));
    EXPECT_FALSE(Regex("^(\\w+\\s?)*$", "An apparently innocent sentence that ends badly!"));

    // The whole text is searched, however long.
    EXPECT_TRUE(Regex("^a", huge + "b"));
    EXPECT_TRUE(Regex("b$", huge + "b"));
    EXPECT_TRUE(Regex("b", std::string(4096, 'a') + "b"));
    EXPECT_TRUE(Plain("b", huge + "b", false)) << "plain entries search the whole text";

    // Patterns whose expansion or nesting is too large are refused before they run.
    bool error = false;
    std::string text;
    for (const std::string& pattern :
         {std::string("(a?){5000}"), std::string("a{1000000000}"), std::string("((a{100}){100}){100}"),
          std::string(300, '(') + "a" + std::string(300, ')'), std::string(20000, 'a')}) {
        EXPECT_FALSE(Regex(pattern, "aaaa", false, &error, &text)) << pattern.substr(0, 40);
        EXPECT_TRUE(error) << pattern.substr(0, 40);
        EXPECT_EQ("The regular expression is too complex.", text);
    }
    // Large but bounded ones run, on a long subject too.
    EXPECT_TRUE(Regex("(a?){200}b", std::string(1000, 'a') + "b", false, &error, &text)) << text;
    EXPECT_TRUE(Regex(std::string(200, '(') + "a" + std::string(200, ')'), "a", false, &error, &text)) << text;
    EXPECT_TRUE(Regex("x|" + std::string(4000, 'a'), "x", false, &error, &text)) << text;
}

TEST(RegexBounds, TheOnePassScanAgreesWithTheSearchFromEachPosition) {
    const char* const patterns[] = {"^ab", "b$", "a|b", "\\bfoo\\b", "(x)?y", "[0-9]{2}", "", "a*", "^$",
                                    "(?=b)", "(?!a).", "o{2,}", "^(a|ab)(c|bcd)$", "B.R"};
    const char* const texts[] = {"", "ab", "xab", "foo bar", "xy", "y", "12", "a1b2", "abcd", "foobar", "b"};
    for (const char* pattern : patterns) {
        for (bool ignoreCase : {false, true}) {
            const std::shared_ptr<const CompiledRegex> compiled = CompileRegex(pattern, ignoreCase);
            ASSERT_TRUE(compiled->valid) << pattern << ": " << compiled->error;
            for (const char* text : texts) {
                const std::wstring wide(text, text + std::strlen(text));
                EXPECT_EQ(std::regex_search(wide, compiled->regex),
                          std::regex_search(wide, compiled->scanner, std::regex_constants::match_continuous))
                    << pattern << " on " << text << (ignoreCase ? " ignoring case" : "");
            }
        }
    }
}

// Padding a subject must not hide a word: the whole text is searched at every length.
TEST(RegexBudget, PaddedSubjectsAreSearchedWhole) {
    WordList list;
    list.AddOrUpdate("(viagra|cialis)+", kTargetSubject, true, false);
    list.AddOrUpdate("^Re: .*\\bbuy\\b", kTargetBoth, true, true);
    for (size_t size : {size_t(5) << 10, size_t(100) << 10, size_t(1) << 20}) {
        const std::string padding(size, ' ');
        EXPECT_TRUE(list.MatchesAny(padding + "Cheap VIAGRA", "")) << size;
        EXPECT_TRUE(list.MatchesAny("cialis" + padding, "")) << size;
        EXPECT_TRUE(list.MatchesAny(padding + "Cialis" + padding, "")) << size;
        EXPECT_TRUE(list.MatchesAny("", "Re: " + padding + "buy now")) << size;
        EXPECT_FALSE(list.MatchesAny(padding + "vi agra", padding + "Re: " + padding + "buyer")) << size;
        EXPECT_FALSE(list.MatchesAny("", padding + "viagra")) << "subject-only entry, " << size;
        // Double-byte padding: the word is found after it, never across a character.
        std::string wide;
        for (size_t k = 0; k < size / 2; ++k) wide += "\x82\xa0";
        EXPECT_TRUE(Regex("\x96\xb3\x97\xbf", wide + "\x96\xb3\x97\xbf", true)) << size;
        EXPECT_FALSE(Regex("\xa0\x96", wide + "\x96\xb3")) << size;
    }
    // Padding made of the word matches start with: trying each start would be quadratic, the
    // search falls back to one pass and still answers.
    std::string starts;
    for (int k = 0; k < 20000; ++k) starts += "free ";
    EXPECT_TRUE(Regex("free.*money", starts + "money"));
    EXPECT_TRUE(Regex("(free|cheap)\\s+money", starts + "money", true));
    bool error = true;
    EXPECT_FALSE(Regex("free.*money$", starts + "money!", false, &error));
    EXPECT_FALSE(error);
}

// A search that would take too long stops and counts as no match: the entry's error says so,
// the log names the entry, and the entries after it still run; once a message has spent its
// budget the remaining regular expressions are skipped (and logged once), plain words not.
TEST(RegexBudget, EntriesAndMessagesStopAtTheirBudget) {
    const TempDir folder;
    const std::string logPath = folder.File("Mirvane.log");
    g_logger.Configure("WARN", folder.Path().c_str(), logPath.c_str());
    SetRegexBudgetsForTesting(300000, 900000);  // the same rules, a quicker stop
    const std::string huge(1 << 20, 'a');
    // Hundreds of states alive at every character: a match at the end of 1 MB is out of reach.
    const std::string heavy = "(a?){200}b$";

    bool error = false;
    std::string text;
    EXPECT_FALSE(Regex(heavy, huge + "b", false, &error, &text));
    EXPECT_TRUE(error);
    EXPECT_EQ(kRegexOutOfBudgetText, text);
    EXPECT_TRUE(Regex(heavy, std::string(300, 'a') + "b", false, &error, &text)) << "short texts stay in budget";

    WordList list;
    list.AddOrUpdate(heavy, kTargetSubject, true, false);
    list.AddOrUpdate("z(a?){200}b$", kTargetSubject, true, false);  // walked after the first
    list.AddOrUpdate("zz$", kTargetSubject, true, false);
    EXPECT_TRUE(list.MatchesAny(huge + "b zz", "")) << "the cheap entry after a stopped one runs";

    WordList costly;
    for (const char* prefix : {"a", "b", "c", "d"}) costly.AddOrUpdate(std::string(prefix) + "?" + heavy, 0, true, false);
    costly.AddOrUpdate("x", 0, false, false);
    costly.AddOrUpdate("yy$", 0, true, false);
    EXPECT_FALSE(costly.MatchesAny(huge + "b yy", "")) << "regular expressions after the message's budget are skipped";
    EXPECT_TRUE(costly.MatchesAny(huge + "b x", "")) << "plain words are never skipped";
    EXPECT_TRUE(costly.MatchesAny("yy", "")) << "a short message keeps its budget";

    SetRegexBudgetsForTesting(0, 0);
    g_logger.Configure("ERROR", "", "");
    const std::string log = ReadBytes(logPath);
    EXPECT_NE(std::string::npos, log.find("regular expression stopped, over its budget: [(a?){200}b$]")) << log;
    EXPECT_NE(std::string::npos, log.find("regular expressions skipped, the message's budget is spent: [")) << log;
}

// Patterns small and flat enough run on the calling thread; larger ones still get the large
// stack. Run from a thread with a small stack, both kinds answer without overflowing it.
DWORD WINAPI SmallStackMatching(LPVOID parameter) {
    std::vector<int>* results = static_cast<std::vector<int>*>(parameter);
    const std::string deep = std::string(200, '(') + "a" + std::string(200, ')');
    const std::string longPattern = "x|" + std::string(4000, 'a');
    const std::string widest = "(" + std::string(70, 'a') + "|" + std::string(70, 'b') + ")+c";
    for (const std::string& pattern : {deep, longPattern, widest, std::string("(viagra|cialis)+")}) {
        results->push_back(CompileRegex(pattern, false)->shallow ? 1 : 0);
        results->push_back(MatchText(pattern, "zz" + std::string(70, 'b') + "c viagra a x", true, false, nullptr,
                                     nullptr)
                               ? 1
                               : 0);
    }
    return 0;
}

TEST(RegexBudget, ShallowPatternsRunHereAndDeepOnesOnTheLargeStack) {
    std::vector<int> results;
    HANDLE thread = CreateThread(nullptr, 256 * 1024, SmallStackMatching, &results, 0x00010000ul, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, INFINITE));
    CloseHandle(thread);
    EXPECT_EQ((std::vector<int>{0, 1, 0, 1, 1, 1, 1, 1}), results);
}

// The literals a pattern's matches must contain, as derived; nothing where a match can do
// without a literal or where the deriver does not read the pattern for certain.
TEST(RegexPrefilter, DerivesOnlyLiteralsEveryMatchContains) {
    typedef std::vector<std::wstring> Set;
    const struct {
        const wchar_t* pattern;
        bool ignoreCase;
        Set literals;
    } cases[] = {
        {L"(viagra|cialis)+", false, {L"cialis", L"viagra"}},
        {L"free.*money", false, {L"money"}},
        {L"\\bfoo\\b", false, {L"foo"}},
        {L"colou?r", false, {L"colo"}},
        {L"colou+r", false, {L"colou"}},
        {L"(?:ab)?cd", false, {L"cd"}},
        {L"x[a-c\\]]+yz", false, {L"yz"}},
        {L"\\$100\\.\\x41\\u0042", false, {L"$100.AB"}},
        {L"(?=abcd)e", false, {L"e"}},
        {L"(?!abcd)ef", false, {L"ef"}},
        {L"^(re|fw): .*bargain", false, {L"bargain"}},
        {L"(a|bc)(de|f)g{2}", false, {L"g"}},
        {L"(a|bc)(de|fg)", false, {L"de", L"fg"}},
        {L"VIAGRA", true, {L"viagra"}},
        {L"a{2,}bb{0,3}", false, {L"a"}},
        {L"\u7121\u6599.*\u304A\u91D1", false, {L"\u7121\u6599"}},
        // Nothing known:
        {L"a|", false, {}},
        {L"(a|.)x?", false, {}},
        {L"a*b?", false, {}},
        {L".*", false, {}},
        {L"[[:alpha:]]xyz", false, {}},
        {L"\\p{L}xyz", false, {}},
        {L"(a)\\1", false, {}},
        {L"(?<n>a)b", false, {}},
        {L"x{,3}yz", false, {}},
        {L"ab)", false, {}},
        {L"(ab", false, {}},
        {L"a]", false, {}},
        {L"\\qa", false, {}},
        {L"(a|b|c|d|e|f|g|h|i|j|k|l|m|n|o|p|q)", false, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.literals, DeriveRegexLiterals(c.pattern, c.ignoreCase))
            << std::string(c.pattern, c.pattern + std::wcslen(c.pattern)).c_str();
    }
}

// Where matches can start: at the beginning only (a leading "^" in every alternative), or at
// one of the literals every match begins with; nothing known otherwise.
TEST(RegexPrefilter, DerivesWhereMatchesStart) {
    typedef std::vector<std::wstring> Set;
    const struct {
        const wchar_t* pattern;
        bool anchored;
        Set starts;
    } cases[] = {
        {L"(viagra|cialis)+", false, {L"cialis", L"viagra"}},
        {L"\\bviagra\\b", false, {L"viagra"}},
        {L"free.*money", false, {L"free"}},
        {L"a+b", false, {L"a"}},
        {L"(?:ab|c)d|ef", false, {L"ab", L"c", L"ef"}},
        {L"^Re: .*buy", true, {L"Re: "}},
        {L"^a|^b", true, {L"a", L"b"}},
        {L"^a|b", false, {L"a", L"b"}},
        {L"a?b", false, {}},
        {L"(ab)?c", false, {}},
        {L"[ab]c", false, {}},
        {L"(?=a)ab", false, {}},
        {L".a", false, {}},
        {L"\\dab", false, {}},
        {L"$a", false, {}},
        {L"(^a)", false, {L"a"}},
        {L"(a", false, {}},
    };
    for (const auto& c : cases) {
        const RegexStarts starts = DeriveRegexStarts(c.pattern, false);
        const std::string name(c.pattern, c.pattern + std::wcslen(c.pattern));
        EXPECT_EQ(c.anchored, starts.anchored) << name;
        EXPECT_EQ(c.starts, starts.literals) << name;
    }
}

// Every derived prefilter checked against the library's own search on generated subjects: a
// subject the pattern matches always passes the prefilter, the search from the derived starts
// finds the same, and MatchText (which uses both) agrees everywhere.
TEST(RegexPrefilter, NeverRejectsASubjectTheRegexMatches) {
    const char* const patterns[] = {
        "(viagra|cialis)+", "free.*money", "\\bfree\\b", "colou?r", "(?:ab)?cd", "x[a-c]+y", "a\\.b|c\\$",
        "(?=ab)a", "(?!ab)ac", "^(re|fw): .*ab", "(a|bc)(de|f)g", "AB", "a{2,}b", "(ab){0,2}c+", "\\x41B|x\\u0079",
        "a\\sb", "\\bab\\b", "^ab|c", "(ab|c)+d", "\x96\xb3\x97\xbf(\x82\xa8|\x8b\xe0)", "[\x82\xa0-\x82\xf1]\x83\x8c", "\x83\x8c", "\x82\x60" "b",
    };
    // Pieces of subjects: the letters of the patterns in both cases, punctuation, blanks and
    // double-byte characters (full-width letters, kana, kanji, one with 0x8C as first byte).
    const std::vector<std::string> pieces = {
        "a", "b", "c", "d", "e", "f", "g", "r", "o", "l", "u", "x", "y", "A", "B", "C", "R", "F", "E",
        "free", "money", "viagra", "CIALIS", "colo", ".", "$", ":", " ", "re: ", "\x96\xb3", "\x97\xbf",
        "\x82\xa8", "\x8b\xe0", "\x83\x8c", "\x89\x83", "\x8c\x41", "\x82\x60", "\x82\x81", "\x82\xa0"};
    unsigned long long state = 12345;
    auto next = [&state](size_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<size_t>((state >> 33) % n);
    };
    size_t rejected = 0;
    size_t matched = 0;
    for (const char* pattern : patterns) {
        for (bool ignoreCase : {false, true}) {
            const std::shared_ptr<const CompiledRegex> compiled = CompileRegex(pattern, ignoreCase);
            ASSERT_TRUE(compiled->valid) << pattern << ": " << compiled->error;
            EXPECT_FALSE(compiled->literals.empty()) << pattern;
            for (int round = 0; round < 400; ++round) {
                std::string subject;
                const size_t count = next(12);
                for (size_t k = 0; k < count; ++k) subject += pieces[next(pieces.size())];
                std::wstring wide;
                ASSERT_TRUE(WidenRegexText(subject.c_str(), &wide));
                const bool unfiltered = std::regex_search(wide, compiled->regex);
                EXPECT_EQ(unfiltered, SearchRegexEverywhere(*compiled, wide, nullptr, nullptr) == RegexOutcome::kMatch);
                EXPECT_EQ(unfiltered, SearchRegex(*compiled, wide, nullptr, nullptr) == RegexOutcome::kMatch)
                    << pattern << " on " << subject << ": the search from the starts";
                const bool passes = RegexMayMatch(*compiled, wide, FoldRegexText(wide));
                EXPECT_TRUE(passes || !unfiltered) << pattern << " on " << subject << (ignoreCase ? " (case)" : "");
                EXPECT_EQ(unfiltered, MatchText(pattern, subject, true, ignoreCase, nullptr, nullptr))
                    << pattern << " on " << subject;
                rejected += passes ? 0 : 1;
                matched += unfiltered ? 1 : 0;
            }
        }
    }
    EXPECT_GT(rejected, 1000u) << "the prefilter spares the library most subjects";
    EXPECT_GT(matched, 500u) << "the generated subjects match often enough to test";
}

TEST(MatchEntry, TargetsPickTheFields) {
    const std::string subject = "Sale today";
    const std::string sender = "\"Shop\" <shop@example.jp>";
    EXPECT_TRUE(MatchEntry(subject, sender, Entry("sale", kTargetSubject)));
    EXPECT_FALSE(MatchEntry(subject, sender, Entry("shop", kTargetSubject)));
    EXPECT_TRUE(MatchEntry(subject, sender, Entry("shop", kTargetSender)));
    EXPECT_TRUE(MatchEntry(subject, sender, Entry("example.jp", kTargetSender))) << "address part of the sender";
    EXPECT_FALSE(MatchEntry(subject, sender, Entry("sale", kTargetSender)));
    EXPECT_TRUE(MatchEntry(subject, sender, Entry("sale", kTargetBoth)));
    EXPECT_TRUE(MatchEntry(subject, sender, Entry("shop", kTargetBoth)));
    EXPECT_TRUE(MatchEntry(subject, sender, Entry("shop", 9))) << "unknown targets mean both";
    EXPECT_FALSE(MatchEntry(subject, sender, Entry("Shop@", kTargetBoth, false, true)));
    EXPECT_TRUE(MatchEntry(subject, sender, Entry("^\"Shop", kTargetBoth, true, true)));
    EXPECT_FALSE(MatchEntry(subject, sender, Entry("^\"Shop", kTargetSubject, true, true)));
    EXPECT_FALSE(MatchEntry(subject, sender, Entry("(", kTargetBoth, true)));
}

TEST(WordListMatch, WalkStopsAtTheFirstMatchAndSkipsBrokenEntries) {
    WordList list;
    EXPECT_FALSE(list.MatchesAny("anything", "anyone")) << "an empty list never matches";
    list.AddOrUpdate("(", kTargetBoth, true, false);  // invalid, and first in text order
    list.AddOrUpdate("[", kTargetBoth, true, false);
    list.AddOrUpdate("winner", kTargetSubject, false, false);
    EXPECT_TRUE(list.MatchesAny("You are a WINNER", "x"));
    EXPECT_TRUE(MatchesAny(list, "You are a WINNER", "x"));
    EXPECT_FALSE(list.MatchesAny("x", "winner@example.jp"));
    EXPECT_FALSE(list.MatchesAny("", ""));

    WordList plainOnly;
    plainOnly.AddOrUpdate("\x96\xa2\x8f\xb3\x91\xf8", kTargetSubject, false, false);
    EXPECT_TRUE(plainOnly.MatchesAny("\x81\x79\x96\xa2\x8f\xb3\x91\xf8\x8d\x4c\x8d\x90\x81\x7a", ""));
}

TEST(WordListMatch, ChangedEntriesMatchByTheirNewOptions) {
    WordList list;
    list.AddOrUpdate("^abc", kTargetSubject, true, true);
    EXPECT_FALSE(list.MatchesAny("ABC", ""));
    list.AddOrUpdate("^abc", kTargetSubject, true, false);
    EXPECT_TRUE(list.MatchesAny("ABC", ""));
    list.AddOrUpdate("^abc", kTargetSubject, false, false);
    EXPECT_FALSE(list.MatchesAny("ABC", "")) << "now plain text \"^abc\"";
    list.AddOrUpdate("^abc", kTargetSender, true, false);
    EXPECT_FALSE(list.MatchesAny("ABC", ""));
    EXPECT_TRUE(list.MatchesAny("", "abcdef"));
    list.Remove("^abc");
    EXPECT_FALSE(list.MatchesAny("", "abcdef"));

    // A copy assigned over the list brings its own entries.
    WordList other;
    other.AddOrUpdate("x+y", kTargetBoth, true, true);
    list = other;
    EXPECT_TRUE(list.MatchesAny("xxy", ""));
}

TEST(WordListOrder, IndexOperationsAndSortColumns) {
    WordList list;
    list.AddOrUpdate("b", kTargetSender, false, true);
    list.AddOrUpdate("a", kTargetSender, true, false);
    list.AddOrUpdate("c", kTargetBoth, true, true);
    list.AddOrUpdate("B", kTargetSubject, false, false);
    EXPECT_EQ((std::vector<std::string>{"b", "a", "c", "B"}), list.Texts());
    EXPECT_EQ(4, list.Count());
    EXPECT_EQ(2, list.IndexOf("c"));
    EXPECT_EQ(-1, list.IndexOf("z"));
    EXPECT_EQ("", list.EntryAt(4).text);
    EXPECT_EQ(0, list.EntryAt(-1).target);
    EXPECT_FALSE(list.RemoveAt(4));

    list.Sort();  // target, text, regex, case
    EXPECT_EQ((std::vector<std::string>{"c", "B", "a", "b"}), list.Texts());
    list.SetSortColumn(WordList::kColumnText);
    list.Sort();
    EXPECT_EQ((std::vector<std::string>{"B", "a", "b", "c"}), list.Texts());
    list.SetSortColumn(WordList::kColumnRegex);
    list.Sort();  // regex, text, target, case
    EXPECT_EQ((std::vector<std::string>{"B", "b", "a", "c"}), list.Texts());
    list.SetSortColumn(WordList::kColumnCase);
    list.Sort();  // case, text, target, regex
    EXPECT_EQ((std::vector<std::string>{"B", "a", "b", "c"}), list.Texts());
    list.SetSortAscending(false);
    list.Sort();
    EXPECT_EQ((std::vector<std::string>{"c", "b", "a", "B"}), list.Texts());
    EXPECT_FALSE(list.SortAscending());
    list.SetSortColumn(4);
    EXPECT_EQ(WordList::kColumnTarget, list.SortColumn());

    EXPECT_TRUE(list.RemoveAt(0));
    list.Remove("a");
    list.Remove("missing");
    EXPECT_EQ((std::vector<std::string>{"b", "B"}), list.Texts());
    list.Clear();
    EXPECT_EQ(0, list.Count());
}

TEST(WordListCopy, CopiesCarryEntriesOrderSortStateAndLock) {
    listtest::ScopedCriticalSection lock;
    WordList live;
    live.AddOrUpdate("z", kTargetSubject, true, true);
    live.AddOrUpdate("a", kTargetSender, false, false);
    live.SetSortColumn(WordList::kColumnCase);
    live.SetSortAscending(false);
    live.SetLock(lock.Get());

    WordList copy(live);
    EXPECT_EQ(lock.Get(), copy.Lock());
    EXPECT_EQ(Rows(live), Rows(copy));
    EXPECT_EQ(WordList::kColumnCase, copy.SortColumn());
    EXPECT_FALSE(copy.SortAscending());
    copy.SetLock(nullptr);
    copy.AddOrUpdate("m", kTargetBoth, false, false);
    EXPECT_FALSE(live.Contains("m"));
    copy.SetLock(lock.Get());
    live = copy;
    EXPECT_EQ((std::vector<std::string>{"z", "a", "m"}), live.Texts());
    EXPECT_EQ(lock.Get(), live.Lock());
}

TEST(WordListLock, EveryOperationWaitsForTheLock) {
    listtest::ScopedCriticalSection lock;
    TempDir folder;
    const std::string path = folder.File("OkWordList.txt");
    WordList list;
    list.AddOrUpdate("a+", kTargetBoth, true, false);
    list.SetLock(lock.Get());
    const std::vector<std::function<void()>> operations = {
        [&] { list.Load(path.c_str()); },   [&] { list.Save(path.c_str()); },
        [&] { list.Contains("a"); },        [&] { list.Count(); },
        [&] { list.AddOrUpdate("b", 0, true, false); },
        [&] { list.Remove("b"); },          [&] { list.RemoveAt(3); },
        [&] { list.EntryAt(0); },           [&] { list.IndexOf("b"); },
        [&] { list.Sort(); },               [&] { list.SortColumn(); },
        [&] { list.SetSortColumn(2); },     [&] { list.SortAscending(); },
        [&] { list.SetSortAscending(false); },
        [&] { list.MatchesAny("aaa", "b"); },
        [&] { list.Texts(); },              [&] { list.Entries(); },
        [&] { WordList copy(list); },       [&] { WordList other; other = list; },
        [&] { list.Clear(); },
    };
    for (size_t i = 0; i < operations.size(); ++i) {
        EXPECT_TRUE(listtest::WaitsForLock(lock.Get(), operations[i])) << "operation " << i;
    }
    // Matching while the caller holds the (re-entrant) lock, with a regular expression that
    // runs on the matching thread.
    list.AddOrUpdate("b+", kTargetBoth, true, false);
    EnterCriticalSection(lock.Get());
    EXPECT_TRUE(list.MatchesAny("x", "bbb"));
    LeaveCriticalSection(lock.Get());
}
