// The platform-neutral half of the progress display: the object's life, the percentage, the
// texts, and the order of the steps. Progress_win.cpp and Progress_posix.cpp show them.
#include "commands/Progress.h"

#include "resources/resource.h"
#include "support/Util.h"

std::atomic<CProgressDlg*> g_progressDlg(nullptr);

int ProgressPercent(int value, int total) {
    if (value >= total) return 100;
    // total >= 1 here; the product is taken in floating point so large counts cannot overflow.
    return static_cast<int>(value * 100.0 / total);
}

CProgressDlg::CProgressDlg(HWND ownerWindow, const std::string& titleText, int totalCount)
    : current(0), total(totalCount), hDlg(nullptr), owner(ownerWindow), title(titleText), cancelled(false) {
    InitializeCriticalSection(&m_handoverLock);
}

CProgressDlg::~CProgressDlg() {
    Close();
    DeleteCriticalSection(&m_handoverLock);
}

void CProgressDlg::Start() {
    if (m_started) return;
    m_started = true;
    g_progressDlg.store(this);
    EnableWindow(owner, FALSE);
    m_ownerDisabled = true;
    if (!StartDisplay()) {
        // No display: the batch runs without one, and the owner stays usable.
        EnableWindow(owner, TRUE);
        m_ownerDisabled = false;
    }
}

void CProgressDlg::SetProgress(int value) {
    PumpMessages();
    ShowProgress(value, ProgressPercent(value, total));
    PumpMessages();
}

void CProgressDlg::Step() {
    SetProgress(++current);
    PumpMessages();
}

void CProgressDlg::WindDown() {
    const std::string text = LoadResString(IDS_PROGRESS_WINDING_DOWN);
    PumpMessages();
    ShowStatus(text);
    DisableCancel();
    PumpMessages();
}

void CProgressDlg::Close() {
    if (!m_started || m_closed) return;
    m_closed = true;
    PumpMessages();
    EndDisplay();
    if (m_ownerDisabled) {
        EnableWindow(owner, TRUE);
        m_ownerDisabled = false;
    }
    CProgressDlg* self = this;
    g_progressDlg.compare_exchange_strong(self, nullptr);
}
