// Window helpers of the Windows host: the host's message-box watcher, its UI driver and the
// tests' fake host find the plug-in's dialogs, read their windows and press their buttons with
// these, so that there is one reading of a message box.
#pragma once

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace HostWindows {

// The window's class name (up to 63 characters) and its text.
std::string ClassOf(HWND window);
std::string TextOf(HWND window);

// This process's visible top-level dialogs (class #32770), topmost first.
std::vector<HWND> ProcessDialogs();

// Presses a button of a dialog as a click does: posts its BN_CLICKED.
void PressButton(HWND dialog, int id);

// What a dialog shows, read from its child windows.
struct DialogReading {
    HWND dialog = nullptr;
    std::string caption;
    bool isProgress = false;    // it has a progress bar (the plug-in's progress dialog)
    bool isMessageBox = false;  // only a text, buttons and perhaps an icon
    std::string text;           // a message box's text
    std::set<int> buttons;      // the ids of its buttons
    unsigned type = 0;          // a message box's MB_ buttons and icon flags, as it was asked for
};
DialogReading ReadDialog(HWND dialog);

// A thread that reads every dialog of this process once, as it appears, and hands the reading
// to the handler (on the watcher's thread). A window handle that comes back for a later dialog
// counts as new.
class DialogWatcher {
public:
    ~DialogWatcher() { Stop(); }
    // Starts watching; false when the thread cannot be created. Does nothing while watching.
    bool Start(std::function<void(const DialogReading&)> handler);
    // Stops and waits for the thread (up to 5 s).
    void Stop();

private:
    static DWORD WINAPI Run(LPVOID self);
    std::function<void(const DialogReading&)> m_handler;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_stop{false};
};

}  // namespace HostWindows
