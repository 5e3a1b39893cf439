// Training bsfilter on the selected messages and maintaining its database: the four training
// commands, "--update", "--show-db-status", and the tidying that training does to messages
// (spam header off for clean mail, sender off the white list for spam).
#include <cstring>

#include "commands/Batch.h"
#include "commands/Commands.h"
#include "engine/Bsfilter.h"
#include "lists/Header.h"
#include "lists/WhiteList.h"
#include "plugin/HostApi.h"
#include "resources/resource.h"
#include "settings/Profile.h"
#include "support/Util.h"

namespace {

int ExecWithOptions(const char* input, DWORD inputLength, std::string* output, const char* options) {
    return ExecBsfilter(input, inputLength, output, "%s", options);
}

// The status report as shown to the user: every line end made CR LF.
std::string StatusReport(const std::string& output) {
    std::string text = output;
    NormalizeLineEnds(text);
    return text;
}

}  // namespace

BsfilterCalls g_commandBsfilter = {IsBsfilterAvailable, ExecWithOptions};

bool ConfirmBsfilterAvailable(HWND window) {
    if (g_commandBsfilter.isAvailable()) return true;
    MessageBoxA(window, LoadResString(IDS_BSFILTER_UNAVAILABLE).c_str(),
                LoadResString(IDS_BSFILTER_UNAVAILABLE_CAPTION).c_str(), MB_ICONERROR);
    return false;
}

bool RemoveSpamHeader(const char* id, const char* source, DWORD length) {
    const std::string name = g_profile.SpamHeaderFieldName();
    if (name.empty()) return false;
    const std::string field = "X-" + name;
    std::string newText;
    if (!RemoveHeaderField(field.c_str(), source, static_cast<int>(length), &newText)) return false;
    g_hostApi.SetSource(id, newText.c_str());
    return true;
}

void RemoveSpamSenderFromWhiteList(const char* source) {
    const std::string from = GetHeaderField(source, "From");
    char name[1024];
    char address[kAddressSize];
    ParseAddress(from.c_str(), name, sizeof(name), address);
    const std::string domain = DomainOf(address);
    if (address[0] != '\0' && g_whiteList.Contains(address)) g_whiteList.Remove(address);
    if (!domain.empty() && g_whiteList.Contains(domain)) g_whiteList.Remove(domain);
}

int LearnMails(const std::vector<std::string>& ids, const char* option, std::vector<std::string>* processed,
               CProgressDlg* progress) {
    const bool cleanOption = std::strcmp(option, "--add-clean") == 0 || std::strcmp(option, "--sub-spam") == 0;
    const bool spamOption = std::strcmp(option, "--add-spam") == 0 || std::strcmp(option, "--sub-clean") == 0;
    int trained = 0;
    ForEachMail(ids, progress, [&](const char* id, const char* source, DWORD length) {
        std::string output;
        if (g_commandBsfilter.exec(source, length, &output, option) == 0) {
            ++trained;
            if (cleanOption && !g_profile.DontRemoveSpamHeader()) RemoveSpamHeader(id, source, length);
            if (spamOption && g_profile.RemoveSpamFromWhiteList()) RemoveSpamSenderFromWhiteList(source);
        }
        if (processed != nullptr) processed->push_back(id);
    });
    return trained;
}

void LearnSelectedMails(HWND window, const char* option) {
    if (!ConfirmBsfilterAvailable(window)) return;
    Batch batch(window, LoadResString(IDS_LEARN_TITLE, option));
    if (!batch.Begin(LoadResString(IDS_LEARN_CONFIRM, option))) return;
    const int trained = LearnMails(batch.Selected(), option, nullptr, batch.Progress());
    batch.WindDown();
    int updateResult = 0;
    if (trained > 0) {
        std::string discarded;
        updateResult = g_commandBsfilter.exec(nullptr, 0, &discarded, "--update");
    }
    batch.Finish();
    if (trained > 0 && updateResult != 0) {
        batch.ShowError(LoadResString(IDS_LEARN_FAILED), LoadResString(IDS_LEARN_CAPTION));
        return;
    }
    std::string status;
    std::string text = LoadResString(IDS_LEARN_RESULT, trained, option);
    if (g_commandBsfilter.exec(nullptr, 0, &status, "--show-db-status") == 0) text += "\r\n\r\n" + StatusReport(status);
    batch.ShowResult(text, LoadResString(IDS_LEARN_CAPTION));
}

void CALLBACK CmdLearnAddSpam(HWND window, LPARAM) { LearnSelectedMails(window, "--add-spam"); }
void CALLBACK CmdLearnAddClean(HWND window, LPARAM) { LearnSelectedMails(window, "--add-clean"); }
void CALLBACK CmdLearnSubSpam(HWND window, LPARAM) { LearnSelectedMails(window, "--sub-spam"); }
void CALLBACK CmdLearnSubClean(HWND window, LPARAM) { LearnSelectedMails(window, "--sub-clean"); }

void CALLBACK CmdUpdateDb(HWND window, LPARAM) {
    if (!ConfirmBsfilterAvailable(window)) return;
    WaitCursor cursor;
    std::string discarded;
    if (g_commandBsfilter.exec(nullptr, 0, &discarded, "--update") != 0) {
        cursor.Restore();
        MessageBoxA(window, LoadResString(IDS_UPDATE_DB_FAILED).c_str(), LoadResString(IDS_UPDATE_DB_CAPTION).c_str(),
                    MB_ICONERROR);
        return;
    }
    std::string status;
    std::string text = LoadResString(IDS_UPDATE_DB_DONE);
    if (g_commandBsfilter.exec(nullptr, 0, &status, "--show-db-status") == 0) text += "\r\n\r\n" + StatusReport(status);
    if (!g_profile.DisableResultMsgbox()) {
        cursor.Restore();
        MessageBoxA(window, text.c_str(), LoadResString(IDS_UPDATE_DB_CAPTION).c_str(), MB_ICONINFORMATION);
    }
}

void CALLBACK CmdShowDbStatus(HWND window, LPARAM) {
    if (!ConfirmBsfilterAvailable(window)) return;
    WaitCursor cursor;
    std::string status;
    const int result = g_commandBsfilter.exec(nullptr, 0, &status, "--show-db-status");
    cursor.Restore();
    if (result == 0) {
        // Shown whatever "DisableResultMsgbox" says: the status is what the command is for.
        const std::string text = LoadResString(IDS_DB_STATUS_DONE) + "\r\n\r\n" + StatusReport(status);
        MessageBoxA(window, text.c_str(), LoadResString(IDS_DB_STATUS_CAPTION).c_str(), MB_ICONINFORMATION);
    } else {
        MessageBoxA(window, LoadResString(IDS_DB_STATUS_FAILED).c_str(), LoadResString(IDS_DB_STATUS_CAPTION).c_str(),
                    MB_ICONERROR);
    }
}
