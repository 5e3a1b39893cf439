// The user interface on the POSIX side, where the plug-in has no windows: message boxes go to
// standard error and are answered by the hook the host program registered
// (platform/posix/ui_hooks.h) or with the default button; window enable states are remembered
// per HWND value; cursors and the message queue are inert; menus are a real in-memory model
// that the host program can build, show and walk.
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/Mbcs.h"
#include "platform/posix/posix_internal.h"
#include "platform/posix/ui_hooks.h"

// ---- message boxes ------------------------------------------------------------------------

namespace {
std::atomic<PlatformMessageBoxHookProc> g_messageBoxHook{nullptr};
std::atomic<PlatformProgressHookProc> g_progressHook{nullptr};
}  // namespace

PlatformMessageBoxHookProc SetMessageBoxHook(PlatformMessageBoxHookProc hook) { return g_messageBoxHook.exchange(hook); }

PlatformProgressHookProc SetProgressHook(PlatformProgressHookProc hook) { return g_progressHook.exchange(hook); }

PlatformProgressHookProc GetProgressHook() { return g_progressHook.load(); }

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const PlatformMessageBoxHookProc hook = g_messageBoxHook.load();
    if (text == nullptr) text = "";
    if (caption == nullptr) caption = "Error";  // the caption Windows gives a box without one
    if (hook != nullptr) {
        const int answer = hook(owner, text, caption, type);
        if (answer != 0) return answer;
    }
    PlatformConsoleWrite(std::string("[") + caption + "] " + text + "\n");
    switch (type & 0xFul) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    case 0x2ul:  // MB_ABORTRETRYIGNORE
        return IDABORT;
    case 0x5ul:  // MB_RETRYCANCEL
        return IDRETRY;
    default:
        return IDOK;
    }
}

// ---- windows, cursors, messages -----------------------------------------------------------

namespace {
std::mutex g_windowLock;
std::set<HWND> g_disabledWindows;
}  // namespace

BOOL EnableWindow(HWND window, BOOL enable) {
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(g_windowLock);
    const bool wasDisabled = g_disabledWindows.count(window) != 0;
    if (enable) {
        g_disabledWindows.erase(window);
    } else {
        g_disabledWindows.insert(window);
    }
    return wasDisabled ? TRUE : FALSE;  // whether the window was disabled before, as in Win32
}

BOOL IsWindowEnabled(HWND window) {
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(g_windowLock);
    return g_disabledWindows.count(window) == 0 ? TRUE : FALSE;
}

HCURSOR LoadCursorA(HINSTANCE module, LPCSTR name) {
    (void)module;
    // A distinct, never dereferenced value per cursor id.
    return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x7F000000u) | (reinterpret_cast<uintptr_t>(name) & 0xFFFFu));
}

HCURSOR SetCursor(HCURSOR cursor) {
    static std::atomic<HCURSOR> current{LoadCursorA(nullptr, IDC_ARROW)};
    return current.exchange(cursor);
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    (void)msg, (void)window, (void)first, (void)last, (void)remove;
    return FALSE;  // the queue is always empty
}

BOOL TranslateMessage(const MSG* msg) {
    (void)msg;
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    (void)msg;
    return 0;
}

// ---- menus --------------------------------------------------------------------------------

struct PlatformMenu {
    struct Item {
        UINT flags;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED
        UINT id;
        HMENU submenu;
        std::string text;
    };
    std::vector<Item> items;
};

namespace {

constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED;
constexpr UINT kNoItem = 0xFFFFFFFFu;

std::recursive_mutex g_menuLock;
std::set<HMENU> g_menus;

bool ValidMenu(HMENU menu) {
    if (menu != nullptr && g_menus.count(menu) != 0) return true;
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return false;
}

// The item named by item and flags: by position in menu, or by command id in menu and its
// submenus (depth first, as Win32 searches).
PlatformMenu::Item* Locate(HMENU menu, UINT item, UINT flags) {
    if ((flags & MF_BYPOSITION) != 0) return item < menu->items.size() ? &menu->items[item] : nullptr;
    for (PlatformMenu::Item& entry : menu->items) {
        if ((entry.flags & MF_POPUP) != 0) {
            if (g_menus.count(entry.submenu) == 0) continue;
            if (PlatformMenu::Item* found = Locate(entry.submenu, item, flags)) return found;
        } else if ((entry.flags & MF_SEPARATOR) == 0 && entry.id == item) {
            return &entry;
        }
    }
    return nullptr;
}

// The menu that holds the item with command id, and its index there.
bool LocateCommand(HMENU menu, UINT id, HMENU* holder, size_t* index) {
    for (size_t i = 0; i < menu->items.size(); ++i) {
        const PlatformMenu::Item& entry = menu->items[i];
        if ((entry.flags & MF_POPUP) != 0) {
            if (g_menus.count(entry.submenu) != 0 && LocateCommand(entry.submenu, id, holder, index)) return true;
        } else if ((entry.flags & MF_SEPARATOR) == 0 && entry.id == id) {
            *holder = menu;
            *index = i;
            return true;
        }
    }
    return false;
}

void Destroy(HMENU menu) {
    if (g_menus.erase(menu) == 0) return;
    for (PlatformMenu::Item& entry : menu->items) {
        if ((entry.flags & MF_POPUP) != 0) Destroy(entry.submenu);
    }
    delete menu;
}

HMENU NewMenu() {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    HMENU menu = new PlatformMenu();
    g_menus.insert(menu);
    return menu;
}

}  // namespace

HMENU CreateMenu() { return NewMenu(); }

HMENU CreatePopupMenu() { return NewMenu(); }

BOOL DestroyMenu(HMENU menu) {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    if (!ValidMenu(menu)) return FALSE;
    Destroy(menu);  // its submenus go with it, as in Win32
    return TRUE;
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    if (!ValidMenu(menu)) return FALSE;
    PlatformMenu::Item item;
    item.flags = flags & (MF_POPUP | MF_SEPARATOR | kStateFlags);
    item.id = 0;
    item.submenu = nullptr;
    if ((flags & MF_POPUP) != 0) {
        item.submenu = reinterpret_cast<HMENU>(idOrSubmenu);
        if (!ValidMenu(item.submenu) || item.submenu == menu) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
    } else {
        item.id = static_cast<UINT>(idOrSubmenu);
    }
    if ((flags & MF_SEPARATOR) == 0 && text != nullptr) item.text = text;
    HMENU holder = menu;
    size_t index = menu->items.size();  // -1 or a position past the end: append
    if ((flags & MF_BYPOSITION) != 0) {
        if (position < index) index = position;
    } else if (position != kNoItem) {
        if (!LocateCommand(menu, position, &holder, &index)) {
            SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
            return FALSE;
        }
    }
    holder->items.insert(holder->items.begin() + static_cast<long>(index), item);
    return TRUE;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
    return InsertMenuA(menu, kNoItem, (flags & ~MF_BYPOSITION) | MF_BYPOSITION, idOrSubmenu, text);
}

int GetMenuItemCount(HMENU menu) {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    if (!ValidMenu(menu)) return -1;
    return static_cast<int>(menu->items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    if (!ValidMenu(menu) || position < 0 || static_cast<size_t>(position) >= menu->items.size()) return kNoItem;
    const PlatformMenu::Item& item = menu->items[static_cast<size_t>(position)];
    if ((item.flags & MF_POPUP) != 0) return kNoItem;
    return item.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    if (!ValidMenu(menu) || position < 0 || static_cast<size_t>(position) >= menu->items.size()) return nullptr;
    const PlatformMenu::Item& item = menu->items[static_cast<size_t>(position)];
    return (item.flags & MF_POPUP) != 0 && g_menus.count(item.submenu) != 0 ? item.submenu : nullptr;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags) {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    if (!ValidMenu(menu)) return 0;
    const PlatformMenu::Item* entry = Locate(menu, item, flags);
    if (entry == nullptr) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || size <= 0) return static_cast<int>(entry->text.size());
    const size_t keep = Mbcs::CutLength(entry->text.c_str(), entry->text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, entry->text.c_str(), keep);
    buffer[keep] = '\0';
    return static_cast<int>(keep);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    if (!ValidMenu(menu)) return kNoItem;
    const PlatformMenu::Item* entry = Locate(menu, item, flags);
    if (entry == nullptr) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return kNoItem;
    }
    if ((entry->flags & MF_POPUP) != 0 && g_menus.count(entry->submenu) != 0) {
        // A submenu: its item count in the high byte, the flags in the low byte.
        return static_cast<UINT>((entry->submenu->items.size() & 0xFF) << 8) | (entry->flags & 0xFF);
    }
    return entry->flags;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    std::lock_guard<std::recursive_mutex> guard(g_menuLock);
    if (!ValidMenu(menu)) return -1;
    PlatformMenu::Item* entry = Locate(menu, item, enable);
    if (entry == nullptr) return -1;  // Win32 returns -1 when the item does not exist
    const UINT previous = entry->flags & (MF_GRAYED | MF_DISABLED);
    entry->flags = (entry->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}
