// The send hook: the recipients of outgoing mail join the white list, so that their replies
// are never judged spam.
#include <map>
#include <string>
#include <vector>

#include "engine/Mirvane.h"
#include "lists/AddressInfo.h"
#include "lists/Header.h"
#include "lists/WhiteList.h"
#include "platform/Mbcs.h"
#include "plugin/DllMain.h"
#include "settings/Profile.h"
#include "support/Log.h"
#include "support/Util.h"

namespace {

const char kLogSource[] = "Mirvane\\DllMain";
const char kFunction[] = "BKC_OnSend()";
const size_t kSendNameSize = 1024;

// Address -> display name; a later item with the same address replaces the earlier name.
typedef std::map<std::string, std::string> RecipientMap;

void CollectRecipients(const char* message, const char* fieldName, RecipientMap& recipients) {
    const std::string value = GetUnfoldedHeaderField(message, fieldName);
    std::vector<char> list(value.begin(), value.end());
    list.push_back('\0');
    char name[kSendNameSize];
    char address[kAddressSize];
    for (char* token = NextAddressToken(list.data()); token != nullptr; token = NextAddressToken(nullptr)) {
        ParseAddress(token, name, sizeof(name), address);
        // Only mail addresses: a list's group name ("undisclosed-recipients:") or a bare
        // display name would otherwise become a domain entry of the white list.
        if (Mbcs::FindFirst(address, '@') != nullptr) recipients[address] = name;
    }
}

}  // namespace

int OnSend(LPCSTR message) {
    if (message == nullptr) {
        LOG(LOG_WARN, kFunction, "lpMessage == 0.");
        return 0;
    }
    if (!g_profile.AddToAddrToWhiteListOnSend()) return 0;

    char name[kSendNameSize];
    char senderAddress[kAddressSize];
    ParseAddress(GetUnfoldedHeaderField(message, "From").c_str(), name, sizeof(name), senderAddress);
    const std::string sender = senderAddress;

    RecipientMap recipients;
    for (const char* field : {"To", "Cc", "Bcc"}) CollectRecipients(message, field, recipients);

    EnterCriticalSection(&g_settingsLock);
    bool changed = false;
    for (const auto& recipient : recipients) {
        const std::string& address = recipient.first;
        if (g_myMailAddressInfo.Contains(address)) {
            LOG(LOG_INFO, kFunction, "in my email list: email: [%s].", address.c_str());
            continue;
        }
        if (SameMailAddress(address, sender)) {
            LOG(LOG_INFO, kFunction, "in from: email: [%s].", address.c_str());
            continue;
        }
        // While the settings sheet holds a copy of the white list, recipients wait aside.
        WhiteList& target = g_setupOpen ? g_pendingWhiteList : g_whiteList;
        bool exists = false;
        if (!target.CanAdd(address, &exists)) continue;
        const std::string note = Trim(recipient.second);
        if (!exists || !note.empty()) {
            target.AddOrUpdate(address, note);
            if (&target == &g_whiteList) {
                LOG(LOG_INFO, kFunction, "add or update white list: [%s].", address.c_str());
                changed = true;
            }
        }
    }
    if (!g_setupOpen && changed) g_whiteList.Save(g_whiteListPath);
    LeaveCriticalSection(&g_settingsLock);
    return 0;
}
