// The user's side of the fake host on Windows: a hidden top-level window stands for the
// host's main window; the host simulator's dialog watcher reads every message box of the
// process (caption, text, buttons and icon), and the scripted button is pressed; Cancel is
// pressed on the real progress dialog.
#include "common/FakeHost.h"

#include "commands/Progress.h"
#include "host/ui/HostWindows_win.h"
#include "resources/resource.h"

namespace testing_host {

namespace {

// Answers a message box of the plug-in as scripted; the progress dialog and other dialogs are
// left alone (Cancel on the progress dialog is pressed by SourceFreed).
void AnswerBox(const HostWindows::DialogReading& dialog) {
    if (!dialog.isMessageBox) return;
    Box box;
    box.caption = dialog.caption;
    box.text = dialog.text;
    box.type = dialog.type;
    FakeHost* host = FakeHost::Instance();
    int answer = host != nullptr ? host->NextBoxAnswer(box) : IDOK;
    if (dialog.buttons.count(answer) == 0) answer = dialog.buttons.count(IDCANCEL) != 0 ? IDCANCEL : IDOK;
    HostWindows::PressButton(dialog.dialog, answer);
}

}  // namespace

void FakeHost::StartUser() {
    m_mainWindow = CreateWindowExA(0, "STATIC", "FakeHost", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                                   nullptr, nullptr, nullptr);
    HostWindows::DialogWatcher* watcher = new HostWindows::DialogWatcher;
    watcher->Start(AnswerBox);
    m_user = watcher;
}

void FakeHost::StopUser() {
    delete static_cast<HostWindows::DialogWatcher*>(m_user);  // stops and waits for the thread
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
