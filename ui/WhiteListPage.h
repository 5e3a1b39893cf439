// The white-list page (dialog 120, third page of the sheet): the entries of the sheet's
// white-list copy in an owner-data list view, add, update, delete, import and export, and
// the list-view layout kept in the copy of MirvoWhiteListProfileEnv.
//
// The page object holds the window-free part (cell texts, storing, the layout); its dialog
// procedure (WhiteListPage_win.cpp) only moves values between the controls and these.
#pragma once

#include <string>

#include "lists/WhiteList.h"
#include "platform/platform.h"
#include "settings/Profile.h"

struct SetupSettings;

// Display of one entry: column 0 the type ("メール" / "ドメイン"), 1 the address, 2 the note.
std::string WhiteListCellText(const WhiteListEntry& entry, int column);
// Image of column 0: 0 (icon 502) for a mail address, 1 (icon 503) for a domain.
int WhiteListCellImage(const WhiteListEntry& entry);

// The address as typed, trimmed of blanks, tabs and the ideographic space; the note trimmed
// of blanks, tabs, CR and LF.
std::string WhiteListAddressInput(const char* text);
std::string WhiteListNoteInput(const char* text);

// Stores (adds or updates) an entry, re-sorts, and returns the entry's display index.
int StoreWhiteListEntry(WhiteList& list, const std::string& address, const std::string& note);

// Import: the file replaces the whole list, which is then sorted by its current order.
void ImportWhiteList(WhiteList& list, const char* path);

// Writes the list view's layout into the Env copy: the sort column's name, the direction and
// the widths of columns 0, 1, 2.
void SaveWhiteListLayout(MirvoWhiteListProfileEnv& env, const WhiteList& list, const int widths[3]);

class CWhiteListDialogProc {
public:
    explicit CWhiteListDialogProc(SetupSettings* settings);
    virtual ~CWhiteListDialogProc();
    CWhiteListDialogProc(const CWhiteListDialogProc&) = delete;
    CWhiteListDialogProc& operator=(const CWhiteListDialogProc&) = delete;

    // The body of the page's dialog procedure (Windows).
    INT_PTR OnMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

    SetupSettings* settings;
    char title[1024];
    HANDLE imageList;   // icons 502 and 503, 18 x 16
    HANDLE ascending;   // bitmap 510
    HANDLE descending;  // bitmap 511

private:
    BOOL OnInitDialog(HWND page);
    void OnAdd(HWND page, bool update);
    void OnDelete(HWND page, bool fromButton);
    void OnImport(HWND page);
    void OnExport(HWND page);
    INT_PTR OnNotify(HWND page, LPARAM lParam);
    void UpdateButtons(HWND page);
};
