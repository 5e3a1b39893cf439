// The window-free part of the word pages and the values of the NG and OK variants; see
// WordListPage.h.
#include "ui/WordListPage.h"

#include "resources/resource.h"
#include "support/Util.h"
#include "ui/ListPage.h"
#include "ui/Setup.h"

namespace {

// The target texts and the mark, loaded on first use and kept for the life of the DLL.
const std::string& TargetText(int target) {
    static const std::string both = LoadResString(IDS_TARGET_BOTH);
    static const std::string subject = LoadResString(IDS_TARGET_SUBJECT);
    static const std::string sender = LoadResString(IDS_TARGET_SENDER);
    if (target == 1) return subject;
    if (target == 2) return sender;
    return both;
}

// The marks by string id (both pages use "○", each from its own id).
const std::string& Mark(UINT markId) {
    static const std::string ngMark = LoadResString(IDS_NG_MARK);
    static const std::string okMark = LoadResString(IDS_OK_MARK);
    return markId == IDS_OK_MARK ? okMark : ngMark;
}

}  // namespace

std::string WordCellText(const WordEntry& entry, int column, UINT markId) {
    switch (column) {
        case 0: return TargetText(entry.target);
        case 1: return entry.text;
        case 2: return entry.isRegex ? Mark(markId) : std::string();
        case 3: return entry.caseSensitive ? Mark(markId) : std::string();
        default: return std::string();
    }
}

int WordTargetFromRadios(bool both, bool subject, bool sender) {
    if (both) return 0;
    if (subject) return 1;
    if (sender) return 2;
    return 0;
}

std::string WordInput(const char* text) { return Trim(text, kBlanks); }

int StoreWordEntry(WordList& list, const std::string& word, int target, bool isRegex, bool caseSensitive) {
    list.AddOrUpdate(word, target, isRegex, caseSensitive);
    list.Sort();
    return list.IndexOf(word);
}

void ImportWordList(WordList& list, const char* path) {
    list.Load(path);
    list.Sort();
}

WordTestResult TestWord(const std::string& word, const std::string& text, bool isRegex, bool caseSensitive) {
    WordTestResult result;
    bool error = false;
    std::string errorText;
    if (MatchText(word, text, isRegex, !caseSensitive, &error, &errorText)) {
        result.outcome = kWordTestMatched;
    } else if (error) {
        result.outcome = kWordTestPatternError;
        result.errorText = errorText;
    } else {
        result.outcome = kWordTestNoMatch;
    }
    return result;
}

void SaveWordLayout(ChkWordProfileEnv& env, const WordList& list, const int widths[4]) {
    env.SetSortColumn(list.SortColumn());
    env.SetSortIsAscending(list.SortAscending());
    env.SetWordTypeItemWidth(widths[0]);
    env.SetWordItemWidth(widths[1]);
    env.SetRegexItemWidth(widths[2]);
    env.SetCaseItemWidth(widths[3]);
}

CChkWordListDialogProc::CChkWordListDialogProc(SetupSettings* settingsCopy)
    : settings(settingsCopy), title(), ascending(nullptr), descending(nullptr) {
    ascending = LoadSortMark(IDB_SORT_ASCENDING);
    descending = LoadSortMark(IDB_SORT_DESCENDING);
}

CChkWordListDialogProc::~CChkWordListDialogProc() {
    FreeSortMark(ascending);
    FreeSortMark(descending);
}

// ---- the NG-word page ----------------------------------------------------------------------
int CNgWordListDialogProc::UseCheckId() const { return IDC_USE_NGWORD; }
int CNgWordListDialogProc::ListViewId() const { return IDC_NG_LIST; }
int CNgWordListDialogProc::BothRadioId() const { return IDC_NG_BOTH; }
int CNgWordListDialogProc::SubjectRadioId() const { return IDC_NG_SUBJECT; }
int CNgWordListDialogProc::SenderRadioId() const { return IDC_NG_SENDER; }
int CNgWordListDialogProc::WordEditId() const { return IDC_NG_WORD; }
int CNgWordListDialogProc::RegexCheckId() const { return IDC_NG_REGEX; }
int CNgWordListDialogProc::CaseCheckId() const { return IDC_NG_CASE; }
int CNgWordListDialogProc::TestEditId() const { return IDC_NG_TEST_TEXT; }
int CNgWordListDialogProc::TestButtonId() const { return IDC_NG_TEST; }
UINT CNgWordListDialogProc::TargetHeaderText() const { return IDS_NG_COLUMN_TARGET; }
UINT CNgWordListDialogProc::WordHeaderText() const { return IDS_NG_COLUMN_WORD; }
UINT CNgWordListDialogProc::RegexHeaderText() const { return IDS_NG_COLUMN_REGEX; }
UINT CNgWordListDialogProc::CaseHeaderText() const { return IDS_NG_COLUMN_CASE; }
int CNgWordListDialogProc::AddButtonId() const { return IDC_NG_ADD; }
int CNgWordListDialogProc::UpdateButtonId() const { return IDC_NG_UPDATE; }
int CNgWordListDialogProc::DeleteButtonId() const { return IDC_NG_DELETE; }
int CNgWordListDialogProc::ImportButtonId() const { return IDC_NG_IMPORT; }
int CNgWordListDialogProc::ExportButtonId() const { return IDC_NG_EXPORT; }
UINT CNgWordListDialogProc::EmptyWordText() const { return IDS_NG_EMPTY_WORD; }
UINT CNgWordListDialogProc::MatchedText() const { return IDS_NG_MATCHED; }
UINT CNgWordListDialogProc::NoMatchText() const { return IDS_NG_NO_MATCH; }
UINT CNgWordListDialogProc::PatternErrorText() const { return IDS_NG_PATTERN_ERROR; }
UINT CNgWordListDialogProc::AlreadyListedText() const { return IDS_NG_ALREADY_LISTED; }
UINT CNgWordListDialogProc::NotListedText() const { return IDS_NG_NOT_LISTED; }
UINT CNgWordListDialogProc::SelectToDeleteText() const { return IDS_NG_SELECT_TO_DELETE; }
UINT CNgWordListDialogProc::ImportedText() const { return IDS_NG_IMPORTED; }
UINT CNgWordListDialogProc::ExportedText() const { return IDS_NG_EXPORTED; }
UINT CNgWordListDialogProc::ImportFilterText() const { return IDS_NG_IMPORT_FILTER; }
UINT CNgWordListDialogProc::ImportTitleText() const { return IDS_NG_IMPORT_TITLE; }
UINT CNgWordListDialogProc::ExportFilterText() const { return IDS_NG_EXPORT_FILTER; }
UINT CNgWordListDialogProc::ExportTitleText() const { return IDS_NG_EXPORT_TITLE; }
UINT CNgWordListDialogProc::ExportExtText() const { return IDS_NG_EXPORT_EXT; }
UINT CNgWordListDialogProc::MarkText() const { return IDS_NG_MARK; }
const char* CNgWordListDialogProc::ExportNameFormat() const { return "NgWordList_%04d%02d%02d_%02d%02d%02d.txt"; }
ChkWordProfile& CNgWordListDialogProc::WordProfile() const { return settings->ngWord; }
ChkWordProfileEnv& CNgWordListDialogProc::EnvProfile() const { return settings->ngWordEnv; }
WordList& CNgWordListDialogProc::WordListCopy() const { return settings->ngWordList; }

// ---- the OK-word page ----------------------------------------------------------------------
int COkWordListDialogProc::UseCheckId() const { return IDC_USE_OKWORD; }
int COkWordListDialogProc::ListViewId() const { return IDC_OK_LIST; }
int COkWordListDialogProc::BothRadioId() const { return IDC_OK_BOTH; }
int COkWordListDialogProc::SubjectRadioId() const { return IDC_OK_SUBJECT; }
int COkWordListDialogProc::SenderRadioId() const { return IDC_OK_SENDER; }
int COkWordListDialogProc::WordEditId() const { return IDC_OK_WORD; }
int COkWordListDialogProc::RegexCheckId() const { return IDC_OK_REGEX; }
int COkWordListDialogProc::CaseCheckId() const { return IDC_OK_CASE; }
int COkWordListDialogProc::TestEditId() const { return IDC_OK_TEST_TEXT; }
int COkWordListDialogProc::TestButtonId() const { return IDC_OK_TEST; }
UINT COkWordListDialogProc::TargetHeaderText() const { return IDS_OK_COLUMN_TARGET; }
UINT COkWordListDialogProc::WordHeaderText() const { return IDS_OK_COLUMN_WORD; }
UINT COkWordListDialogProc::RegexHeaderText() const { return IDS_OK_COLUMN_REGEX; }
UINT COkWordListDialogProc::CaseHeaderText() const { return IDS_OK_COLUMN_CASE; }
int COkWordListDialogProc::AddButtonId() const { return IDC_OK_ADD; }
int COkWordListDialogProc::UpdateButtonId() const { return IDC_OK_UPDATE; }
int COkWordListDialogProc::DeleteButtonId() const { return IDC_OK_DELETE; }
int COkWordListDialogProc::ImportButtonId() const { return IDC_OK_IMPORT; }
int COkWordListDialogProc::ExportButtonId() const { return IDC_OK_EXPORT; }
UINT COkWordListDialogProc::EmptyWordText() const { return IDS_OK_EMPTY_WORD; }
UINT COkWordListDialogProc::MatchedText() const { return IDS_OK_MATCHED; }
UINT COkWordListDialogProc::NoMatchText() const { return IDS_OK_NO_MATCH; }
UINT COkWordListDialogProc::PatternErrorText() const { return IDS_OK_PATTERN_ERROR; }
UINT COkWordListDialogProc::AlreadyListedText() const { return IDS_OK_ALREADY_LISTED; }
UINT COkWordListDialogProc::NotListedText() const { return IDS_OK_NOT_LISTED; }
UINT COkWordListDialogProc::SelectToDeleteText() const { return IDS_OK_SELECT_TO_DELETE; }
UINT COkWordListDialogProc::ImportedText() const { return IDS_OK_IMPORTED; }
UINT COkWordListDialogProc::ExportedText() const { return IDS_OK_EXPORTED; }
UINT COkWordListDialogProc::ImportFilterText() const { return IDS_OK_IMPORT_FILTER; }
UINT COkWordListDialogProc::ImportTitleText() const { return IDS_OK_IMPORT_TITLE; }
UINT COkWordListDialogProc::ExportFilterText() const { return IDS_OK_EXPORT_FILTER; }
UINT COkWordListDialogProc::ExportTitleText() const { return IDS_OK_EXPORT_TITLE; }
UINT COkWordListDialogProc::ExportExtText() const { return IDS_OK_EXPORT_EXT; }
UINT COkWordListDialogProc::MarkText() const { return IDS_OK_MARK; }
const char* COkWordListDialogProc::ExportNameFormat() const { return "OkWordList_%04d%02d%02d_%02d%02d%02d.txt"; }
ChkWordProfile& COkWordListDialogProc::WordProfile() const { return settings->okWord; }
ChkWordProfileEnv& COkWordListDialogProc::EnvProfile() const { return settings->okWordEnv; }
WordList& COkWordListDialogProc::WordListCopy() const { return settings->okWordList; }
