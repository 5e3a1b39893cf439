// Window helpers of the Windows host; see HostWindows_win.h.
#include "host/ui/HostWindows_win.h"

#include "platform/Mbcs.h"

namespace HostWindows {

namespace {

struct DialogSearch {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
    DialogSearch* search = reinterpret_cast<DialogSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && ClassOf(window) == "#32770") {
        search->found.push_back(window);
    }
    return TRUE;
}

struct Child {
    HWND window;
    int id;
    std::string className;
    std::string text;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
    reinterpret_cast<std::vector<Child>*>(parameter)->push_back(
        Child{window, GetDlgCtrlID(window), Mbcs::ToLowerAscii(ClassOf(window)), TextOf(window)});
    return TRUE;
}

// The icon of a message box: the system's shared icons are the same handles in every part of
// the process, so the static control's icon tells which one the box shows.
unsigned IconType(const std::vector<Child>& children) {
    static const struct {
        LPCSTR icon;
        unsigned type;
    } kIcons[] = {{IDI_HAND, MB_ICONERROR}, {IDI_QUESTION, MB_ICONQUESTION}, {IDI_EXCLAMATION, MB_ICONWARNING},
                  {IDI_ASTERISK, MB_ICONINFORMATION}};
    for (const Child& child : children) {
        if (child.className != "static") continue;
        DWORD_PTR icon = 0;
        if (!SendMessageTimeoutA(child.window, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &icon) || icon == 0) continue;
        for (const auto& entry : kIcons) {
            if (reinterpret_cast<HICON>(icon) == LoadIconA(nullptr, entry.icon)) return entry.type;
        }
    }
    return 0;
}

unsigned ButtonType(const std::set<int>& buttons) {
    auto has = [&](int id) { return buttons.count(id) != 0; };
    if (has(IDABORT) && has(IDRETRY)) return MB_ABORTRETRYIGNORE;
    if (has(IDYES) && has(IDCANCEL)) return MB_YESNOCANCEL;
    if (has(IDYES)) return MB_YESNO;
    if (has(IDRETRY)) return MB_RETRYCANCEL;
    if (has(IDCANCEL)) return MB_OKCANCEL;
    return MB_OK;
}

}  // namespace

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::vector<HWND> ProcessDialogs() {
    DialogSearch search{GetCurrentProcessId(), {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

DialogReading ReadDialog(HWND dialog) {
    std::vector<Child> children;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
    DialogReading reading;
    reading.dialog = dialog;
    reading.caption = TextOf(dialog);
    bool hasText = false;
    bool plain = true;
    for (const Child& child : children) {
        if (child.className == "msctls_progress32") reading.isProgress = true;
        if (child.className == "static" && child.id == 0xFFFF) {
            hasText = true;
            reading.text = child.text;
        } else if (child.className == "button") {
            reading.buttons.insert(child.id);
        } else if (child.className != "static") {
            plain = false;
        }
    }
    reading.isMessageBox = !reading.isProgress && hasText && plain;
    if (reading.isMessageBox) reading.type = ButtonType(reading.buttons) | IconType(children);
    return reading;
}

bool DialogWatcher::Start(std::function<void(const DialogReading&)> handler) {
    if (m_thread != nullptr) return true;
    m_handler = std::move(handler);
    m_stop = false;
    m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    return m_thread != nullptr;
}

void DialogWatcher::Stop() {
    if (m_thread == nullptr) return;
    m_stop = true;
    WaitForSingleObject(m_thread, 5000);
    CloseHandle(m_thread);
    m_thread = nullptr;
}

DWORD WINAPI DialogWatcher::Run(LPVOID self) {
    DialogWatcher* watcher = static_cast<DialogWatcher*>(self);
    std::set<HWND> handled;
    while (!watcher->m_stop.load()) {
        Sleep(10);
        const std::vector<HWND> dialogs = ProcessDialogs();
        const std::set<HWND> present(dialogs.begin(), dialogs.end());
        for (auto it = handled.begin(); it != handled.end();) it = present.count(*it) ? std::next(it) : handled.erase(it);
        for (HWND dialog : dialogs) {
            if (handled.insert(dialog).second) watcher->m_handler(ReadDialog(dialog));
        }
    }
    return 0;
}

}  // namespace HostWindows
