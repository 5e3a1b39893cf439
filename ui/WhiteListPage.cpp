// The window-free part of the white-list page; see WhiteListPage.h.
#include "ui/WhiteListPage.h"

#include "resources/resource.h"
#include "support/Util.h"
#include "ui/ListPage.h"

namespace {

// "メール" and "ドメイン", loaded on first use and kept for the life of the DLL.
const std::string& TypeText(bool isDomain) {
    static const std::string mail = LoadResString(IDS_WL_TYPE_MAIL);
    static const std::string domain = LoadResString(IDS_WL_TYPE_DOMAIN);
    return isDomain ? domain : mail;
}

}  // namespace

std::string WhiteListCellText(const WhiteListEntry& entry, int column) {
    switch (column) {
        case 0: return TypeText(entry.isDomain);
        case 1: return entry.address;
        case 2: return entry.note;
        default: return std::string();
    }
}

int WhiteListCellImage(const WhiteListEntry& entry) { return entry.isDomain ? 1 : 0; }

std::string WhiteListAddressInput(const char* text) { return Trim(text, kInputBlanks); }

std::string WhiteListNoteInput(const char* text) { return Trim(text, kBlanks); }

int StoreWhiteListEntry(WhiteList& list, const std::string& address, const std::string& note) {
    list.AddOrUpdate(address, note);
    list.Sort();
    return list.IndexOf(address);
}

void ImportWhiteList(WhiteList& list, const char* path) {
    list.Load(path);
    list.Sort();
}

void SaveWhiteListLayout(MirvoWhiteListProfileEnv& env, const WhiteList& list, const int widths[3]) {
    env.SetSortColumn(list.SortColumn());
    env.SetSortIsAscending(list.SortAscending());
    env.SetAddrTypeItemWidth(widths[0]);
    env.SetEmailAddrItemWidth(widths[1]);
    env.SetNoteItemWidth(widths[2]);
}

CWhiteListDialogProc::CWhiteListDialogProc(SetupSettings* settingsCopy)
    : settings(settingsCopy), title(), imageList(nullptr), ascending(nullptr), descending(nullptr) {
    static const UINT icons[] = {IDI_MAIL_ADDRESS, IDI_DOMAIN};
    imageList = CreateIconImageList(18, 16, icons, 2);
    ascending = LoadSortMark(IDB_SORT_ASCENDING);
    descending = LoadSortMark(IDB_SORT_DESCENDING);
}

CWhiteListDialogProc::~CWhiteListDialogProc() {
    DestroyIconImageList(imageList);
    FreeSortMark(ascending);
    FreeSortMark(descending);
}
