// The submenu "bsfilter (Mirvane)" in the host's message-list context menu: its placement
// (section "ContextMenu" of the settings), its eighteen commands in ten groups, and the state
// callback that disables the commands needing a selection while nothing is selected.
#include "commands/Menu.h"

#include "commands/Commands.h"
#include "plugin/HostApi.h"
#include "resources/resource.h"
#include "settings/Profile.h"
#include "support/HostBoundary.h"
#include "support/Util.h"

namespace {

// The host's menu type of the message-list context menu.
constexpr int kListContextMenu = 1;
// Insertion index meaning "append at the end".
constexpr int kAppend = -1;

// What the host calls for a command: the handler behind the host boundary (HostBoundary.h).
template <BkCommandCallback Handler>
void CALLBACK Guarded(HWND window, LPARAM parameter) {
    GuardHostCall("command()", [&] { Handler(window, parameter); });
}

// One row of the submenu: a command, or a separator (textId 0).
struct MenuRow {
    UINT textId;
    BkCommandCallback handler;
    bool needsSelection;
};

const MenuRow kMenuRows[] = {
    {IDS_MENU_TREAT_AS_SPAM, Guarded<CmdTreatAsSpam>, true},
    {IDS_MENU_JUDGE_AND_ACT, Guarded<CmdJudgeAndAct>, true},
    {0, nullptr, false},
    {IDS_MENU_JUDGE_ONE, Guarded<CmdJudgeOne>, true},
    {0, nullptr, false},
    {IDS_MENU_LEARN_ADD_SPAM, Guarded<CmdLearnAddSpam>, true},
    {IDS_MENU_LEARN_ADD_CLEAN, Guarded<CmdLearnAddClean>, true},
    {0, nullptr, false},
    {IDS_MENU_LEARN_SUB_SPAM, Guarded<CmdLearnSubSpam>, true},
    {IDS_MENU_LEARN_SUB_CLEAN, Guarded<CmdLearnSubClean>, true},
    {0, nullptr, false},
    {IDS_MENU_UPDATE_DB, Guarded<CmdUpdateDb>, false},
    {IDS_MENU_SHOW_DB_STATUS, Guarded<CmdShowDbStatus>, false},
    {0, nullptr, false},
    {IDS_MENU_REMOVE_SPAM_HEADER, Guarded<CmdRemoveSpamHeader>, true},
    {0, nullptr, false},
    {IDS_MENU_ADD_SENDER, Guarded<CmdAddSenderToWhiteList>, true},
    {IDS_MENU_ADD_SENDER_DOMAIN, Guarded<CmdAddSenderDomainToWhiteList>, true},
    {0, nullptr, false},
    {IDS_MENU_REMOVE_SENDER, Guarded<CmdRemoveSenderFromWhiteList>, true},
    {IDS_MENU_REMOVE_SENDER_DOMAIN, Guarded<CmdRemoveSenderDomainFromWhiteList>, true},
    {0, nullptr, false},
    {IDS_MENU_NG_SENDER, Guarded<CmdRegisterSenderAsNgWord>, true},
    {IDS_MENU_NG_SUBJECT, Guarded<CmdRegisterSubjectAsNgWord>, true},
    {0, nullptr, false},
    {IDS_MENU_OK_SENDER, Guarded<CmdRegisterSenderAsOkWord>, true},
    {IDS_MENU_OK_SUBJECT, Guarded<CmdRegisterSubjectAsOkWord>, true},
};

// The Win32 insertion position of an index: -1 becomes the "past the end" position.
UINT Position(int index) { return static_cast<UINT>(index); }

void InsertSeparator(HMENU menu, int index) {
    InsertMenuA(menu, Position(index), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

}  // namespace

UINT CALLBACK HasSelectedMailUI(HWND, LPARAM) {
    char id[256];
    id[0] = '\0';
    return g_hostApi.GetNextMail(-1, id, sizeof(id), TRUE) == -1 ? 1u : 0u;
}

void AddMenuCommand(HMENU submenu, int target, UINT textId, BkCommandCallback handler, BkUICallback stateCallback) {
    const std::string text = LoadResString(textId);
    const UINT command = g_hostApi.RegisterCommand(text.c_str(), target, handler);
    InsertMenuA(submenu, Position(kAppend), MF_BYPOSITION | MF_STRING, command, text.c_str());
    if (stateCallback != nullptr) g_hostApi.RegisterUICallback(command, stateCallback);
}

int OnMenuInit(HWND, HMENU menu, int type) {
    if (type != kListContextMenu) return 0;
    // Without a menu the commands would be registered with nowhere to show, and the submenu
    // made for them would be left to nobody.
    if (menu == nullptr) return 0;

    int position = kAppend;
    switch (g_contextMenuProfile.ContextMenuPosition()) {
        case kMenuTop: position = 0; break;
        case kMenuPosition: position = g_contextMenuProfile.MenuPosition(); break;
        default: position = kAppend; break;
    }
    // A negative place behaves as the bottom of the menu.
    if (position < 0) position = kAppend;

    if (g_contextMenuProfile.UpperSeparator()) {
        InsertSeparator(menu, position);
        if (position >= 0) ++position;
    }

    const std::string title = LoadResString(IDS_MENU_TITLE);
    HMENU submenu = CreateMenu();
    InsertMenuA(menu, Position(position), MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), title.c_str());
    if (position >= 0) ++position;

    for (const MenuRow& row : kMenuRows) {
        if (row.textId == 0) {
            InsertSeparator(submenu, kAppend);
        } else {
            AddMenuCommand(submenu, kListContextMenu, row.textId, row.handler,
                           row.needsSelection ? HasSelectedMailUI : nullptr);
        }
    }

    if (g_contextMenuProfile.LowerSeparator()) InsertSeparator(menu, position);
    return 0;
}
