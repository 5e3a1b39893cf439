// Window helpers shared by the settings sheet's pages and dialogs (Windows only): where a
// dialog template comes from, control values, message boxes, list-view selection and the sort
// mark of a list header.
#pragma once

#include <string>

#include "platform/platform.h"

// The module that holds dialog template id: g_resourceModule when it has it, else the plug-in.
HMODULE DialogTemplateModule(UINT id);

// The whole text of a control.
std::string ControlText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
void EnableControl(HWND dialog, int id, bool enable);

// A message box owned by the page with the page's title as caption.
int PageMessage(HWND page, const char* title, const std::string& text, UINT type);

// The selected item of a single-selection list view, or -1.
int SelectedListItem(HWND listView);
// Selects and focuses item index and scrolls it into view (nothing for -1).
void SelectListItem(HWND listView, int index);
// The current width of header item column.
int ListColumnWidth(HWND listView, int column);
// Inserts a left-aligned column.
void InsertListColumn(HWND listView, int column, const std::string& text, int width);

// Marks the sorted column in the list's header: HDF_SORTUP / HDF_SORTDOWN with common controls
// 6 and later, else the given bitmap on the right; every other column loses its mark.
void SetHeaderSortMark(HWND listView, int column, bool ascending, HBITMAP ascendingMark, HBITMAP descendingMark);

// Runs the open or save dialog; true with *path set when the user chose a file.
bool ChooseFile(HWND owner, bool save, const std::string& filter, const std::string& title,
                const std::string& defaultExt, DWORD flags, std::string* path);
