// What the three list pages (white list, NG words, OK words) share and what runs without a
// window: the questions of the add and update buttons, the selection after a delete, the
// header-click sort rule, file-dialog filters and time-stamped default file names, and the
// page resources (sort-mark bitmaps, image lists) behind a small seam.
#pragma once

#include <string>

#include "platform/platform.h"

// What the add or update button does with the typed key (address or word).
enum ListEditStep {
    kListEditEmpty,  // nothing typed: tell the user, focus the edit
    kListEditStore,  // store at once
    kListEditAsk     // ask first (already listed on add, not listed on update)
};
ListEditStep AddStep(bool keyEmpty, bool listed);
ListEditStep UpdateStep(bool keyEmpty, bool listed);

// The item to select after the item at index was deleted from a list that now holds count
// items: the same index if it still exists, else the one before it, else none (-1).
int SelectionAfterDelete(int index, int count);

// Deletes the entry at a display index and re-sorts; returns the index to select then, or -1.
// A negative index (nothing selected) deletes nothing and returns -1.
template <class List>
int DeleteListEntry(List& list, int index) {
    if (index < 0 || !list.RemoveAt(index)) return -1;
    list.Sort();
    return SelectionAfterDelete(index, list.Count());
}

// A click on a column header: the clicked column becomes the sort column; the direction flips
// when it already was the sort column and is ascending otherwise. The list is re-sorted.
template <class List>
void ClickListColumn(List& list, int column) {
    const bool ascending = list.SortColumn() == column ? !list.SortAscending() : true;
    list.SetSortAscending(ascending);
    list.SetSortColumn(column);
    list.Sort();
}

// A file-dialog filter from the string table: every "|" becomes a NUL (the text ends in
// "||", so the result ends in two NULs).
std::string LoadFilterText(UINT id);

// format ("...%04d%02d%02d_%02d%02d%02d...") filled from year, month, day, hour, minute,
// second, cut to 1039 characters.
std::string TimeStampedName(const char* format, const SYSTEMTIME& time);

// Page resources, each looked up in g_resourceModule first and then in the plug-in. Handles
// are opaque here (HBITMAP and HIMAGELIST on Windows; null where there are no windows).
// A 14 x 14 sort-mark bitmap, mapped to the system's 3D colours.
HANDLE LoadSortMark(UINT id);
void FreeSortMark(HANDLE bitmap);
// An image list of width x height, 24-bit with mask, holding the given icons in order.
HANDLE CreateIconImageList(int width, int height, const UINT* iconIds, int count);
void DestroyIconImageList(HANDLE imageList);
