// The white-list page's dialog procedure (Windows).
#include "ui/WhiteListPage.h"

#include "resources/resource.h"
#include "support/Util.h"
#include "ui/ListPage.h"
#include "ui/PageWindow_win.h"
#include "ui/Setup.h"

namespace {

HWND ListView(HWND page) { return GetDlgItem(page, IDC_WL_LIST); }

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
    ShowListSortMark(list, settings->whiteList, ascending, descending);
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

void CWhiteListDialogProc::OnAdd(HWND page, bool update) {
    // Edit buffers: 768 bytes for the address, 1536 for the note.
    const std::string address = WhiteListAddressInput(EditText(page, IDC_WL_ADDRESS, 768).c_str());
    const std::string note = WhiteListNoteInput(EditText(page, IDC_WL_NOTE, 1536).c_str());
    const ListEditTexts texts = {IDS_WL_EMPTY_ADDRESS, IDS_WL_ALREADY_LISTED, IDS_WL_NOT_LISTED};
    const bool listed = settings->whiteList.Contains(address);
    if (!ConfirmListEdit(page, title, update, address.empty(), listed, IDC_WL_ADDRESS, texts)) return;
    const int index = StoreWhiteListEntry(settings->whiteList, address, note);
    RefreshListView(ListView(page), settings->whiteList.Count());
    SelectListItem(ListView(page), index);
}

void CWhiteListDialogProc::OnDelete(HWND page, bool fromButton) {
    if (DeleteSelectedListEntry(ListView(page), settings->whiteList)) {
        UpdateButtons(page);
    } else if (fromButton) {
        PageMessage(page, title, LoadResString(IDS_WL_SELECT_TO_DELETE), MB_ICONINFORMATION);
    }
}

void CWhiteListDialogProc::OnImport(HWND page) {
    std::string path;
    if (!ChooseImportFile(page, IDS_WL_IMPORT_FILTER, IDS_WL_IMPORT_TITLE, &path)) return;
    {
        WaitCursor wait;
        ImportWhiteList(settings->whiteList, path.c_str());
        RefreshListView(ListView(page), settings->whiteList.Count());
        UpdateButtons(page);
    }
    PageMessage(page, title, LoadResString(IDS_WL_IMPORTED), MB_ICONINFORMATION);
}

void CWhiteListDialogProc::OnExport(HWND page) {
    std::string path;
    if (!ChooseExportFile(page, "WhiteList_%04d%02d%02d_%02d%02d%02d.txt", IDS_WL_EXPORT_FILTER, IDS_WL_EXPORT_TITLE,
                          IDS_WL_EXPORT_EXT, &path)) {
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
        int widths[3];
        ListColumnWidths(ListView(page), widths, 3);
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
        case LVN_COLUMNCLICK:
            SortListByColumn(list, settings->whiteList, reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem,
                             &WhiteListEntry::address, ascending, descending);
            return FALSE;
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
