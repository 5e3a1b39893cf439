// The skeleton every selected-message command runs on the host's thread: confirmation,
// collection of the selection, the progress display with the host's main window disabled, the
// per-message loop (fetch, work, release, progress, cancel test), the wind-down with its
// post-work, and the result box. Also the runner of the eight list commands.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/Progress.h"
#include "platform/platform.h"

// The selected messages in the order the host reports them (identifiers of at most 255
// characters).
std::vector<std::string> GetSelectedMailIds();

// The work done on one message: its identifier and its whole source text (NUL-terminated,
// length bytes without the NUL). The source belongs to the loop and is released after the call.
typedef std::function<void(const char* id, const char* source, DWORD length)> MailWork;

// Batch phase 4 over ids: each message is fetched (a message the host cannot hand over is
// passed over without a progress step), worked on, released, counted on the progress display
// (when there is one), and the loop ends after the message during which Cancel was asked.
void ForEachMail(const std::vector<std::string>& ids, CProgressDlg* progress, const MailWork& work);

class Batch {
public:
    // window: the host window the command was called with, owner of every message box.
    // title: the command's title (confirmation caption and progress caption).
    Batch(HWND window, const std::string& title);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Phases 1 to 3. Asks confirmText (unless "DisableBeforeMsgbox"); any answer but OK ends
    // here with false and nothing else done. Then collects the selection and starts the
    // progress display over the host's main window.
    bool Begin(const std::string& confirmText);
    // Phase 4 over the selection.
    void Run(const MailWork& work) { ForEachMail(m_selected, m_progress.get(), work); }
    // Phase 5a and 5b: "後処理中..." and Cancel disabled; the post-work follows.
    void WindDown();
    // Phase 5d and 5e: the display closed and the main window enabled again.
    void Finish();

    // Phase 6: an information box unless "DisableResultMsgbox".
    void ShowResult(const std::string& text, const std::string& caption) const;
    // An error box, always shown.
    void ShowError(const std::string& text, const std::string& caption) const;

    HWND Window() const { return m_window; }
    const std::vector<std::string>& Selected() const { return m_selected; }
    CProgressDlg* Progress() const { return m_progress.get(); }

private:
    HWND m_window;
    std::string m_title;
    std::vector<std::string> m_selected;
    std::unique_ptr<CProgressDlg> m_progress;
};

// One list command: its texts, its per-message function (returns how much the message changed
// the list: 0 or 1) and its after function (saves the list).
struct ListCommand {
    UINT confirmTextId;
    UINT titleId;
    int (*perMessage)(const char* source);
    void (*after)();
    UINT resultTextId;  // one "%d": the count
    UINT resultCaptionId;
};

// Runs a list command: the batch with the per-message function summed into a count, the after
// function once after the loop (also after a cancellation or with a count of 0), an empty
// post-work, and the result text formatted with the count.
void RunListCommand(HWND window, const ListCommand& command);
