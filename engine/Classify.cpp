// Classification of incoming messages: white list, OK words, bsfilter, NG words; and the spam
// action answered to the host (move, read mark, header line).
#include "engine/Classify.h"

#include <cstring>
#include <string>

#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"
#include "lists/Header.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "platform/Mbcs.h"
#include "plugin/HostApi.h"
#include "settings/Profile.h"
#include "support/Log.h"
#include "support/Util.h"

int g_action = 0;

namespace {

const char kLogSource[] = "Mirvane\\DllMain";
const char kFunction[] = "BKC_OnBeforeFilter2()";
const size_t kFilterNameSize = 4096;

// Copies text into memory the host takes over. Null when the host has no memory for it.
char* HostCopy(const std::string& text) {
    if (g_hostApi.Alloc == nullptr) return nullptr;
    char* memory = static_cast<char*>(g_hostApi.Alloc(static_cast<int>(text.size() + 1)));
    if (memory != nullptr) std::memcpy(memory, text.c_str(), text.size() + 1);
    return memory;
}

// Answers action with code and the parameter text; a failed allocation answers nothing.
int Answer(char** param, int* action, int code, const std::string& text, int result) {
    char* memory = HostCopy(text);
    if (memory == nullptr) return 0;
    *action = code;
    *param = memory;
    return result;
}

}  // namespace

int MakeSpamAction(char** param, LPCSTR mailbox, int* action) {
    *action = -1;
    switch (g_profile.ProcessSpamMail()) {
        case kGoTrash:
            return Answer(param, action, 0, "\\!Trash\\", 2);
        case kGoFolder: {
            std::string folder = g_profile.SpamFolder();
            if (folder.empty()) return 0;
            if (g_profile.GoFolderSameRelativeFolderPath() && mailbox != nullptr) {
                // The folder at the same place, but inside the receiving mailbox.
                const char* slash = Mbcs::FindFirst(folder.c_str(), '\\');
                if (slash != nullptr && slash != folder.c_str()) {
                    std::string mapped = mailbox;
                    if (!Mbcs::EndsWith(mapped.c_str(), '\\')) mapped += '\\';
                    mapped += slash + 1;
                    folder = mapped;
                }
            }
            return Answer(param, action, 0, folder, 2);
        }
        case kAddHeader: {
            const std::string name = g_profile.SpamHeaderFieldName();
            const std::string body = g_profile.SpamHeaderFieldBody();
            if (name.empty() || body.empty()) return 0;
            return Answer(param, action, 8, "X-" + name + ": " + body, 1);
        }
        default:
            return 0;
    }
}

int OnBeforeFilter2(LPCSTR message, LPCSTR mailbox, int* action, char** param) {
    // A pending spam action belongs to the message of the call that asked for it: one that
    // cannot be answered now is dropped rather than left to fall on the next message.
    if (action == nullptr) {
        LOG(LOG_WARN, kFunction, "lpnAction == 0.");
        g_action = 0;
        return 0;
    }
    if (param == nullptr) {
        LOG(LOG_WARN, kFunction, "lppParam == 0.");
        g_action = 0;
        return 0;
    }
    // The second call of a pair answers the decision already made; it needs neither the
    // message nor bsfilter.
    if (g_action == 0) {
        if (message == nullptr) {
            LOG(LOG_WARN, kFunction, "lpMessage == 0.");
            return 0;
        }
        if (!IsBsfilterAvailable()) {
            LOG(LOG_WARN, kFunction, "bsfilter Unavailable.");
            return 0;
        }
    }
    LOG(LOG_DEBUG, kFunction, "before: g_action: [%d], *lpnAction: [%d].", g_action, *action);
    *action = -1;

    int result = 0;
    if (g_action != 0) {
        // Second call of a pair: the read mark is set, now the spam action itself.
        result = MakeSpamAction(param, mailbox, action);
        g_action = 0;
    } else {
        const char* end = std::strstr(message, "\r\n.\r\n");
        const size_t length = end != nullptr ? static_cast<size_t>(end - message) : std::strlen(message);

        const std::string messageId = UnfoldHeaderValue(GetDecodedHeaderField(message, "Message-Id"));
        const std::string rawFrom = GetUnfoldedHeaderField(message, "From");
        const std::string from = UnfoldHeaderValue(DecodeHeaderText(rawFrom));
        const std::string to = UnfoldHeaderValue(GetDecodedHeaderField(message, "To"));
        const std::string subject = UnfoldHeaderValue(GetDecodedHeaderField(message, "Subject"));

        char name[kFilterNameSize];
        char address[kAddressSize];
        ParseAddress(rawFrom.c_str(), name, sizeof(name), address);

        if (address[0] != '\0' && g_whiteList.Matches(address)) {
            LOG(LOG_INFO, kFunction, "in white list (email or domain): email: [%s], From: [%s].", address,
                from.c_str());
            return 0;
        }
        if (g_okWordProfile.Enabled() && MatchesAny(g_okWordList, subject, from)) {
            LOG(LOG_INFO, kFunction, "g_okWordList: match: From: [%s], Subject: [%s].", from.c_str(), subject.c_str());
            return 0;
        }

        std::string output;
        const int rc = ExecBsfilter(message, static_cast<DWORD>(length), &output, "%s", "");
        LOG(LOG_INFO, kFunction, "ExecBsfilter(): rc: [%d], Message-Id: [%s], From: [%s], To: [%s], Subject: [%s].",
            rc, messageId.c_str(), from.c_str(), to.c_str(), subject.c_str());

        bool spam = rc == 0;
        if (!spam && g_ngWordProfile.Enabled() && MatchesAny(g_ngWordList, subject, from)) {
            LOG(LOG_INFO, kFunction, "g_ngWordList: match: From: [%s], Subject: [%s].", from.c_str(), subject.c_str());
            spam = true;
        }
        if (spam) {
            if (g_profile.SetReadToSpamMail()) {
                // First of two calls: mark read now, the host calls again for the spam action.
                result = Answer(param, action, 2, "R", 3);
                if (result == 3) g_action = 1;
            } else {
                result = MakeSpamAction(param, mailbox, action);
            }
        }
    }
    LOG(LOG_DEBUG, kFunction, "after: g_action: [%d], *lpnAction: [%d].", g_action, *action);
    return result;
}
