// The context menu; see HostMenu.h.
#include "host/api/HostMenu.h"

#include "host/store/Charset.h"
#include "host/api/Host.h"
#include "host/cli/Json.h"
#include "platform/Mbcs.h"

namespace HostMenu {

namespace {

enum HostItemId : UINT {
    kOpen = 101,
    kReply = 102,
    kMarkRead = 103,
    kMarkUnread = 104,
    kDelete = 105,
    kFilter = 106,
};

struct HostItem {
    UINT id;  // 0: separator
    const char* text;
    bool needsSelection;
};
const HostItem kHostItems[] = {
    {kOpen, "開く(&O)", true},          {kReply, "返信(&R)", true},
    {0, nullptr, false},                {kMarkRead, "既読にする(&K)", true},
    {kMarkUnread, "未読にする(&U)", true}, {0, nullptr, false},
    {kDelete, "削除(&D)", true},          {0, nullptr, false},
    {kFilter, "振り分けを実行(&F)", true},
};

const HostItem* FindHostItem(UINT id) {
    for (const HostItem& item : kHostItems) {
        if (item.id != 0 && item.id == id) return &item;
    }
    return nullptr;
}

// Menu text as one would name it: without the "(&X)" access-key suffix of Japanese menus and
// without the "&" before an access key.
std::string WithoutMnemonics(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (Mbcs::CharLengthAt(text, i) == 2) {
            out += text.substr(i++, 2);
        } else if (text.compare(i, 2, "(&") == 0 && i + 3 < text.size() && text[i + 3] == ')') {
            i += 3;
        } else if (text[i] != '&') {
            out += text[i];
        }
    }
    return Mbcs::Trim(out);
}

void WalkMenu(HMENU menu, const std::string& prefix, int depth, std::vector<Item>* items) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        Item item;
        item.path = prefix + std::to_string(i);
        item.depth = depth;
        item.position = i;
        item.owner = menu;
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        char buffer[1024] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), buffer, sizeof(buffer), MF_BYPOSITION);
        item.text = buffer;
        item.id = GetMenuItemID(menu, i);
        item.enabled = (state & (MF_GRAYED | MF_DISABLED)) == 0;
        item.uiState = -1;
        HMENU sub = GetSubMenu(menu, i);
        if (sub != nullptr) {
            item.kind = "popup";
            item.id = 0;
        } else if (state & MF_SEPARATOR) {
            item.kind = "separator";
        } else if (g_host.FindCommand(item.id) != nullptr) {
            item.kind = "command";
        } else if (FindHostItem(item.id) != nullptr) {
            item.kind = "host";
        } else {
            item.kind = "item";
        }
        items->push_back(item);
        if (sub != nullptr) WalkMenu(sub, item.path + "/", depth + 1, items);
    }
}

}  // namespace

bool IsHostItem(UINT id) { return FindHostItem(id) != nullptr; }

bool Build(std::string* error) {
    if (g_host.contextMenu != nullptr) return true;
    if (g_host.plugin.OnMenuInit == nullptr) {
        *error = "the plug-in does not export BKC_OnMenuInit";
        return false;
    }
    HMENU menu = CreatePopupMenu();
    for (const HostItem& item : kHostItems) {
        if (item.id == 0) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(menu, MF_STRING, item.id, Charset::Utf8ToCp932(item.text).c_str());
        }
    }
    g_host.contextMenu = menu;
    const int result = g_host.plugin.OnMenuInit(g_host.mainWindow, menu, 1);
    g_host.ReportCall(JsonLine("event-call").Utf8("function", "BKC_OnMenuInit").Int("type", 1).Int("return", result), false);
    return true;
}

std::vector<Item> Walk() {
    std::vector<Item> items;
    if (g_host.contextMenu != nullptr) WalkMenu(g_host.contextMenu, "", 0, &items);
    return items;
}

void UpdateStates(std::vector<Item>* items) {
    const bool selection = !g_host.store.SelectedIds().empty();
    for (Item& item : *items) {
        if (item.kind == "command") {
            const RegisteredCommand* command = g_host.FindCommand(item.id);
            if (command->state == nullptr) continue;
            const UINT flags = command->state(g_host.mainWindow, command->target);
            item.uiState = flags;
            item.enabled = (flags & 1) == 0;
        } else if (item.kind == "host") {
            item.enabled = !FindHostItem(item.id)->needsSelection || selection;
        } else {
            continue;
        }
        EnableMenuItem(item.owner, static_cast<UINT>(item.position), MF_BYPOSITION | (item.enabled ? MF_ENABLED : MF_GRAYED));
    }
}

bool Find(const std::string& text, const std::string& path, Item* item, std::string* error) {
    std::vector<Item> items = Walk();
    std::vector<Item> matches;
    for (const Item& candidate : items) {
        if (!path.empty()) {
            if (candidate.path == path) matches.push_back(candidate);
        } else if (candidate.kind != "separator" &&
                   (candidate.text == text || Mbcs::EqualsAsciiNoCase(WithoutMnemonics(candidate.text), WithoutMnemonics(text)))) {
            matches.push_back(candidate);
        }
    }
    if (matches.empty()) {
        *error = path.empty() ? "no menu item called " + text : "no menu item at " + path;
        return false;
    }
    if (matches.size() > 1) {
        *error = "more than one menu item called " + text + ": give its position with --pos";
        return false;
    }
    *item = matches.front();
    return true;
}

void RunHostItem(UINT id) {
    MailStore& store = g_host.store;
    const std::vector<std::string> selected = store.SelectedIds();
    JsonLine line("host-action");
    line.Int("id", id).StrArray("ids", selected);
    switch (id) {
        case kOpen:
            if (!selected.empty()) store.SetCurrentMail(selected.front());
            line.Utf8("action", "open");
            break;
        case kReply:
            line.Utf8("action", "reply");
            break;
        case kMarkRead:
        case kMarkUnread:
            for (const std::string& mail : selected) {
                store.SetStatus(mail, id == kMarkRead ? kStatusRead : 0, id == kMarkRead ? 0 : kStatusRead, nullptr);
            }
            line.Utf8("action", id == kMarkRead ? "mark read" : "mark unread");
            break;
        case kDelete: {
            std::vector<std::string> newIds;
            std::string error;
            const std::string trash = store.MailboxOf(store.CurrentFolder()) + "!Trash\\";
            const bool ok = store.Move(selected, trash, false, &newIds, &error);
            line.Utf8("action", "delete").Str("folder", trash).StrArray("newIds", newIds).Bool("ok", ok);
            break;
        }
        case kFilter:
            line.Utf8("action", "FilterSelected");
            break;
        default:
            line.Utf8("action", "none");
    }
    Json::Emit(line);
}

}  // namespace HostMenu
