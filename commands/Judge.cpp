// Spam handling of messages already in the host's folders: treat the selection as spam,
// judge the selection and act on it, judge one message as a test. These act through host
// functions (read mark, moves, new sources, selection, the host's "FilterSelected").
#include <algorithm>
#include <cstring>

#include "commands/Batch.h"
#include "commands/Commands.h"
#include "lists/Header.h"
#include "platform/Mbcs.h"
#include "plugin/HostApi.h"
#include "resources/resource.h"
#include "settings/Profile.h"
#include "support/Util.h"

namespace {

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
    int updateResult = 0;
    if (trained > 0) {
        std::string discarded;
        updateResult = g_commandBsfilter.exec(nullptr, 0, &discarded, "--update");
    }
    if (trained > 0 && updateResult != 0) {
        batch.Finish();
        batch.ShowError(LoadResString(IDS_LEARN_FAILED), LoadResString(IDS_TREAT_SPAM_CAPTION));
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
    batch.Run([&](const char* id, const char* source, DWORD length) {
        std::string output;
        if (g_commandBsfilter.exec(source, length, &output, "") == 0) {
            spam.push_back(id);
            if (g_profile.SetReadToSpamMail()) MarkRead(id);
            if (g_profile.ProcessSpamMail() == kAddHeader) AddSpamHeader(id, source, length);
            if (g_profile.RemoveSpamFromWhiteList()) RemoveSpamSenderFromWhiteList(source);
        } else {
            // Clean, and also a run that gave no verdict.
            clean.push_back(id);
            if (!g_profile.DontRemoveSpamHeader()) RemoveSpamHeader(id, source, length);
        }
    });
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
