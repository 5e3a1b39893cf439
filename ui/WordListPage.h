// The NG-word and OK-word pages (dialogs 170 and 180, fifth and fourth pages of the sheet):
// one class, CChkWordListDialogProc, whose virtual operations give each page its control ids,
// texts, export name and its parts of the sheet's working copy; CNgWordListDialogProc and
// COkWordListDialogProc only supply those values.
//
// The window-free part (cell texts, storing, the match test, the layout) is here; the dialog
// procedure (WordListPage_win.cpp) only moves values between the controls and it.
#pragma once

#include <string>

#include "lists/WordList.h"
#include "platform/platform.h"
#include "settings/Profile.h"

struct SetupSettings;

// Cell text of column 0 (target: "両方", "件名", "差出人"), 1 (the word), 2 (regular
// expression: the mark or empty), 3 (case-sensitive: the mark or empty). markId is the page's
// mark text (IDS_NG_MARK or IDS_OK_MARK).
std::string WordCellText(const WordEntry& entry, int column, UINT markId);

// Target from the radio buttons: both → 0, else subject → 1, else sender → 2, else 0.
int WordTargetFromRadios(bool both, bool subject, bool sender);

// The word as typed, trimmed of blanks, tabs, CR and LF.
std::string WordInput(const char* text);

// Stores (adds or updates) an entry, re-sorts, and returns the word's display index.
int StoreWordEntry(WordList& list, const std::string& word, int target, bool isRegex, bool caseSensitive);

// Import: the file replaces the whole list, which is then sorted by its current order.
void ImportWordList(WordList& list, const char* path);

// Outcome of the test button.
enum WordTestOutcome { kWordTestMatched, kWordTestNoMatch, kWordTestPatternError };
struct WordTestResult {
    WordTestOutcome outcome = kWordTestNoMatch;
    std::string errorText;  // the regular-expression library's description, for a pattern error
};
// Matches word against the test text as an entry would (the target plays no part).
WordTestResult TestWord(const std::string& word, const std::string& text, bool isRegex, bool caseSensitive);

// Writes the list view's layout into the Env copy: the sort column's name, the direction and
// the widths of columns 0 to 3.
void SaveWordLayout(ChkWordProfileEnv& env, const WordList& list, const int widths[4]);

class CChkWordListDialogProc {
public:
    explicit CChkWordListDialogProc(SetupSettings* settings);
    virtual ~CChkWordListDialogProc();
    CChkWordListDialogProc(const CChkWordListDialogProc&) = delete;
    CChkWordListDialogProc& operator=(const CChkWordListDialogProc&) = delete;

    virtual int UseCheckId() const = 0;
    virtual int ListViewId() const = 0;
    virtual int BothRadioId() const = 0;
    virtual int SubjectRadioId() const = 0;
    virtual int SenderRadioId() const = 0;
    virtual int WordEditId() const = 0;
    virtual int RegexCheckId() const = 0;
    virtual int CaseCheckId() const = 0;
    virtual int TestEditId() const = 0;
    virtual int TestButtonId() const = 0;
    virtual UINT TargetHeaderText() const = 0;
    virtual UINT WordHeaderText() const = 0;
    virtual UINT RegexHeaderText() const = 0;
    virtual UINT CaseHeaderText() const = 0;
    virtual int AddButtonId() const = 0;
    virtual int UpdateButtonId() const = 0;
    virtual int DeleteButtonId() const = 0;
    virtual int ImportButtonId() const = 0;
    virtual int ExportButtonId() const = 0;
    virtual UINT EmptyWordText() const = 0;
    virtual UINT MatchedText() const = 0;
    virtual UINT NoMatchText() const = 0;
    virtual UINT PatternErrorText() const = 0;
    virtual UINT AlreadyListedText() const = 0;
    virtual UINT NotListedText() const = 0;
    virtual UINT SelectToDeleteText() const = 0;
    virtual UINT ImportedText() const = 0;
    virtual UINT ExportedText() const = 0;
    virtual UINT ImportFilterText() const = 0;
    virtual UINT ImportTitleText() const = 0;
    virtual UINT ExportFilterText() const = 0;
    virtual UINT ExportTitleText() const = 0;
    virtual UINT ExportExtText() const = 0;
    virtual UINT MarkText() const = 0;
    virtual const char* ExportNameFormat() const = 0;
    virtual ChkWordProfile& WordProfile() const = 0;
    virtual ChkWordProfileEnv& EnvProfile() const = 0;
    virtual WordList& WordListCopy() const = 0;

    // The body of the page's dialog procedure (Windows).
    INT_PTR OnMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

    SetupSettings* settings;
    char title[1024];
    HANDLE ascending;   // bitmap 510
    HANDLE descending;  // bitmap 511

private:
    BOOL OnInitDialog(HWND page);
    void OnCommand(HWND page, int id);
    void OnAdd(HWND page, bool update);
    void OnDelete(HWND page, bool fromButton);
    void OnTest(HWND page);
    void OnImport(HWND page);
    void OnExport(HWND page);
    INT_PTR OnNotify(HWND page, LPARAM lParam);
    void UpdateButtons(HWND page);
};

class CNgWordListDialogProc : public CChkWordListDialogProc {
public:
    explicit CNgWordListDialogProc(SetupSettings* settings) : CChkWordListDialogProc(settings) {}
    int UseCheckId() const override;
    int ListViewId() const override;
    int BothRadioId() const override;
    int SubjectRadioId() const override;
    int SenderRadioId() const override;
    int WordEditId() const override;
    int RegexCheckId() const override;
    int CaseCheckId() const override;
    int TestEditId() const override;
    int TestButtonId() const override;
    UINT TargetHeaderText() const override;
    UINT WordHeaderText() const override;
    UINT RegexHeaderText() const override;
    UINT CaseHeaderText() const override;
    int AddButtonId() const override;
    int UpdateButtonId() const override;
    int DeleteButtonId() const override;
    int ImportButtonId() const override;
    int ExportButtonId() const override;
    UINT EmptyWordText() const override;
    UINT MatchedText() const override;
    UINT NoMatchText() const override;
    UINT PatternErrorText() const override;
    UINT AlreadyListedText() const override;
    UINT NotListedText() const override;
    UINT SelectToDeleteText() const override;
    UINT ImportedText() const override;
    UINT ExportedText() const override;
    UINT ImportFilterText() const override;
    UINT ImportTitleText() const override;
    UINT ExportFilterText() const override;
    UINT ExportTitleText() const override;
    UINT ExportExtText() const override;
    UINT MarkText() const override;
    const char* ExportNameFormat() const override;
    ChkWordProfile& WordProfile() const override;
    ChkWordProfileEnv& EnvProfile() const override;
    WordList& WordListCopy() const override;
};

class COkWordListDialogProc : public CChkWordListDialogProc {
public:
    explicit COkWordListDialogProc(SetupSettings* settings) : CChkWordListDialogProc(settings) {}
    int UseCheckId() const override;
    int ListViewId() const override;
    int BothRadioId() const override;
    int SubjectRadioId() const override;
    int SenderRadioId() const override;
    int WordEditId() const override;
    int RegexCheckId() const override;
    int CaseCheckId() const override;
    int TestEditId() const override;
    int TestButtonId() const override;
    UINT TargetHeaderText() const override;
    UINT WordHeaderText() const override;
    UINT RegexHeaderText() const override;
    UINT CaseHeaderText() const override;
    int AddButtonId() const override;
    int UpdateButtonId() const override;
    int DeleteButtonId() const override;
    int ImportButtonId() const override;
    int ExportButtonId() const override;
    UINT EmptyWordText() const override;
    UINT MatchedText() const override;
    UINT NoMatchText() const override;
    UINT PatternErrorText() const override;
    UINT AlreadyListedText() const override;
    UINT NotListedText() const override;
    UINT SelectToDeleteText() const override;
    UINT ImportedText() const override;
    UINT ExportedText() const override;
    UINT ImportFilterText() const override;
    UINT ImportTitleText() const override;
    UINT ExportFilterText() const override;
    UINT ExportTitleText() const override;
    UINT ExportExtText() const override;
    UINT MarkText() const override;
    const char* ExportNameFormat() const override;
    ChkWordProfile& WordProfile() const override;
    ChkWordProfileEnv& EnvProfile() const override;
    WordList& WordListCopy() const override;
};
