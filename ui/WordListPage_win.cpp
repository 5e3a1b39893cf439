// The word pages' dialog procedure (Windows), shared by the NG and the OK page.
#include "ui/WordListPage.h"

#include "resources/resource.h"
#include "support/Util.h"
#include "ui/ListPage.h"
#include "ui/PageWindow_win.h"
#include "ui/Setup.h"

BOOL CChkWordListDialogProc::OnInitDialog(HWND page) {
    GetWindowTextA(page, title, sizeof(title));
    SetChecked(page, UseCheckId(), WordProfile().Enabled());
    HWND list = GetDlgItem(page, ListViewId());
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const ChkWordProfileEnv& env = EnvProfile();
    InsertListColumn(list, 0, LoadResString(TargetHeaderText()), env.WordTypeItemWidth());
    InsertListColumn(list, 1, LoadResString(WordHeaderText()), env.WordItemWidth());
    InsertListColumn(list, 2, LoadResString(RegexHeaderText()), env.RegexItemWidth());
    InsertListColumn(list, 3, LoadResString(CaseHeaderText()), env.CaseItemWidth());
    ShowListSortMark(list, WordListCopy(), ascending, descending);
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(WordListCopy().Count()), 0);
    CheckRadioButton(page, BothRadioId(), SenderRadioId(), BothRadioId());
    SendDlgItemMessageA(page, WordEditId(), EM_LIMITTEXT, 512, 0);
    SendDlgItemMessageA(page, TestEditId(), EM_LIMITTEXT, 512, 0);
    UpdateButtons(page);
    return TRUE;
}

void CChkWordListDialogProc::UpdateButtons(HWND page) {
    EnableControl(page, AddButtonId(), true);
    EnableControl(page, UpdateButtonId(), true);
    EnableControl(page, DeleteButtonId(), SelectedListItem(GetDlgItem(page, ListViewId())) >= 0);
}

void CChkWordListDialogProc::OnAdd(HWND page, bool update) {
    const int target =
        WordTargetFromRadios(IsChecked(page, BothRadioId()), IsChecked(page, SubjectRadioId()),
                             IsChecked(page, SenderRadioId()));
    const std::string word = WordInput(EditText(page, WordEditId(), 1536).c_str());
    const bool isRegex = IsChecked(page, RegexCheckId());
    const bool caseSensitive = IsChecked(page, CaseCheckId());
    const ListEditTexts texts = {EmptyWordText(), AlreadyListedText(), NotListedText()};
    const bool listed = WordListCopy().Contains(word);
    if (!ConfirmListEdit(page, title, update, word.empty(), listed, WordEditId(), texts)) return;
    const int index = StoreWordEntry(WordListCopy(), word, target, isRegex, caseSensitive);
    RefreshListView(GetDlgItem(page, ListViewId()), WordListCopy().Count());
    SelectListItem(GetDlgItem(page, ListViewId()), index);
}

void CChkWordListDialogProc::OnDelete(HWND page, bool fromButton) {
    if (DeleteSelectedListEntry(GetDlgItem(page, ListViewId()), WordListCopy())) {
        UpdateButtons(page);
    } else if (fromButton) {
        PageMessage(page, title, LoadResString(SelectToDeleteText()), MB_ICONINFORMATION);
    }
}

void CChkWordListDialogProc::OnTest(HWND page) {
    const std::string word = WordInput(EditText(page, WordEditId(), 1536).c_str());
    if (word.empty()) {
        PageMessage(page, title, LoadResString(EmptyWordText()), MB_ICONINFORMATION);
        SetFocus(GetDlgItem(page, WordEditId()));
        return;
    }
    const std::string text = EditText(page, TestEditId(), 1536);
    const WordTestResult result =
        TestWord(word, text, IsChecked(page, RegexCheckId()), IsChecked(page, CaseCheckId()));
    switch (result.outcome) {
        case kWordTestMatched: PageMessage(page, title, LoadResString(MatchedText()), MB_ICONINFORMATION); break;
        case kWordTestPatternError:
            PageMessage(page, title, LoadResString(PatternErrorText(), result.errorText.c_str()), MB_ICONERROR);
            break;
        case kWordTestNoMatch: PageMessage(page, title, LoadResString(NoMatchText()), MB_ICONQUESTION); break;
    }
    SetFocus(GetDlgItem(page, TestEditId()));
}

void CChkWordListDialogProc::OnImport(HWND page) {
    std::string path;
    if (!ChooseImportFile(page, ImportFilterText(), ImportTitleText(), &path)) return;
    {
        WaitCursor wait;
        ImportWordList(WordListCopy(), path.c_str());
        RefreshListView(GetDlgItem(page, ListViewId()), WordListCopy().Count());
        UpdateButtons(page);
    }
    PageMessage(page, title, LoadResString(ImportedText()), MB_ICONINFORMATION);
}

void CChkWordListDialogProc::OnExport(HWND page) {
    std::string path;
    if (!ChooseExportFile(page, ExportNameFormat(), ExportFilterText(), ExportTitleText(), ExportExtText(), &path)) {
        return;
    }
    {
        WaitCursor wait;
        WordListCopy().Save(path.c_str());
    }
    PageMessage(page, title, LoadResString(ExportedText()), MB_ICONINFORMATION);
}

void CChkWordListDialogProc::OnCommand(HWND page, int id) {
    if (id == UseCheckId()) {
        WordProfile().SetEnabled(IsChecked(page, UseCheckId()));
    } else if (id == AddButtonId()) {
        OnAdd(page, false);
    } else if (id == UpdateButtonId()) {
        OnAdd(page, true);
    } else if (id == DeleteButtonId()) {
        OnDelete(page, true);
    } else if (id == TestButtonId()) {
        OnTest(page);
    } else if (id == ImportButtonId()) {
        OnImport(page);
    } else if (id == ExportButtonId()) {
        OnExport(page);
    }
}

INT_PTR CChkWordListDialogProc::OnNotify(HWND page, LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == PSN_APPLY || header->code == PSN_RESET) {
        int widths[4];
        ListColumnWidths(GetDlgItem(page, ListViewId()), widths, 4);
        SaveWordLayout(EnvProfile(), WordListCopy(), widths);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    if (static_cast<int>(header->idFrom) != ListViewId()) return FALSE;
    HWND list = header->hwndFrom;
    switch (header->code) {
        case LVN_GETDISPINFOA: {
            NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
            if (info->item.mask & LVIF_TEXT) {
                const WordEntry entry = WordListCopy().EntryAt(info->item.iItem);
                CopyTo(info->item.pszText, static_cast<size_t>(info->item.cchTextMax),
                       WordCellText(entry, info->item.iSubItem, MarkText()).c_str());
            }
            return FALSE;
        }
        case LVN_COLUMNCLICK:
            SortListByColumn(list, WordListCopy(), reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem,
                             &WordEntry::text, ascending, descending);
            return FALSE;
        case LVN_ITEMCHANGED: UpdateButtons(page); return TRUE;
        case NM_DBLCLK: {
            const int selected = SelectedListItem(list);
            if (selected >= 0) {
                const WordEntry entry = WordListCopy().EntryAt(selected);
                const int radio = entry.target == 1 ? SubjectRadioId() : entry.target == 2 ? SenderRadioId()
                                                                                           : BothRadioId();
                CheckRadioButton(page, BothRadioId(), SenderRadioId(), radio);
                SetDlgItemTextA(page, WordEditId(), entry.text.c_str());
                SetChecked(page, RegexCheckId(), entry.isRegex);
                SetChecked(page, CaseCheckId(), entry.caseSensitive);
            }
            return TRUE;
        }
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE) {
                OnDelete(page, false);
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

INT_PTR CChkWordListDialogProc::OnMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog(page);
        case WM_COMMAND: OnCommand(page, LOWORD(wParam)); return FALSE;
        case WM_NOTIFY: return OnNotify(page, lParam);
        default: return FALSE;
    }
}
