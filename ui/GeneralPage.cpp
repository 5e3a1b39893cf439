// The window-free part of the general page; see GeneralPage.h.
#include "ui/GeneralPage.h"

#include "platform/Mbcs.h"
#include "resources/resource.h"
#include "support/Util.h"

int SpamActionFromRadios(const GeneralPageValues& values, int current) {
    int action = current;
    if (values.noMove) action = kNoMove;
    if (values.goFolder) action = kGoFolder;
    if (values.addHeader) action = kAddHeader;
    if (values.goTrash) action = kGoTrash;
    return action;
}

bool IsAsciiAlphanumeric(const std::string& text) {
    for (unsigned char c : text) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit) return false;
    }
    return true;
}

namespace {

// The checks of one header text: empty, characters, length.
UINT CheckHeaderText(const std::string& text, UINT emptyId, UINT charsId, UINT lengthId) {
    if (text.empty()) return emptyId;
    if (!IsAsciiAlphanumeric(text)) return charsId;
    if (text.size() > kHeaderTextMax) return lengthId;
    return 0;
}

}  // namespace

UINT ApplyGeneralPage(GeneralPageValues& values, MirvoProfile& profile, int* formatArgument) {
    const int action = SpamActionFromRadios(values, profile.ProcessSpamMail());
    profile.SetProcessSpamMail(action);
    profile.SetGoFolderSameRelativeFolderPath(values.goFolderSameRelativeFolderPath);
    values.headerName = Trim(values.headerName, kBlanks);
    values.headerBody = Trim(values.headerBody, kBlanks);
    profile.SetSetReadToSpamMail(values.setReadToSpamMail);
    profile.SetDontCheckDbOnStart(values.dontCheckDbOnStart);
    profile.SetDisableBeforeMsgbox(values.disableBeforeMsgbox);
    profile.SetDisableResultMsgbox(values.disableResultMsgbox);
    profile.SetAddToAddrToWhiteListOnSend(values.addToAddrToWhiteListOnSend);
    profile.SetDontRemoveSpamHeader(values.dontRemoveSpamHeader);
    profile.SetRemoveSpamFromWhiteList(values.removeSpamFromWhiteList);

    UINT message = 0;
    if (action == kGoFolder && profile.SpamFolder().empty()) {
        message = IDS_NEED_SPAM_FOLDER;
    } else if (action == kAddHeader) {
        message = CheckHeaderText(values.headerName, IDS_NEED_HEADER_NAME, IDS_HEADER_NAME_CHARS,
                                  IDS_HEADER_NAME_LENGTH);
        if (message == 0) {
            message = CheckHeaderText(values.headerBody, IDS_NEED_HEADER_BODY, IDS_HEADER_BODY_CHARS,
                                      IDS_HEADER_BODY_LENGTH);
        }
    }
    if (formatArgument != nullptr) *formatArgument = static_cast<int>(kHeaderTextMax);

    profile.SetSpamHeaderFieldName(values.headerName);
    profile.SetSpamHeaderFieldBody(values.headerBody);
    return message;
}

std::string FolderDisplayName(const HostApi* hostApi, const std::string& folderId) {
    if (hostApi == nullptr || hostApi->GetFolderDisplayName == nullptr) return std::string();
    const char* name = hostApi->GetFolderDisplayName(folderId.c_str());
    return name != nullptr ? std::string(name) : std::string();
}

UINT SpamFolderFromChosen(const std::string& hostDataFolder, const std::string& chosen, const HostApi* hostApi,
                          std::string* folderId, std::string* displayName) {
    if (chosen.size() < hostDataFolder.size() ||
        lstrcmpiA(chosen.substr(0, hostDataFolder.size()).c_str(), hostDataFolder.c_str()) != 0) {
        return IDS_FOLDER_NOT_FOUND;
    }
    std::string id = chosen.substr(hostDataFolder.size());
    if (!Mbcs::EndsWith(id.c_str(), '\\')) id += '\\';
    if (!IsSubfolderPath(id.c_str())) return IDS_SELECT_A_FOLDER;
    const std::string name = FolderDisplayName(hostApi, id);
    if (name.empty()) return IDS_FOLDER_NAME_NOT_FOUND;
    *folderId = id;
    *displayName = name;
    return 0;
}

std::string InitialSpamFolderPath(const std::string& hostDataFolder, const std::string& spamFolder) {
    if (spamFolder.empty()) return std::string();
    return FormatText(kPathSize, "%s%s", hostDataFolder.c_str(), spamFolder.c_str());
}

std::string EditorCommandLine(const std::string& editor, const std::string& config) {
    return FormatText(kPathSize, "\"%s\" \"%s\"", editor.c_str(), config.c_str());
}
