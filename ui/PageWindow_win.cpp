// Window helpers of the pages; see PageWindow_win.h.
#include "ui/PageWindow_win.h"

#include <commdlg.h>
#include <vector>

#include "support/Util.h"
#include "ui/ListPage.h"

HMODULE DialogTemplateModule(UINT id) {
    if (g_resourceModule != nullptr && FindResourceA(g_resourceModule, MAKEINTRESOURCEA(id), RT_DIALOG) != nullptr) {
        return g_resourceModule;
    }
    return g_moduleHandle;
}

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    GetWindowTextA(control, buffer.data(), length + 1);
    return std::string(buffer.data());
}

std::string EditText(HWND dialog, int id, int size) {
    std::string buffer(static_cast<size_t>(size), '\0');
    GetDlgItemTextA(dialog, id, &buffer[0], size);
    return std::string(buffer.c_str());
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetChecked(HWND dialog, int id, bool checked) { CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED); }

void EnableControl(HWND dialog, int id, bool enable) { EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE); }

int PageMessage(HWND page, const char* title, const std::string& text, UINT type) {
    return MessageBoxA(page, text.c_str(), title, type);
}

BOOL EndApply(HWND page, const char* title, UINT failure, int argument) {
    if (failure != 0) PageMessage(page, title, LoadResString(failure, argument), MB_ICONINFORMATION);
    SetWindowLongPtrA(page, DWLP_MSGRESULT, failure != 0 ? PSNRET_INVALID : PSNRET_NOERROR);
    return TRUE;
}

INT_PTR RunPageProc(PageState* state, const PageHandlers& handlers, HWND page, UINT message, WPARAM wParam,
                    LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return handlers.init(page, state);
        case WM_COMMAND:
            if (handlers.command != nullptr) handlers.command(page, state, LOWORD(wParam));
            return FALSE;
        case WM_NOTIFY:
            if (reinterpret_cast<NMHDR*>(lParam)->code == PSN_APPLY) return handlers.apply(page, state);
            return FALSE;
        default: return FALSE;
    }
}

int SelectedListItem(HWND listView) {
    return static_cast<int>(SendMessageA(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SelectListItem(HWND listView, int index) {
    if (index < 0) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    SendMessageA(listView, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

int ListColumnWidth(HWND listView, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(listView, LVM_GETHEADER, 0, 0));
    HDITEMA item = {};
    item.mask = HDI_WIDTH;
    if (!SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item))) return 0;
    return item.cxy;
}

void ListColumnWidths(HWND listView, int* widths, int count) {
    for (int i = 0; i < count; ++i) widths[i] = ListColumnWidth(listView, i);
}

void InsertListColumn(HWND listView, int column, const std::string& text, int width) {
    LVCOLUMNA col = {};
    col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.fmt = LVCFMT_LEFT;
    col.cx = width;
    col.pszText = const_cast<char*>(text.c_str());
    col.iSubItem = column;
    SendMessageA(listView, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col));
}

void RefreshListView(HWND listView, int count) {
    SendMessageA(listView, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    InvalidateRect(listView, nullptr, TRUE);
}

void SetHeaderSortMark(HWND listView, int column, bool ascending, HBITMAP ascendingMark, HBITMAP descendingMark) {
    // The common-controls version does not change while the process runs.
    static const bool comctl6 = IsComctl6();
    HWND header = reinterpret_cast<HWND>(SendMessageA(listView, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        if (comctl6) {
            item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
            if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        } else {
            item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
            item.mask |= HDI_BITMAP;
            item.hbm = nullptr;
            if (i == column) {
                item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
                item.hbm = ascending ? ascendingMark : descendingMark;
            }
        }
        SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

bool ChooseFile(HWND owner, bool save, const std::string& filter, const std::string& title,
                const std::string& defaultExt, DWORD flags, std::string* path) {
    char file[kPathSize];
    CopyTo(file, sizeof(file), path->c_str());
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    ofn.Flags = flags;
    const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen) return false;
    *path = file;
    return true;
}

bool ConfirmListEdit(HWND page, const char* title, bool update, bool keyEmpty, bool listed, int keyEditId,
                     const ListEditTexts& texts) {
    const ListEditStep step = update ? UpdateStep(keyEmpty, listed) : AddStep(keyEmpty, listed);
    if (step == kListEditEmpty) {
        PageMessage(page, title, LoadResString(texts.empty), MB_ICONINFORMATION);
        SetFocus(GetDlgItem(page, keyEditId));
        return false;
    }
    if (step == kListEditAsk) {
        const UINT question = update ? texts.notListed : texts.alreadyListed;
        if (PageMessage(page, title, LoadResString(question), MB_YESNO | MB_ICONINFORMATION) != IDYES) {
            SetFocus(GetDlgItem(page, keyEditId));
            return false;
        }
    }
    return true;
}

bool ChooseImportFile(HWND page, UINT filterId, UINT titleId, std::string* path) {
    path->clear();
    return ChooseFile(page, false, LoadFilterText(filterId), LoadResString(titleId), std::string(),
                      OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, path);
}

bool ChooseExportFile(HWND page, const char* nameFormat, UINT filterId, UINT titleId, UINT extId, std::string* path) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    *path = TimeStampedName(nameFormat, now);
    return ChooseFile(page, true, LoadFilterText(filterId), LoadResString(titleId), LoadResString(extId),
                      OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN, path);
}
