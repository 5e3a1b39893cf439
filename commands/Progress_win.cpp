// The progress dialog of the batch commands on Windows: template 150, run modally on a thread
// of its own so that it repaints and takes a Cancel press while the host's thread is busy with
// a message. The batch talks to it with SendMessageA (synchronous: status text, bar) and
// PostMessageA (the private commands).
//
// Hand-over at the end: the batch may finish before the dialog thread has created the dialog.
// Both sides meet under m_handoverLock: the batch marks itself finished and closes a dialog
// that exists; a dialog that comes up after that ends itself in WM_INITDIALOG. The batch then
// waits for the dialog thread, pumping its own messages meanwhile, so g_progressDlg never
// outlives the object and the dialog never outlives the batch.
#include "commands/Progress.h"

#include "resources/resource.h"
#include "support/Util.h"

namespace {

// A WM_QUIT taken off the host thread's queue while a batch pumps it; posted again once the
// batch is over so that the host's own message loop still ends.
bool g_quitPending = false;
WPARAM g_quitCode = 0;

INT_PTR CALLBACK ProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    CProgressDlg* dlg = g_progressDlg.load();
    switch (message) {
        case WM_INITDIALOG:
            if (dlg != nullptr) dlg->OnInitDialog(window);
            return TRUE;
        case WM_CLOSE:
            // The close box only asks to cancel; the batch closes the dialog.
            if (dlg != nullptr) dlg->cancelled.store(true);
            return FALSE;
        case WM_COMMAND:
            if (HIWORD(wParam) == PROGRESS_DISABLE_CANCEL) {
                EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
            } else if (HIWORD(wParam) == PROGRESS_CLOSE) {
                EndDialog(window, LOWORD(wParam));
            } else if (LOWORD(wParam) == IDCANCEL) {  // the button, and the Esc key
                if (dlg != nullptr) dlg->cancelled.store(true);
            }
            return FALSE;
        default:
            return FALSE;
    }
}

// The bar at percent and text 2239 with value and total.
void DrawProgress(HWND dialog, int value, int percent, int total) {
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    if (percent < 100) {
        // Moving back by one makes the bar draw the new position at once instead of
        // animating towards it.
        SendMessageA(bar, PBM_SETPOS, percent + 1, 0);
        SendMessageA(bar, PBM_SETPOS, percent, 0);
    } else {
        SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 101));
        SendMessageA(bar, PBM_SETPOS, 101, 0);
        SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    }
    const std::string text = LoadResString(IDS_PROGRESS_STATUS, value, total);
    SendDlgItemMessageA(dialog, IDC_PROGRESS_STATUS, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

DWORD WINAPI ProgressDlgThread(LPVOID) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HMODULE module = g_resourceModule;
    if (module == nullptr || FindResourceA(module, MAKEINTRESOURCEA(IDD_PROGRESS), MAKEINTRESOURCEA(5)) == nullptr) {
        module = g_moduleHandle;
    }
    return static_cast<DWORD>(DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDlgProc, 0));
}

}  // namespace

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            g_quitPending = true;
            g_quitCode = msg.wParam;
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CProgressDlg::OnInitDialog(HWND dialog) {
    // The dialog is made ready first and published afterwards, so the batch never draws into a
    // half-initialised dialog.
    CenterWindow(owner, dialog);
    SetWindowTextA(dialog, title.c_str());
    SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    const int value = current.load();
    DrawProgress(dialog, value, ProgressPercent(value, total), total);
    EnterCriticalSection(&m_handoverLock);
    hDlg.store(dialog);
    const bool finished = m_finished;
    LeaveCriticalSection(&m_handoverLock);
    // The batch was over before the dialog existed: nothing to show.
    if (finished) EndDialog(dialog, 0);
}

bool CProgressDlg::StartDisplay() {
    m_thread = CreateThread(nullptr, 0, ProgressDlgThread, nullptr, 0, nullptr);
    return m_thread != nullptr;
}

void CProgressDlg::ShowProgress(int value, int percent) {
    HWND dialog = hDlg.load();
    if (dialog != nullptr) DrawProgress(dialog, value, percent, total);
}

void CProgressDlg::ShowStatus(const std::string& text) {
    HWND dialog = hDlg.load();
    if (dialog == nullptr) return;
    SendDlgItemMessageA(dialog, IDC_PROGRESS_STATUS, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CProgressDlg::DisableCancel() {
    HWND dialog = hDlg.load();
    if (dialog == nullptr) return;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(0, PROGRESS_DISABLE_CANCEL), 0);
}

void CProgressDlg::EndDisplay() {
    if (m_thread != nullptr) EndDialogThread();
    if (g_quitPending) {
        g_quitPending = false;
        PostQuitMessage(static_cast<int>(g_quitCode));
    }
}

void CProgressDlg::EndDialogThread() {
    EnterCriticalSection(&m_handoverLock);
    m_finished = true;
    HWND dialog = hDlg.load();
    LeaveCriticalSection(&m_handoverLock);
    if (dialog != nullptr) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(0, PROGRESS_CLOSE), 0);
    // The dialog thread may need the host thread (activation changes between the two threads'
    // windows), so the wait keeps this thread's messages flowing.
    for (;;) {
        const DWORD status = MsgWaitForMultipleObjects(1, &m_thread, FALSE, INFINITE, QS_ALLINPUT);
        if (status != WAIT_OBJECT_0 + 1) break;
        PumpMessages();
    }
    CloseHandle(m_thread);
    m_thread = nullptr;
}
