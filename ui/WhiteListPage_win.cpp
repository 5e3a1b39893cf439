// The white-list page's dialog procedure (Windows).
#include "ui/WhiteListPage.h"

#include <commdlg.h>

#include "resources/resource.h"
#include "support/Util.h"
#include "ui/ListPage.h"
#include "ui/PageWindow_win.h"
#include "ui/Setup.h"

namespace {

HWND ListView(HWND page) { return GetDlgItem(page, IDC_WL_LIST); }

// Edit buffers: 768 bytes for the address, 1536 for the note.
std::string EditText(HWND page, int id, int size) {
    std::string buffer(static_cast<size_t>(size), '\0');
    GetDlgItemTextA(page, id, &buffer[0], size);
    return std::string(buffer.c_str());
}

}  // namespace

BOOL CWhiteListDialogProc::OnInitDialog(HWND page) {
    GetWindowTextA(page, title, sizeof(title));
    HWND list = ListView(page);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(imageList));
    const MirvoWhiteListProfileEnv& env = settings->whiteListEnv;
    InsertListColumn(list, 0, LoadResString(IDS_WL_COLUMN_TYPE), env.AddrTypeItemWidth());
    InsertListColumn(list, 1, LoadResString(IDS_WL_COLUMN_ADDRESS), env.EmailAddrItemWidth());
    InsertListColumn(list, 2, LoadResString(IDS_WL_COLUMN_NOTE), env.NoteItemWidth());
    SetHeaderSortMark(list, settings->whiteList.SortColumn(), settings->whiteList.SortAscending(),
                      static_cast<HBITMAP>(ascending), static_cast<HBITMAP>(descending));
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(settings->whiteList.Count()), 0);
    SendDlgItemMessageA(page, IDC_WL_ADDRESS, EM_LIMITTEXT, 256, 0);
    SendDlgItemMessageA(page, IDC_WL_NOTE, EM_LIMITTEXT, 512, 0);
    UpdateButtons(page);
    return TRUE;
}

void CWhiteListDialogProc::UpdateButtons(HWND page) {
    EnableControl(page, IDC_WL_ADD, true);
    EnableControl(page, IDC_WL_UPDATE, true);
    EnableControl(page, IDC_WL_IMPORT, true);
    EnableControl(page, IDC_WL_EXPORT, true);
    EnableControl(page, IDC_WL_DELETE, SelectedListItem(ListView(page)) >= 0);
}

void CWhiteListDialogProc::Refresh(HWND page) {
    HWND list = ListView(page);
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(settings->whiteList.Count()), 0);
    InvalidateRect(list, nullptr, TRUE);
}

void CWhiteListDialogProc::SelectItem(HWND page, int index) {
    HWND list = ListView(page);
    SelectListItem(list, index);
}

void CWhiteListDialogProc::Store(HWND page, const std::string& address, const std::string& note) {
    const int index = StoreWhiteListEntry(settings->whiteList, address, note);
    Refresh(page);
    SelectItem(page, index);
}

void CWhiteListDialogProc::OnAdd(HWND page, bool update) {
    const std::string address = WhiteListAddressInput(EditText(page, IDC_WL_ADDRESS, 768).c_str());
    const std::string note = WhiteListNoteInput(EditText(page, IDC_WL_NOTE, 1536).c_str());
    const bool listed = settings->whiteList.Contains(address);
    const ListEditStep step = update ? UpdateStep(address.empty(), listed) : AddStep(address.empty(), listed);
    if (step == kListEditEmpty) {
        PageMessage(page, title, LoadResString(IDS_WL_EMPTY_ADDRESS), MB_ICONINFORMATION);
        SetFocus(GetDlgItem(page, IDC_WL_ADDRESS));
        return;
    }
    if (step == kListEditAsk) {
        const UINT question = update ? IDS_WL_NOT_LISTED : IDS_WL_ALREADY_LISTED;
        if (PageMessage(page, title, LoadResString(question), MB_YESNO | MB_ICONINFORMATION) != IDYES) {
            SetFocus(GetDlgItem(page, IDC_WL_ADDRESS));
            return;
        }
    }
    Store(page, address, note);
}

void CWhiteListDialogProc::OnDelete(HWND page, bool fromButton) {
    const int selected = SelectedListItem(ListView(page));
    if (selected < 0) {
        if (fromButton) PageMessage(page, title, LoadResString(IDS_WL_SELECT_TO_DELETE), MB_ICONINFORMATION);
        return;
    }
    const int next = DeleteListEntry(settings->whiteList, selected);
    Refresh(page);
    SelectItem(page, next);
    UpdateButtons(page);
}

void CWhiteListDialogProc::OnImport(HWND page) {
    std::string path;
    if (!ChooseFile(page, false, LoadFilterText(IDS_WL_IMPORT_FILTER), LoadResString(IDS_WL_IMPORT_TITLE),
                    std::string(), OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, &path)) {
        return;
    }
    {
        WaitCursor wait;
        ImportWhiteList(settings->whiteList, path.c_str());
        Refresh(page);
        UpdateButtons(page);
    }
    PageMessage(page, title, LoadResString(IDS_WL_IMPORTED), MB_ICONINFORMATION);
}

void CWhiteListDialogProc::OnExport(HWND page) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string path = TimeStampedName("WhiteList_%04d%02d%02d_%02d%02d%02d.txt", now);
    if (!ChooseFile(page, true, LoadFilterText(IDS_WL_EXPORT_FILTER), LoadResString(IDS_WL_EXPORT_TITLE),
                    LoadResString(IDS_WL_EXPORT_EXT), OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN,
                    &path)) {
        return;
    }
    {
        WaitCursor wait;
        settings->whiteList.Save(path.c_str());
    }
    PageMessage(page, title, LoadResString(IDS_WL_EXPORTED), MB_ICONINFORMATION);
}

INT_PTR CWhiteListDialogProc::OnNotify(HWND page, LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == PSN_APPLY || header->code == PSN_RESET) {
        HWND list = ListView(page);
        const int widths[3] = {ListColumnWidth(list, 0), ListColumnWidth(list, 1), ListColumnWidth(list, 2)};
        SaveWhiteListLayout(settings->whiteListEnv, settings->whiteList, widths);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    if (header->idFrom != IDC_WL_LIST) return FALSE;
    HWND list = header->hwndFrom;
    switch (header->code) {
        case LVN_GETDISPINFOA: {
            NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
            const WhiteListEntry entry = settings->whiteList.EntryAt(info->item.iItem);
            if (info->item.mask & LVIF_TEXT) {
                CopyTo(info->item.pszText, static_cast<size_t>(info->item.cchTextMax),
                       WhiteListCellText(entry, info->item.iSubItem).c_str());
            }
            if ((info->item.mask & LVIF_IMAGE) && info->item.iSubItem == 0) {
                info->item.iImage = WhiteListCellImage(entry);
            }
            return FALSE;
        }
        case LVN_COLUMNCLICK: {
            const NMLISTVIEW* click = reinterpret_cast<const NMLISTVIEW*>(lParam);
            const int selected = SelectedListItem(list);
            const std::string address = selected >= 0 ? settings->whiteList.EntryAt(selected).address : std::string();
            ClickListColumn(settings->whiteList, click->iSubItem);
            SetHeaderSortMark(list, settings->whiteList.SortColumn(), settings->whiteList.SortAscending(),
                              static_cast<HBITMAP>(ascending), static_cast<HBITMAP>(descending));
            InvalidateRect(list, nullptr, TRUE);
            if (selected >= 0) SelectItem(page, settings->whiteList.IndexOf(address));
            return FALSE;
        }
        case LVN_ITEMCHANGED: UpdateButtons(page); return TRUE;
        case NM_DBLCLK: {
            const int selected = SelectedListItem(list);
            if (selected >= 0) {
                const WhiteListEntry entry = settings->whiteList.EntryAt(selected);
                SetDlgItemTextA(page, IDC_WL_ADDRESS, entry.address.c_str());
                SetDlgItemTextA(page, IDC_WL_NOTE, entry.note.c_str());
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

INT_PTR CWhiteListDialogProc::OnMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog(page);
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_WL_ADD: OnAdd(page, false); break;
                case IDC_WL_UPDATE: OnAdd(page, true); break;
                case IDC_WL_DELETE: OnDelete(page, true); break;
                case IDC_WL_IMPORT: OnImport(page); break;
                case IDC_WL_EXPORT: OnExport(page); break;
                default: break;
            }
            return FALSE;
        case WM_NOTIFY: return OnNotify(page, lParam);
        default: return FALSE;
    }
}
