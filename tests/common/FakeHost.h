// A small fake of the host mail client for tests of code that calls the host functions
// (g_hostApi): a message list with a selection, a current message and mailbox, sources that
// can be replaced or be missing, and a record of every call that changes something
// (SetSource, SetStatus, MoveMessages, SetSel, Command, RegisterCommand, RegisterUICallback).
// Sources handed out are counted until BKA_Free, so a test can prove nothing leaks.
//
// Also the user's side of a command: message boxes are recorded and answered from a script
// (Linux: through the platform's message-box hook; Windows: a watcher thread that reads and
// presses the real boxes), and a running batch can be cancelled after its n-th message
// (Linux: the progress cancel hook; Windows: the Cancel button of the real dialog).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "plugin/HostApi.h"

namespace testing_host {

// One recorded host call: its name without "BKA_" and its arguments as text.
struct HostCall {
    std::string name;
    std::vector<std::string> args;
};

// One message box as the user saw it. type is exact on Linux; on Windows only the button set
// can be read back from the window, so it holds MB_OKCANCEL or MB_OK.
struct Box {
    std::string caption;
    std::string text;
    unsigned type = 0;
};

class FakeHost {
public:
    // Installs itself into g_hostApi (the previous table comes back at destruction). Only one
    // FakeHost may exist at a time.
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // ---- the message list ----
    void AddMessage(const std::string& id, const std::string& source);
    // Selects exactly these (in list order, as the host reports a selection).
    void Select(const std::vector<std::string>& ids);
    void SelectAll();
    // BKA_GetSource answers null for this message from now on.
    void MakeSourceMissing(const std::string& id);
    void SetCurrentMessage(const std::string& id);  // "" = none
    void SetCurrentMailBox(const std::string& mailbox);

    std::string Source(const std::string& id) const;
    std::vector<std::string> SelectedIds() const;
    bool IsSelected(const std::string& id) const;

    // ---- what happened ----
    const std::vector<HostCall>& Calls() const { return m_calls; }
    std::vector<HostCall> CallsNamed(const std::string& name) const;
    void ClearCalls() { m_calls.clear(); }
    int GetNextMailCalls() const { return m_getNextMailCalls; }
    int GetSourceCalls() const { return m_getSourceCalls; }
    // Sources handed out and not yet freed.
    int OutstandingSources() const { return m_outstanding; }

    struct Registered {
        UINT id;
        std::string text;
        int target;
        BkCommandCallback handler;
        BkUICallback stateCallback;
    };
    const std::vector<Registered>& Commands() const { return m_commands; }
    // Runs the registered command with this text, as the host does when the item is chosen.
    bool RunCommand(const std::string& text);

    // The host's main window: a real (hidden) window on Windows, a token on Linux.
    HWND MainWindow() const { return m_mainWindow; }

    // ---- the user ----
    // Answers of the next message boxes, in order; a box without a scripted answer gets IDOK.
    void AnswerBoxes(const std::vector<int>& answers);
    // The boxes shown so far, and forgets them.
    std::vector<Box> TakeBoxes();
    // Presses Cancel of the running batch once its n-th message is done (0: never).
    void CancelAfter(int messages);

    // Called with the identifier of each source the host takes back (BKA_Free), right after.
    std::function<void(const std::string& id)> onFree;

    // ---- internals shared by the host functions and the platform parts ----
    static FakeHost* Instance();
    // Records a box and gives the scripted answer (thread-safe: the Windows watcher calls it).
    int NextBoxAnswer(const Box& box);
    // Whether Cancel is due now that done messages are finished (true once).
    bool CancelDue(int done);
    void Record(const std::string& name, const std::vector<std::string>& args);
    // Platform part: a source came back to the host.
    void SourceFreed();

    struct Message {
        std::string id;
        std::string source;
        bool selected = false;
        bool missing = false;
    };
    std::vector<Message> m_messages;
    std::map<const void*, std::string> m_handedOut;  // source pointer -> message id
    std::string m_current;
    std::string m_mailbox = "mailbox1\\";
    std::vector<Registered> m_commands;
    int m_getNextMailCalls = 0;
    int m_getSourceCalls = 0;
    int m_outstanding = 0;
    int m_freed = 0;
    int m_freedAtCancelRequest = 0;
    HWND m_mainWindow = nullptr;
    void* m_user = nullptr;  // platform part's state

private:
    // Platform parts (FakeHost_win.cpp / FakeHost_posix.cpp).
    void StartUser();
    void StopUser();

    HostApi m_saved;
    std::vector<HostCall> m_calls;
    CRITICAL_SECTION m_boxLock;
    std::deque<int> m_answers;
    std::vector<Box> m_boxes;
    int m_cancelAfter = 0;
    bool m_cancelFired = false;
};

}  // namespace testing_host
