// Spam handling of messages already in the host's folders: treat the selection as spam,
// judge the selection and act on it (with "BatchLearning" one "--list-spam" run per batch of
// messages), judge one message as a test. These act through host functions (read mark, moves,
// new sources, selection, the host's "FilterSelected").
#include <algorithm>
#include <cstring>
#include <functional>

#include "commands/Batch.h"
#include "commands/Commands.h"
#include "commands/MailBatch.h"
#include "engine/Bsfilter.h"
#include "lists/Header.h"
#include "platform/Mbcs.h"
#include "plugin/HostApi.h"
#include "resources/resource.h"
#include "settings/Profile.h"
#include "support/Log.h"
#include "support/Util.h"

namespace {

const char kLogSource[] = "Mirvane\\Mirvane";

bool Contains(const std::vector<std::string>& ids, const std::string& id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

void MarkRead(const char* id) {
    // The host may be one without BKA_SetStatus (it is optional in the host table).
    if (g_hostApi.SetStatus != nullptr) g_hostApi.SetStatus(id, 1, 0);
}

void MoveMessages(const std::string& folder, const std::vector<std::string>& ids) {
    if (folder.empty() || ids.empty() || g_hostApi.MoveMessages == nullptr) return;
    std::string list;
    for (const std::string& id : ids) {
        if (!list.empty()) list += '|';
        list += id;
    }
    g_hostApi.MoveMessages(folder.c_str(), list.c_str(), FALSE);
}

std::string CurrentMailBoxWithBackslash() {
    const char* mailbox = g_hostApi.GetCurrentMailBox != nullptr ? g_hostApi.GetCurrentMailBox() : nullptr;
    std::string text = mailbox != nullptr ? mailbox : "";
    if (!Mbcs::EndsWith(text.c_str(), '\\')) text += '\\';
    return text;
}

void SelectAndFilter(const std::vector<std::string>& selected, const std::vector<std::string>& keep,
                     const std::vector<std::string>* alsoKeep) {
    for (const std::string& id : selected) {
        const bool select = Contains(keep, id) || (alsoKeep != nullptr && Contains(*alsoKeep, id));
        g_hostApi.SetSel(id.c_str(), select ? TRUE : FALSE);
    }
    g_hostApi.Command(nullptr, "FilterSelected");
}

// What judge-and-act does with one message and its verdict.
enum Verdict { kVerdictNone = -1, kVerdictClean = 0, kVerdictSpam = 1 };
typedef std::function<void(const char* id, const char* source, DWORD length, Verdict verdict)> MailVerdict;

// One judging run's verdict: 0 is spam, 1 clean, anything else (a failed run, or bsfilter
// reporting an error) no verdict, and the message is then left as it is.
Verdict JudgeOne(const char* source, DWORD length) {
    std::string output;
    const int result = g_commandBsfilter.exec(source, length, &output, "");
    return result == 0 ? kVerdictSpam : result == 1 ? kVerdictClean : kVerdictNone;
}

// Judges the messages of ids with one "--list-spam" run per batch, which names the files that a
// run of their own would call spam. A run that fails, or whose output is not a list of the
// batch's files (a Ruby error, say), gives way to one judging run per message of the batch.
// Cancel ends the loop after the batch being fetched, as the messages judged are acted on.
void JudgeInBatches(const std::vector<std::string>& ids, CProgressDlg* progress, const MailVerdict& act) {
    static const char kList[] = "--list-spam";
    const size_t front = GetBsfilterCommand().size() + 1 + sizeof(kList) - 1;
    size_t next = 0;
    bool cancelled = false;
    while (next < ids.size() && !cancelled) {
        const std::vector<BatchMail> mails = FetchBatch(ids, &next, front, progress, nullptr, &cancelled);
        const std::string arguments = BatchArguments(kList, mails);
        std::vector<bool> listed;
        bool judged = false;
        if (!arguments.empty() && mails.size() > 1) {
            std::string output;
            // bsfilter exits 0 when it found spam among the files, 1 when it found none.
            const int result = g_commandBsfilter.exec(nullptr, 0, &output, arguments.c_str());
            judged = (result == 0 || result == 1) && ListedMails(output, mails, &listed) &&
                     (result == 0) == (std::find(listed.begin(), listed.end(), true) != listed.end());
            if (!judged) {
                LOG_TEXT(LOG_ERROR, "JudgeInBatches()", output,
                         "a batch of %lu messages gave no verdicts: [%d]; judging one by one.",
                         static_cast<unsigned long>(mails.size()), result);
            }
        }
        for (size_t i = 0; i < mails.size(); ++i) {
            const BatchMail& mail = mails[i];
            const DWORD length = static_cast<DWORD>(mail.source.size());
            act(mail.id.c_str(), mail.source.c_str(), length,
                judged ? (listed[i] ? kVerdictSpam : kVerdictClean) : JudgeOne(mail.source.c_str(), length));
        }
        RemoveBatchFiles(mails);
    }
}

}  // namespace

bool AddSpamHeader(const char* id, const char* source, DWORD length) {
    const std::string name = g_profile.SpamHeaderFieldName();
    const std::string body = g_profile.SpamHeaderFieldBody();
    if (name.empty() || body.empty()) return false;
    const std::string field = "X-" + name;
    const std::string line = field + ": " + body + "\r\n";
    std::string newText;
    if (!PrependHeaderField(line.c_str(), source, static_cast<int>(length), field.c_str(), &newText)) return false;
    g_hostApi.SetSource(id, newText.c_str());
    return true;
}

std::string GetSpamMoveFolder() {
    switch (g_profile.ProcessSpamMail()) {
        case kGoTrash:
            return CurrentMailBoxWithBackslash() + "!Trash\\";
        case kGoFolder: {
            const std::string folder = g_profile.SpamFolder();
            if (!g_profile.GoFolderSameRelativeFolderPath()) return folder;
            const char* backslash = Mbcs::FindFirst(folder.c_str(), '\\');
            if (backslash == nullptr || backslash == folder.c_str()) return folder;
            return CurrentMailBoxWithBackslash() + (backslash + 1);
        }
        default:
            return std::string();
    }
}

void CALLBACK CmdTreatAsSpam(HWND window, LPARAM) {
    if (!ConfirmBsfilterAvailable(window)) return;
    Batch batch(window, LoadResString(IDS_TREAT_SPAM_TITLE));
    if (!batch.Begin(LoadResString(IDS_TREAT_SPAM_CONFIRM))) return;
    std::vector<std::string> processed;
    const int trained = LearnMails(batch.Selected(), "--add-spam", &processed, batch.Progress());
    batch.WindDown();
    UpdateOutcome update;
    if (trained > 0) update = UpdateProbabilityTable();
    if (trained > 0 && update.result != 0) {
        batch.Finish();
        batch.ShowError(UpdateFailureText(trained, "--add-spam", update), LoadResString(IDS_TREAT_SPAM_CAPTION));
        return;
    }

    const int action = g_profile.ProcessSpamMail();
    std::vector<std::string> moves;
    for (const std::string& id : processed) {
        if (g_profile.SetReadToSpamMail()) MarkRead(id.c_str());
        if (action == kGoTrash || action == kGoFolder) {
            moves.push_back(id);
        } else if (action == kAddHeader) {
            char* source = g_hostApi.GetSource(id.c_str());
            if (source != nullptr) {
                AddSpamHeader(id.c_str(), source, static_cast<DWORD>(std::strlen(source)));
                g_hostApi.Free(source);
            }
        }
    }
    if (action == kGoTrash || action == kGoFolder) {
        MoveMessages(GetSpamMoveFolder(), moves);
    } else if (action == kAddHeader) {
        SelectAndFilter(batch.Selected(), processed, nullptr);
    }
    batch.Finish();
    batch.ShowResult(LoadResString(IDS_TREAT_SPAM_RESULT, static_cast<int>(batch.Selected().size()), trained),
                     LoadResString(IDS_TREAT_SPAM_CAPTION));
}

void CALLBACK CmdJudgeAndAct(HWND window, LPARAM) {
    if (!ConfirmBsfilterAvailable(window)) return;
    Batch batch(window, LoadResString(IDS_JUDGE_TITLE));
    if (!batch.Begin(LoadResString(IDS_JUDGE_CONFIRM))) return;
    std::vector<std::string> spam;
    std::vector<std::string> clean;
    const MailVerdict act = [&](const char* id, const char* source, DWORD length, Verdict verdict) {
        if (verdict == kVerdictSpam) {
            spam.push_back(id);
            if (g_profile.SetReadToSpamMail()) MarkRead(id);
            if (g_profile.ProcessSpamMail() == kAddHeader) AddSpamHeader(id, source, length);
            if (g_profile.RemoveSpamFromWhiteList()) RemoveSpamSenderFromWhiteList(source);
        } else {
            // Clean, or no verdict: the host's own filters still see the message, but only a
            // clean verdict takes a spam header off (a broken bsfilter must not unmark spam).
            clean.push_back(id);
            if (verdict == kVerdictNone) return;
            if (!g_profile.DontRemoveSpamHeader()) RemoveSpamHeader(id, source, length);
        }
    };
    if (g_profile.BatchLearning()) {
        JudgeInBatches(batch.Selected(), batch.Progress(), act);
    } else {
        batch.Run([&](const char* id, const char* source, DWORD length) {
            act(id, source, length, JudgeOne(source, length));
        });
    }
    batch.WindDown();
    const int action = g_profile.ProcessSpamMail();
    if (action == kGoTrash || action == kGoFolder) {
        const std::string folder = GetSpamMoveFolder();
        for (const std::string& id : spam) g_hostApi.SetSel(id.c_str(), FALSE);
        MoveMessages(folder, spam);
    }
    SelectAndFilter(batch.Selected(), clean, action == kAddHeader ? &spam : nullptr);
    batch.Finish();
    batch.ShowResult(LoadResString(IDS_JUDGE_RESULT, static_cast<int>(batch.Selected().size()),
                                   static_cast<int>(spam.size())),
                     LoadResString(IDS_JUDGE_CAPTION));
}

void CALLBACK CmdJudgeOne(HWND window, LPARAM) {
    if (!ConfirmBsfilterAvailable(window)) return;
    WaitCursor cursor;
    char* source = g_hostApi.GetSource(nullptr);
    if (source == nullptr) return;
    std::string output;
    const int verdict = g_commandBsfilter.exec(source, static_cast<DWORD>(std::strlen(source)), &output, "");
    g_hostApi.Free(source);
    NormalizeLineEnds(output);
    const UINT textId = verdict == 0 ? IDS_JUDGE_ONE_SPAM : verdict == 1 ? IDS_JUDGE_ONE_CLEAN : IDS_JUDGE_ONE_FAILED;
    const std::string text = LoadResString(textId) + "\r\n\r\n" + output;
    cursor.Restore();
    MessageBoxA(window, text.c_str(), LoadResString(IDS_JUDGE_ONE_CAPTION).c_str(), MB_ICONINFORMATION);
}
