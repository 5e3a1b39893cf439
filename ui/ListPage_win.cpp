// The page resources of ListPage.h on Windows: sort-mark bitmaps and icon image lists, looked
// up in the language resource DLL first and then in the plug-in.
#include "ui/ListPage.h"

#include "support/Util.h"

HANDLE LoadSortMark(UINT id) {
    HANDLE bitmap = nullptr;
    if (g_resourceModule != nullptr) {
        bitmap = LoadImageA(g_resourceModule, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 14, 14, LR_LOADMAP3DCOLORS);
    }
    if (bitmap == nullptr) {
        bitmap = LoadImageA(g_moduleHandle, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 14, 14, LR_LOADMAP3DCOLORS);
    }
    return bitmap;
}

void FreeSortMark(HANDLE bitmap) {
    if (bitmap != nullptr) DeleteObject(static_cast<HGDIOBJ>(bitmap));
}

HANDLE CreateIconImageList(int width, int height, const UINT* iconIds, int count) {
    HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, count, 1);
    if (list == nullptr) return nullptr;
    for (int i = 0; i < count; ++i) {
        HICON icon = nullptr;
        if (g_resourceModule != nullptr) {
            icon = static_cast<HICON>(
                LoadImageA(g_resourceModule, MAKEINTRESOURCEA(iconIds[i]), IMAGE_ICON, width, height, 0));
        }
        if (icon == nullptr) {
            icon = static_cast<HICON>(
                LoadImageA(g_moduleHandle, MAKEINTRESOURCEA(iconIds[i]), IMAGE_ICON, width, height, 0));
        }
        if (icon != nullptr) {
            ImageList_AddIcon(list, icon);
            DestroyIcon(icon);
        }
    }
    return list;
}

void DestroyIconImageList(HANDLE imageList) {
    if (imageList != nullptr) ImageList_Destroy(static_cast<HIMAGELIST>(imageList));
}
