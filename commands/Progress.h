// The progress display of the batch commands. CProgressDlg is the state a running batch
// shares with its display; the batch drives it through the few operations below, whose
// presentation is per platform: on Windows a modal dialog (template 150) on a thread of its
// own (Progress_win.cpp), on Linux a bar on the terminal (Progress_posix.cpp). The arithmetic
// and the texts are the same on both (Progress.cpp).
#pragma once

#include <atomic>
#include <string>

#include "platform/platform.h"

// Private commands the batch posts to the dialog: WM_COMMAND with the code in the high word
// of wParam and 0 in the low word.
constexpr WORD PROGRESS_DISABLE_CANCEL = 0x8009;  // disable the Cancel button
constexpr WORD PROGRESS_CLOSE = 0x800A;           // end the dialog with result 0

class CProgressDlg {
public:
    // current 0, hDlg null, cancelled false.
    CProgressDlg(HWND ownerWindow, const std::string& titleText, int totalCount);
    // Closes the display if the batch has not done so (the dialog thread is always over
    // before the object goes).
    virtual ~CProgressDlg();
    CProgressDlg(const CProgressDlg&) = delete;
    CProgressDlg& operator=(const CProgressDlg&) = delete;

    // Batch phase 3: makes this the batch in progress (g_progressDlg), disables the owner and
    // shows the display. Without a display (the dialog thread could not be started) the batch
    // goes on and every display operation does nothing.
    void Start();
    // Shows value of total: the bar at the percentage and text 2239 ("%d / %d を処理中...").
    void SetProgress(int value);
    // Batch phase 4d: one more message done (current + 1, SetProgress, PumpMessages).
    void Step();
    // Whether the user asked to cancel; the batch tests it between messages.
    bool Cancelled() const { return cancelled.load(); }
    // Batch phase 5a and 5b: status text 2240 ("後処理中...") and Cancel disabled.
    void WindDown();
    // Batch phase 5d and 5e: closes the display, waits until the dialog thread is over,
    // enables the owner again and clears g_progressDlg. Safe to call more than once.
    void Close();

    // Called by the dialog thread when the dialog exists (WM_INITDIALOG).
    void OnInitDialog(HWND dialog);

    std::atomic<int> current;
    int total;
    std::atomic<HWND> hDlg;
    HWND owner;
    std::string title;
    std::atomic<bool> cancelled;

private:
    // Per-platform parts of the operations above.
    bool StartDisplay();
    void ShowProgress(int value, int percent);
    void ShowStatus(const std::string& text);
    void DisableCancel();
    void EndDisplay();
    void EndDialogThread();

    bool m_started = false;
    bool m_closed = false;
    bool m_ownerDisabled = false;
    // Windows: the dialog thread, and the hand-over between a batch that ends and a dialog
    // that is still being created (guarded by m_handoverLock).
    HANDLE m_thread = nullptr;
    CRITICAL_SECTION m_handoverLock;
    bool m_finished = false;
};

// The batch in progress; the dialog thread reaches its object only through it. Set right
// before the display starts, cleared once the dialog thread is over.
extern std::atomic<CProgressDlg*> g_progressDlg;

// Percentage shown for value of total: 100 once value reaches total (total 0 included),
// otherwise value * 100 / total truncated toward zero.
int ProgressPercent(int value, int total);

// Removes and handles every message waiting in the calling thread's queue and returns when it
// is empty. A WM_QUIT ends the pumping; it is kept for the host's own loop (see Progress_win).
void PumpMessages();
