// The progress of the batch commands on Linux: there are no windows, so the batch shows its
// caption and then a bar with the texts of the dialog ("%d / %d を処理中...", "後処理中...")
// on the terminal (standard error). On a terminal the bar is redrawn in place; into a file or
// pipe every state is one line.
//
// Cancelling: the host program may register a progress hook with the platform layer
// (platform/posix/ui_hooks.h); it is asked after every progress step, and a non-zero answer
// acts as a press of Cancel at that moment.
#include <unistd.h>

#include "commands/Progress.h"
#include "platform/posix/ui_hooks.h"
#include "resources/resource.h"
#include "support/Util.h"

namespace {

constexpr int kBarWidth = 30;

bool ConsoleIsTerminal() { return isatty(STDERR_FILENO) != 0; }

std::string BarText(int percent) {
    const int filled = percent * kBarWidth / 100;
    std::string bar = "[";
    bar.append(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBarWidth - filled), '.');
    bar += "] ";
    bar += FormatText(16, "%3d%% ", percent);
    return bar;
}

void DrawLine(const std::string& line) {
    if (ConsoleIsTerminal()) {
        PlatformConsoleWrite("\r" + line + "\x1b[K");
    } else {
        PlatformConsoleWrite(line + "\n");
    }
}

// The last percentage drawn, so that the wind-down keeps the bar where it stood.
int g_lastPercent = 0;

}  // namespace

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CProgressDlg::OnInitDialog(HWND dialog) { hDlg.store(dialog); }

bool CProgressDlg::StartDisplay() {
    PlatformConsoleWrite(title + "\n");
    g_lastPercent = ProgressPercent(0, total);
    DrawLine(BarText(g_lastPercent) + LoadResString(IDS_PROGRESS_STATUS, 0, total));
    return true;
}

void CProgressDlg::ShowProgress(int value, int percent) {
    if (!m_started || m_closed) return;
    g_lastPercent = percent;
    DrawLine(BarText(percent) + LoadResString(IDS_PROGRESS_STATUS, value, total));
    const PlatformProgressHookProc hook = GetProgressHook();
    if (hook != nullptr && hook(value, total) != 0) cancelled.store(true);
}

void CProgressDlg::ShowStatus(const std::string& text) {
    if (!m_started || m_closed) return;
    DrawLine(BarText(g_lastPercent) + text);
}

void CProgressDlg::DisableCancel() {}

void CProgressDlg::EndDisplay() {
    if (ConsoleIsTerminal()) PlatformConsoleWrite("\n");
}

void CProgressDlg::EndDialogThread() {}
