// The user's side of the fake host on Windows: a hidden top-level window stands for the
// host's main window; a watcher thread reads every message box of the process, records its
// caption, text and buttons, and presses the scripted button; Cancel is pressed on the real
// progress dialog.
#include "common/FakeHost.h"

#include <set>

#include "commands/Progress.h"
#include "resources/resource.h"

namespace testing_host {

namespace {

struct Watcher {
    HANDLE thread = nullptr;
    volatile LONG stop = 0;
    std::set<HWND> handled;
};

std::string WindowText(HWND window) {
    char text[8192];
    text[0] = '\0';
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

BOOL CALLBACK LongestStatic(HWND child, LPARAM param) {
    char className[64];
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Static") == 0) {
        std::string* longest = reinterpret_cast<std::string*>(param);
        const std::string text = WindowText(child);
        if (text.size() > longest->size()) *longest = text;
    }
    return TRUE;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM param) {
    Watcher* watcher = reinterpret_cast<Watcher*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char className[64];
    GetClassNameA(window, className, sizeof(className));
    if (lstrcmpA(className, "#32770") != 0) return TRUE;
    if (GetDlgItem(window, IDC_PROGRESS_BAR) != nullptr) return TRUE;  // the progress dialog
    if (watcher->handled.count(window) > 0) return TRUE;
    watcher->handled.insert(window);
    Box box;
    box.caption = WindowText(window);
    EnumChildWindows(window, LongestStatic, reinterpret_cast<LPARAM>(&box.text));
    const bool hasCancel = GetDlgItem(window, IDCANCEL) != nullptr;
    box.type = hasCancel ? MB_OKCANCEL : MB_OK;
    FakeHost* host = FakeHost::Instance();
    const int answer = host != nullptr ? host->NextBoxAnswer(box) : IDOK;
    HWND button = GetDlgItem(window, answer);
    if (button == nullptr) button = GetDlgItem(window, hasCancel ? IDCANCEL : IDOK);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return TRUE;
}

DWORD WINAPI WatchBoxes(LPVOID param) {
    Watcher* watcher = static_cast<Watcher*>(param);
    while (InterlockedCompareExchange(&watcher->stop, 0, 0) == 0) {
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(param));
        for (auto it = watcher->handled.begin(); it != watcher->handled.end();) {
            it = IsWindow(*it) ? std::next(it) : watcher->handled.erase(it);
        }
        Sleep(5);
    }
    return 0;
}

}  // namespace

void FakeHost::StartUser() {
    m_mainWindow = CreateWindowExA(0, "STATIC", "FakeHost", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                                   nullptr, nullptr, nullptr);
    Watcher* watcher = new Watcher;
    watcher->thread = CreateThread(nullptr, 0, WatchBoxes, watcher, 0, nullptr);
    m_user = watcher;
}

void FakeHost::StopUser() {
    Watcher* watcher = static_cast<Watcher*>(m_user);
    InterlockedExchange(&watcher->stop, 1);
    WaitForSingleObject(watcher->thread, INFINITE);
    CloseHandle(watcher->thread);
    delete watcher;
    m_user = nullptr;
    DestroyWindow(m_mainWindow);
    m_mainWindow = nullptr;
}

void FakeHost::SourceFreed() {
    if (!CancelDue(m_freed - m_freedAtCancelRequest)) return;
    CProgressDlg* dlg = g_progressDlg.load();
    if (dlg == nullptr) return;
    // The dialog comes up on its own thread; wait for it (generously: a loaded machine can
    // take seconds to show a window under Wine), then press its Cancel button.
    for (int i = 0; i < 6000 && dlg->hDlg.load() == nullptr; ++i) Sleep(10);
    HWND dialog = dlg->hDlg.load();
    if (dialog == nullptr) return;
    HWND button = GetDlgItem(dialog, IDCANCEL);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace testing_host
