// The general page (dialog 110, first page of the sheet): spam action, header, message-box
// switches, the bsfilter configuration file and the database backup. The window-free part is
// here: applying and validating the page's values, turning a chosen folder into the host's
// folder id, and the editor's command line. GeneralPage_win.cpp has the dialog procedure.
#pragma once

#include <string>

#include "platform/platform.h"
#include "plugin/HostApi.h"
#include "settings/Profile.h"

struct SetupSettings;

// What the page's controls hold when OK is pressed.
struct GeneralPageValues {
    bool goTrash = false;  // 1111
    bool noMove = false;   // 1112
    bool goFolder = false; // 1113
    bool addHeader = false;// 1114
    bool goFolderSameRelativeFolderPath = false;  // 1104
    std::string headerName;  // 1132, as typed
    std::string headerBody;  // 1133, as typed
    bool setReadToSpamMail = false;          // 1105
    bool dontCheckDbOnStart = false;         // 1101
    bool disableBeforeMsgbox = false;        // 1102
    bool disableResultMsgbox = false;        // 1103
    bool addToAddrToWhiteListOnSend = false; // 1106
    bool dontRemoveSpamHeader = false;       // 1107
    bool removeSpamFromWhiteList = false;    // 1108
};

// Stores the values into the copy and validates them. The header texts are trimmed (the
// trimmed texts go back into values, for the edits) and stored whether valid or not. Returns
// 0 when valid, else the string id of the first failed rule (2211 to 2217); *formatArgument
// receives the number the message shows (30 for 2214 and 2217).
UINT ApplyGeneralPage(GeneralPageValues& values, MirvoProfile& profile, int* formatArgument);

// The spam action the radio buttons select, tested in the order 1112, 1113, 1114, 1111 with a
// later checked button winning; current when none is checked.
int SpamActionFromRadios(const GeneralPageValues& values, int current);

// Whether text is made only of the ASCII letters and digits.
bool IsAsciiAlphanumeric(const std::string& text);

// Turns the folder chosen in the browser into the host's folder id ("<mailbox>\<folder>\")
// and its display name. Returns 0 on success, or the string id of the failure: 2204 when
// chosen does not lie in hostDataFolder, 2205 when it is a mailbox rather than a folder,
// 2206 when the host gives no display name.
UINT SpamFolderFromChosen(const std::string& hostDataFolder, const std::string& chosen, const HostApi* hostApi,
                          std::string* folderId, std::string* displayName);

// The display name the host gives a folder id; empty when there is none.
std::string FolderDisplayName(const HostApi* hostApi, const std::string& folderId);

// The folder to show selected when the browser opens: hostDataFolder + spamFolder, or empty.
std::string InitialSpamFolderPath(const std::string& hostDataFolder, const std::string& spamFolder);

// "\"<editor>\" \"<config>\"", cut to 1039 characters.
std::string EditorCommandLine(const std::string& editor, const std::string& config);

// The dialog procedures of the general and the acknowledgements page (Windows).
INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AcknowledgementsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
