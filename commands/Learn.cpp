// Training bsfilter on the selected messages and maintaining its database: the four training
// commands (one bsfilter run per message, or with "BatchLearning" one run per batch of
// messages handed over as temporary files), "--update" with a copy of the probability table
// that is put back when the update fails, "--show-db-status", and the tidying that training
// does to messages (spam header off for clean mail, sender off the white list for spam).
#include <cstring>

#include "commands/Batch.h"
#include "commands/Commands.h"
#include "commands/MailBatch.h"
#include "engine/Bsfilter.h"
#include "engine/DbSnapshot.h"
#include "engine/Mirvane.h"
#include "lists/Header.h"
#include "lists/WhiteList.h"
#include "plugin/HostApi.h"
#include "resources/resource.h"
#include "settings/Profile.h"
#include "support/LockGuard.h"
#include "support/Log.h"
#include "support/Util.h"

namespace {

const char kLogSource[] = "Mirvane\\Mirvane";

int ExecWithOptions(const char* input, DWORD inputLength, std::string* output, const char* options) {
    return ExecBsfilter(input, inputLength, output, "%s", options);
}

// The status report as shown to the user: every line end made CR LF.
std::string StatusReport(const std::string& output) {
    std::string text = output;
    NormalizeLineEnds(text);
    return text;
}

// What training does to a message it trained, by option and settings.
class Tidy {
public:
    explicit Tidy(const char* option)
        : m_clean(std::strcmp(option, "--add-clean") == 0 || std::strcmp(option, "--sub-spam") == 0),
          m_spam(std::strcmp(option, "--add-spam") == 0 || std::strcmp(option, "--sub-clean") == 0) {}
    void operator()(const char* id, const char* source, DWORD length) const {
        if (m_clean && !g_profile.DontRemoveSpamHeader()) RemoveSpamHeader(id, source, length);
        if (m_spam && g_profile.RemoveSpamFromWhiteList()) RemoveSpamSenderFromWhiteList(source);
    }

private:
    bool m_clean;
    bool m_spam;
};

// Trains one message in a run of its own, with the message on standard input.
bool TrainOne(const char* option, const char* source, DWORD length) {
    std::string output;
    return g_commandBsfilter.exec(source, length, &output, option) == 0;
}

// Trains the mails of a batch in one run with their files as arguments. When that run fails,
// the token tables are put back as they were before it (a run that fails half-way has already
// trained the messages before the failing one) and every mail is trained in a run of its own,
// so one bad message cannot lose the others. Returns how many were trained.
int TrainBatch(const std::vector<BatchMail>& mails, const char* option, const Tidy& tidy) {
    const std::string arguments = BatchArguments(option, mails);
    bool trainedAll = false;
    if (!arguments.empty() && mails.size() > 1) {
        // The copy, the run and the putting back are one step for every other bsfilter user.
        LockGuard lock(&g_bsfilterLock);
        DbSnapshot tables(".batch-copy", IsTokenTableFile);
        if (tables.Take()) {
            std::string output;
            const int result = g_commandBsfilter.exec(nullptr, 0, &output, arguments.c_str());
            trainedAll = result == 0;
            if (!trainedAll) {
                const bool restored = tables.Restore();
                LOG_TEXT(LOG_ERROR, "TrainBatch()", output, "a batch of %lu messages failed: [%d]; %s.",
                         static_cast<unsigned long>(mails.size()), result,
                         restored ? "the token tables were put back, training one by one"
                                  : "the token tables could not be put back, training one by one");
            }
        }
    }
    int trained = 0;
    for (const BatchMail& mail : mails) {
        const DWORD length = static_cast<DWORD>(mail.source.size());
        if (trainedAll || TrainOne(option, mail.source.c_str(), length)) {
            ++trained;
            tidy(mail.id.c_str(), mail.source.c_str(), length);
        }
    }
    return trained;
}

// LearnMails with batch training on. Messages are fetched into a batch until it is full or the
// user cancels; a cancelled batch trains exactly the messages fetched before Cancel was seen
// (the message during which it was pressed included), so the count stays exact.
int LearnMailsInBatches(const std::vector<std::string>& ids, const char* option, std::vector<std::string>* processed,
                        CProgressDlg* progress) {
    const Tidy tidy(option);
    const size_t front = GetBsfilterCommand().size() + 1 + std::strlen(option);
    int trained = 0;
    size_t next = 0;
    bool cancelled = false;
    while (next < ids.size() && !cancelled) {
        const std::vector<BatchMail> mails = FetchBatch(ids, &next, front, progress, processed, &cancelled);
        trained += TrainBatch(mails, option, tidy);
        RemoveBatchFiles(mails);
    }
    return trained;
}

// The text that follows an update failure: whether the previous table is still judging.
std::string PreviousTableText(const UpdateOutcome& outcome) {
    switch (outcome.table) {
        case UpdateOutcome::kRestored: return LoadResString(IDS_PREVIOUS_TABLE_IN_USE);
        case UpdateOutcome::kNotRestored: return LoadResString(IDS_PREVIOUS_TABLE_LOST, outcome.copyFolder.c_str());
        case UpdateOutcome::kNotCopied: return LoadResString(IDS_TABLE_NOT_COPIED);
        default: return std::string();
    }
}

}  // namespace

BsfilterCalls g_commandBsfilter = {IsBsfilterAvailable, ExecWithOptions};

UpdateOutcome UpdateProbabilityTable() {
    UpdateOutcome outcome;
    LockGuard lock(&g_bsfilterLock);
    DbSnapshot table(".prob-copy", IsProbabilityTableFile);
    if (!table.Take()) {
        // Without a copy a failing update could leave a spoilt table: the current one stays.
        LOG(LOG_ERROR, "UpdateProbabilityTable()", "the probability table could not be copied; --update not run.");
        outcome.result = -1;
        outcome.table = UpdateOutcome::kNotCopied;
        return outcome;
    }
    std::string output;
    outcome.result = g_commandBsfilter.exec(nullptr, 0, &output, "--update");
    if (outcome.result == 0) {
        table.Discard();
        outcome.table = UpdateOutcome::kUpdated;
        return outcome;
    }
    outcome.copyFolder = table.Folder();
    if (table.Restore()) {
        outcome.table = UpdateOutcome::kRestored;
        LOG_TEXT(LOG_ERROR, "UpdateProbabilityTable()", output,
                 "--update failed: [%d]; the previous probability table was put back.", outcome.result);
    } else {
        outcome.table = UpdateOutcome::kNotRestored;
        LOG_TEXT(LOG_ERROR, "UpdateProbabilityTable()", output,
                 "--update failed: [%d]; the previous probability table could not be put back, its copy is in [%s].",
                 outcome.result, outcome.copyFolder.c_str());
    }
    return outcome;
}

std::string UpdateFailureText(int trained, const char* option, const UpdateOutcome& outcome) {
    return LoadResString(IDS_LEARN_UPDATE_FAILED, trained, option) + PreviousTableText(outcome);
}

std::string UpdateCommandFailureText(const UpdateOutcome& outcome) {
    return LoadResString(IDS_UPDATE_DB_FAILED) + PreviousTableText(outcome);
}

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
    if (g_profile.BatchLearning()) return LearnMailsInBatches(ids, option, processed, progress);
    const Tidy tidy(option);
    int trained = 0;
    ForEachMail(ids, progress, [&](const char* id, const char* source, DWORD length) {
        if (TrainOne(option, source, length)) {
            ++trained;
            tidy(id, source, length);
        }
        if (processed != nullptr) processed->push_back(id);
    });
    return trained;
}

void LearnSelectedMails(HWND window, const char* option) {
    if (!ConfirmBsfilterAvailable(window)) return;
    Batch batch(window, LoadResString(IDS_LEARN_TITLE, option));
    if (!batch.Begin(LoadResString(IDS_LEARN_CONFIRM, option))) return;
    std::vector<std::string> processed;
    const int trained = LearnMails(batch.Selected(), option, &processed, batch.Progress());
    batch.WindDown();
    UpdateOutcome update;
    if (trained > 0) update = UpdateProbabilityTable();
    batch.Finish();
    if (trained > 0 && update.result != 0) {
        batch.ShowError(UpdateFailureText(trained, option, update), LoadResString(IDS_LEARN_CAPTION));
        return;
    }
    std::string status;
    std::string text = LoadResString(IDS_LEARN_RESULT, trained, option);
    const int notTrained = static_cast<int>(processed.size()) - trained;
    if (notTrained > 0) text += LoadResString(IDS_LEARN_NOT_TRAINED, notTrained);
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
    const UpdateOutcome update = UpdateProbabilityTable();
    if (update.result != 0) {
        cursor.Restore();
        MessageBoxA(window, UpdateCommandFailureText(update).c_str(), LoadResString(IDS_UPDATE_DB_CAPTION).c_str(),
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
