// The window-free part of the list pages; see ListPage.h.
#include "ui/ListPage.h"

#include "support/Util.h"

ListEditStep AddStep(bool keyEmpty, bool listed) {
    if (keyEmpty) return kListEditEmpty;
    return listed ? kListEditAsk : kListEditStore;
}

ListEditStep UpdateStep(bool keyEmpty, bool listed) {
    if (keyEmpty) return kListEditEmpty;
    return listed ? kListEditStore : kListEditAsk;
}

int SelectionAfterDelete(int index, int count) {
    if (index < 0 || count <= 0) return -1;
    return index < count ? index : count - 1;
}

std::string LoadFilterText(UINT id) {
    std::string filter = LoadResString(id);
    for (char& c : filter) {
        if (c == '|') c = '\0';
    }
    // The dialog needs the list to end in two NULs even if the text lost its final "||".
    filter.push_back('\0');
    filter.push_back('\0');
    return filter;
}

std::string TimeStampedName(const char* format, const SYSTEMTIME& time) {
    char name[kPathSize];
    FormatTo(name, sizeof(name), format, time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
             time.wSecond);
    return name;
}
