// Window helpers shared by the settings sheet's pages and dialogs (Windows only): where a
// dialog template comes from, control values, message boxes, the procedure of the pages that
// keep a PageState and the end of an apply, list-view selection and the sort mark of a list
// header, the file dialogs of imports and exports, and what the three list pages do alike with
// their list views (delete and re-select, sort on a header click, the questions of the add and
// update buttons).
#pragma once

#include <string>

#include "platform/platform.h"
#include "ui/ListPage.h"

struct PageState;

// The module that holds dialog template id: g_resourceModule when it has it, else the plug-in.
HMODULE DialogTemplateModule(UINT id);

// The whole text of a control.
std::string ControlText(HWND dialog, int id);
// The text of a control read into a buffer of size bytes: a longer text is cut there.
std::string EditText(HWND dialog, int id, int size);
bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
void EnableControl(HWND dialog, int id, bool enable);

// A message box owned by the page with the page's title as caption.
int PageMessage(HWND page, const char* title, const std::string& text, UINT type);

// The end of a page's PSN_APPLY. A failure (a message id, formatted with argument) is shown and
// keeps the sheet open on the page; 0 lets the sheet take the values. Returns the TRUE the
// notification is answered with.
BOOL EndApply(HWND page, const char* title, UINT failure, int argument = 0);

// What a page without an object of its own (its state a PageState) does with its messages.
struct PageHandlers {
    BOOL (*init)(HWND page, PageState* state);             // WM_INITDIALOG
    void (*command)(HWND page, PageState* state, int id);  // WM_COMMAND from control id; may be null
    BOOL (*apply)(HWND page, PageState* state);            // PSN_APPLY
};
// The body of such a page's dialog procedure; every other message is left to the dialog manager.
INT_PTR RunPageProc(PageState* state, const PageHandlers& handlers, HWND page, UINT message, WPARAM wParam,
                    LPARAM lParam);

// The selected item of a single-selection list view, or -1.
int SelectedListItem(HWND listView);
// Selects and focuses item index and scrolls it into view (nothing for -1).
void SelectListItem(HWND listView, int index);
// The current width of header item column.
int ListColumnWidth(HWND listView, int column);
// The current widths of header items 0 to count - 1.
void ListColumnWidths(HWND listView, int* widths, int count);
// Inserts a left-aligned column.
void InsertListColumn(HWND listView, int column, const std::string& text, int width);
// Sets the item count of an owner-data list view and redraws it.
void RefreshListView(HWND listView, int count);

// Marks the sorted column in the list's header: HDF_SORTUP / HDF_SORTDOWN with common controls
// 6 and later, else the given bitmap on the right; every other column loses its mark.
void SetHeaderSortMark(HWND listView, int column, bool ascending, HBITMAP ascendingMark, HBITMAP descendingMark);

// Runs the open or save dialog; true with *path set when the user chose a file.
bool ChooseFile(HWND owner, bool save, const std::string& filter, const std::string& title,
                const std::string& defaultExt, DWORD flags, std::string* path);

// ---- the list pages -------------------------------------------------------------------------

// The list's sort column and direction shown in the list view's header.
template <class List>
void ShowListSortMark(HWND listView, const List& list, HANDLE ascendingMark, HANDLE descendingMark) {
    SetHeaderSortMark(listView, list.SortColumn(), list.SortAscending(), static_cast<HBITMAP>(ascendingMark),
                      static_cast<HBITMAP>(descendingMark));
}

// A click on a column header (ClickListColumn): the list is re-sorted, the header's mark moves,
// and the entry that was selected (found again by its key) stays selected.
template <class List, class Entry>
void SortListByColumn(HWND listView, List& list, int column, std::string Entry::*key, HANDLE ascendingMark,
                      HANDLE descendingMark) {
    const int selected = SelectedListItem(listView);
    const std::string selectedKey = selected >= 0 ? list.EntryAt(selected).*key : std::string();
    ClickListColumn(list, column);
    ShowListSortMark(listView, list, ascendingMark, descendingMark);
    InvalidateRect(listView, nullptr, TRUE);
    if (selected >= 0) SelectListItem(listView, list.IndexOf(selectedKey));
}

// The delete button or key: deletes the selected entry (DeleteListEntry), shows the shorter
// list and selects the entry that took its place. False when nothing is selected.
template <class List>
bool DeleteSelectedListEntry(HWND listView, List& list) {
    const int selected = SelectedListItem(listView);
    if (selected < 0) return false;
    const int next = DeleteListEntry(list, selected);
    RefreshListView(listView, list.Count());
    SelectListItem(listView, next);
    return true;
}

// The message texts of a list page's add and update buttons.
struct ListEditTexts {
    UINT empty;          // nothing typed
    UINT alreadyListed;  // add: the key is listed; update it?
    UINT notListed;      // update: the key is not listed; add it?
};
// The add or update button's questions (AddStep, UpdateStep) about the typed key: true when
// the entry is to be stored; otherwise the focus goes back to the key's edit.
bool ConfirmListEdit(HWND page, const char* title, bool update, bool keyEmpty, bool listed, int keyEditId,
                     const ListEditTexts& texts);

// The import button's open dialog: filter (a "|" text), title.
bool ChooseImportFile(HWND page, UINT filterId, UINT titleId, std::string* path);
// The save dialog of an export (the list pages, the database backup), offering nameFormat
// filled with the local time (TimeStampedName): filter, title and default extension.
bool ChooseExportFile(HWND page, const char* nameFormat, UINT filterId, UINT titleId, UINT extId, std::string* path);
