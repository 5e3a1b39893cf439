// Page resources where there are no windows: the pages never show, so there is nothing to
// load.
#include "ui/ListPage.h"

HANDLE LoadSortMark(UINT) { return nullptr; }
void FreeSortMark(HANDLE) {}
HANDLE CreateIconImageList(int, int, const UINT*, int) { return nullptr; }
void DestroyIconImageList(HANDLE) {}
