// Commands that work on the selected messages without bsfilter: removing the spam header,
// and taking senders, sender domains and subjects into the white list and the word lists.
#include "commands/Batch.h"
#include "commands/Commands.h"
#include "engine/Mirvane.h"
#include "lists/AddressInfo.h"
#include "lists/Header.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "platform/Mbcs.h"
#include "resources/resource.h"
#include "support/Util.h"

namespace {

// Longest word taken from a message, in bytes.
constexpr size_t kWordMaxBytes = 512;
// Display-name buffer of the list commands.
constexpr size_t kNameSize = 4096;

struct Sender {
    std::string name;     // decoded display name
    std::string address;  // mail address, at most 511 bytes
};

Sender SenderOf(const char* source) {
    const std::string from = GetUnfoldedHeaderField(source, "From");
    char name[kNameSize];
    char address[kAddressSize];
    ParseAddress(from.c_str(), name, sizeof(name), address);
    return Sender{name, address};
}

// Adds key (an address or a domain) with the sender's name as its note, by the rule that a
// note once set is never overwritten and an empty note never replaces another. An empty key and
// one of the user's own (ownKey) are never added.
int AddToWhiteList(const std::string& key, bool ownKey, const std::string& displayName) {
    if (key.empty() || ownKey) return 0;
    bool exists = false;
    if (!g_whiteList.CanAdd(key, &exists)) return 0;
    const std::string note = Trim(displayName);
    if (exists && note.empty()) return 0;
    g_whiteList.AddOrUpdate(key, note);
    return 1;
}

int RemoveFromWhiteList(const std::string& key) {
    if (key.empty() || !g_whiteList.Contains(key)) return 0;
    g_whiteList.Remove(key);
    return 1;
}

int RegisterWord(WordList& list, const std::string& text, int target) {
    const std::string word = WordFromText(text);
    if (word.empty()) return 0;
    list.AddOrUpdate(word, target, false, false);
    return 1;
}

int RegisterNgSender(const char* source) { return RegisterSenderWord(g_ngWordList, source); }
int RegisterNgSubject(const char* source) { return RegisterSubjectWord(g_ngWordList, source); }
int RegisterOkSender(const char* source) { return RegisterSenderWord(g_okWordList, source); }
int RegisterOkSubject(const char* source) { return RegisterSubjectWord(g_okWordList, source); }

const ListCommand kAddSender = {IDS_ADD_SENDER_CONFIRM, IDS_ADD_SENDER_TITLE, AddSenderAddress,
                                SaveWhiteListFile, IDS_ADD_SENDER_RESULT, IDS_ADD_SENDER_CAPTION};
const ListCommand kAddDomain = {IDS_ADD_DOMAIN_CONFIRM, IDS_ADD_DOMAIN_TITLE, AddSenderDomain,
                                SaveWhiteListFile, IDS_ADD_DOMAIN_RESULT, IDS_ADD_DOMAIN_CAPTION};
const ListCommand kRemoveSender = {IDS_REMOVE_SENDER_CONFIRM, IDS_REMOVE_SENDER_TITLE, RemoveSenderAddress,
                                   SaveWhiteListFile, IDS_REMOVE_SENDER_RESULT, IDS_REMOVE_SENDER_CAPTION};
const ListCommand kRemoveDomain = {IDS_REMOVE_DOMAIN_CONFIRM, IDS_REMOVE_DOMAIN_TITLE, RemoveSenderDomain,
                                   SaveWhiteListFile, IDS_REMOVE_DOMAIN_RESULT, IDS_REMOVE_DOMAIN_CAPTION};
const ListCommand kNgSender = {IDS_NG_SENDER_CONFIRM, IDS_NG_SENDER_TITLE, RegisterNgSender,
                               SaveNgWordListFile, IDS_NG_SENDER_RESULT, IDS_NG_SENDER_CAPTION};
const ListCommand kNgSubject = {IDS_NG_SUBJECT_CONFIRM, IDS_NG_SUBJECT_TITLE, RegisterNgSubject,
                                SaveNgWordListFile, IDS_NG_SUBJECT_RESULT, IDS_NG_SUBJECT_CAPTION};
const ListCommand kOkSender = {IDS_OK_SENDER_CONFIRM, IDS_OK_SENDER_TITLE, RegisterOkSender,
                               SaveOkWordListFile, IDS_OK_SENDER_RESULT, IDS_OK_SENDER_CAPTION};
const ListCommand kOkSubject = {IDS_OK_SUBJECT_CONFIRM, IDS_OK_SUBJECT_TITLE, RegisterOkSubject,
                                SaveOkWordListFile, IDS_OK_SUBJECT_RESULT, IDS_OK_SUBJECT_CAPTION};

}  // namespace

std::string WordFromText(const std::string& text) {
    const std::string trimmed = Trim(text);
    // The cut keeps whole characters: half a double-byte character would be a corrupted word.
    const size_t keep = Mbcs::CutLength(trimmed.c_str(), trimmed.size(), kWordMaxBytes);
    return Trim(trimmed.substr(0, keep));
}

int AddSenderAddress(const char* source) {
    const Sender sender = SenderOf(source);
    return AddToWhiteList(sender.address, g_myMailAddressInfo.Contains(sender.address), sender.name);
}

int AddSenderDomain(const char* source) {
    const Sender sender = SenderOf(source);
    const std::string domain = DomainOf(sender.address);
    return AddToWhiteList(domain, g_myMailAddressInfo.IsOwnDomain(domain), sender.name);
}

int RemoveSenderAddress(const char* source) { return RemoveFromWhiteList(SenderOf(source).address); }

int RemoveSenderDomain(const char* source) { return RemoveFromWhiteList(DomainOf(SenderOf(source).address)); }

int RegisterSenderWord(WordList& list, const char* source) {
    return RegisterWord(list, SenderOf(source).name, kTargetSender);
}

int RegisterSubjectWord(WordList& list, const char* source) {
    return RegisterWord(list, GetDecodedHeaderField(source, "Subject"), kTargetSubject);
}

void SaveWhiteListFile() { g_whiteList.Save(g_whiteListPath); }
void SaveNgWordListFile() { g_ngWordList.Save(g_ngWordListPath); }
void SaveOkWordListFile() { g_okWordList.Save(g_okWordListPath); }

void CALLBACK CmdRemoveSpamHeader(HWND window, LPARAM) {
    Batch batch(window, LoadResString(IDS_REMOVE_HEADER_TITLE));
    if (!batch.Begin(LoadResString(IDS_REMOVE_HEADER_CONFIRM))) return;
    int count = 0;
    batch.Run([&](const char* id, const char* source, DWORD length) {
        if (RemoveSpamHeader(id, source, length)) ++count;
    });
    batch.WindDown();
    batch.Finish();
    batch.ShowResult(LoadResString(IDS_REMOVE_HEADER_RESULT, static_cast<int>(batch.Selected().size()), count),
                     LoadResString(IDS_REMOVE_HEADER_CAPTION));
}

void CALLBACK CmdAddSenderToWhiteList(HWND window, LPARAM) { RunListCommand(window, kAddSender); }
void CALLBACK CmdAddSenderDomainToWhiteList(HWND window, LPARAM) { RunListCommand(window, kAddDomain); }
void CALLBACK CmdRemoveSenderFromWhiteList(HWND window, LPARAM) { RunListCommand(window, kRemoveSender); }
void CALLBACK CmdRemoveSenderDomainFromWhiteList(HWND window, LPARAM) { RunListCommand(window, kRemoveDomain); }
void CALLBACK CmdRegisterSenderAsNgWord(HWND window, LPARAM) { RunListCommand(window, kNgSender); }
void CALLBACK CmdRegisterSubjectAsNgWord(HWND window, LPARAM) { RunListCommand(window, kNgSubject); }
void CALLBACK CmdRegisterSenderAsOkWord(HWND window, LPARAM) { RunListCommand(window, kOkSender); }
void CALLBACK CmdRegisterSubjectAsOkWord(HWND window, LPARAM) { RunListCommand(window, kOkSubject); }
