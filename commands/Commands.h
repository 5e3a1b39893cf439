// The eighteen mail commands of the context menu and the operations they share: training and
// database commands (Learn.cpp), judge-and-act commands (Judge.cpp), spam-header removal and
// list registration (ListCommands.cpp). Each handler is called by the host on its UI thread
// with the host's window, which owns every message box the command shows.
#pragma once

#include <string>
#include <vector>

#include "commands/Progress.h"
#include "platform/platform.h"

class WordList;

// The bsfilter calls of the commands: the runner's IsBsfilterAvailable and ExecBsfilter with
// the caller's options as the formatted part of the command line (an empty text judges).
// Tests put fakes here to make single runs fail or judge as they need.
struct BsfilterCalls {
    bool (*isAvailable)();
    int (*exec)(const char* input, DWORD inputLength, std::string* output, const char* options);
};
extern BsfilterCalls g_commandBsfilter;

// ---- handlers (host command callbacks) ---------------------------------------------------------
void CALLBACK CmdTreatAsSpam(HWND window, LPARAM);
void CALLBACK CmdJudgeAndAct(HWND window, LPARAM);
void CALLBACK CmdJudgeOne(HWND window, LPARAM);
void CALLBACK CmdLearnAddSpam(HWND window, LPARAM);
void CALLBACK CmdLearnAddClean(HWND window, LPARAM);
void CALLBACK CmdLearnSubSpam(HWND window, LPARAM);
void CALLBACK CmdLearnSubClean(HWND window, LPARAM);
void CALLBACK CmdUpdateDb(HWND window, LPARAM);
void CALLBACK CmdShowDbStatus(HWND window, LPARAM);
void CALLBACK CmdRemoveSpamHeader(HWND window, LPARAM);
void CALLBACK CmdAddSenderToWhiteList(HWND window, LPARAM);
void CALLBACK CmdAddSenderDomainToWhiteList(HWND window, LPARAM);
void CALLBACK CmdRemoveSenderFromWhiteList(HWND window, LPARAM);
void CALLBACK CmdRemoveSenderDomainFromWhiteList(HWND window, LPARAM);
void CALLBACK CmdRegisterSenderAsNgWord(HWND window, LPARAM);
void CALLBACK CmdRegisterSubjectAsNgWord(HWND window, LPARAM);
void CALLBACK CmdRegisterSenderAsOkWord(HWND window, LPARAM);
void CALLBACK CmdRegisterSubjectAsOkWord(HWND window, LPARAM);

// ---- training and the database -----------------------------------------------------------------
// Whether bsfilter's program files are there; if not, says so in an error box (2136/2137).
bool ConfirmBsfilterAvailable(HWND window);
// The training command: option on every selected message, then "--update", then the result
// with the database status.
void LearnSelectedMails(HWND window, const char* option);
// Trains each message of ids with option and tidies the trained ones. One bsfilter run per
// message, or with "BatchLearning" one run per batch of up to 100 messages (a batch whose run
// fails is trained again message by message; Cancel takes effect at the end of the batch being
// fetched, which trains the messages fetched before it). Tidies the trained
// ones (spam header off after "--add-clean"/"--sub-spam", sender off the white list after
// "--add-spam"/"--sub-clean", as the settings say). processed (optional) receives every
// message whose source could be fetched. Returns the number of messages trained.
int LearnMails(const std::vector<std::string>& ids, const char* option, std::vector<std::string>* processed,
               CProgressDlg* progress);
// What a probability update did to bsfilter's probability table.
struct UpdateOutcome {
    int result = 0;  // the "--update" run's result: 0 done; -1 also when it was not run
    enum Table {
        kUpdated,      // the update succeeded (or none was needed)
        kRestored,     // it failed and the copy taken before it was put back: the previous table judges
        kNotRestored,  // it failed and the copy could not be put back; it stays in copyFolder
        kNotCopied,    // no copy could be made, so the update was not run: the current table stays
    } table = kUpdated;
    std::string copyFolder;
};
// "--update" with a copy of the probability table ("*.prob.*" in the database folder) taken
// under g_bsfilterLock before it: a failed update puts the copy back (and logs it), a
// successful one drops it. Nothing else in the database folder is touched.
UpdateOutcome UpdateProbabilityTable();
// The error texts of a failed update: after training trained messages with option (the
// messages need not be trained again; "--update" can be retried alone), and of the "--update"
// command; each followed by what became of the previous table.
std::string UpdateFailureText(int trained, const char* option, const UpdateOutcome& outcome);
std::string UpdateCommandFailureText(const UpdateOutcome& outcome);
// Removes the spam header field ("X-" + "SpamHeaderFieldName") and hands the new source to the
// host. False when the name is empty or the message has no such field.
bool RemoveSpamHeader(const char* id, const char* source, DWORD length);
// Takes the sender's address and the sender's domain off the white list (in memory).
void RemoveSpamSenderFromWhiteList(const char* source);

// ---- judging and acting --------------------------------------------------------------------------
// Adds "X-<name>: <body>" in front of the message and hands it to the host. False when name or
// body is empty or the message already has the field.
bool AddSpamHeader(const char* id, const char* source, DWORD length);
// Where "GoTrash" and "GoFolder" move spam, for the current mailbox; empty otherwise.
std::string GetSpamMoveFolder();

// ---- list registration ---------------------------------------------------------------------------
// Per-message functions of the list commands: 1 when the message changed the list, else 0.
int AddSenderAddress(const char* source);
int AddSenderDomain(const char* source);
int RemoveSenderAddress(const char* source);
int RemoveSenderDomain(const char* source);
int RegisterSenderWord(WordList& list, const char* source);
int RegisterSubjectWord(WordList& list, const char* source);
// After functions: save the list to its file.
void SaveWhiteListFile();
void SaveNgWordListFile();
void SaveOkWordListFile();

// The text registered as a word: trimmed, at most the first 512 bytes (never half a
// double-byte character), trimmed again.
std::string WordFromText(const std::string& text);
