// The general page's and the acknowledgements page's dialog procedures (Windows).
#include "ui/GeneralPage.h"

#include <shlwapi.h>

#include "resources/resource.h"
#include "support/Log.h"
#include "support/Util.h"
#include "ui/Backup.h"
#include "ui/BrowseFolder.h"
#include "ui/PageWindow_win.h"
#include "ui/Setup.h"

static const char kLogSource[] = "Mirvane\\GeneralPage";

namespace {

void EnableFolderControls(HWND page) {
    const bool goFolder = IsChecked(page, IDC_GO_FOLDER);
    EnableControl(page, IDC_SPAM_FOLDER, goFolder);
    EnableControl(page, IDC_SELECT_FOLDER, goFolder);
    EnableControl(page, IDC_GO_FOLDER_SAME_RELATIVE, goFolder);
}

BOOL OnInitDialog(HWND page, PageState* state) {
    HWND sheet = GetParent(page);
    HWND owner = GetWindow(sheet, GW_OWNER);
    CenterWindow(owner != nullptr ? owner : GetDesktopWindow(), sheet);
    GetWindowTextA(page, state->title, sizeof(state->title));

    MirvoProfile& profile = state->settings->profile;
    int radio = IDC_GO_TRASH;
    switch (profile.ProcessSpamMail()) {
        case kNoMove: radio = IDC_NO_MOVE; break;
        case kGoFolder: radio = IDC_GO_FOLDER; break;
        case kAddHeader: radio = IDC_ADD_HEADER; break;
        default: break;
    }
    CheckRadioButton(page, IDC_GO_TRASH, IDC_ADD_HEADER, radio);

    const std::string name = FolderDisplayName(state->settings->hostApi, profile.SpamFolder());
    SetDlgItemTextA(page, IDC_SPAM_FOLDER, name.c_str());
    // A folder the host no longer knows is dropped when the user confirms.
    if (name.empty()) profile.SetSpamFolder(std::string());

    EnableFolderControls(page);
    SetChecked(page, IDC_GO_FOLDER_SAME_RELATIVE, profile.GoFolderSameRelativeFolderPath());
    SetDlgItemTextA(page, IDC_HEADER_NAME, profile.SpamHeaderFieldName().c_str());
    SetDlgItemTextA(page, IDC_HEADER_BODY, profile.SpamHeaderFieldBody().c_str());
    EnableControl(page, IDC_HEADER_NAME, true);
    EnableControl(page, IDC_HEADER_BODY, true);
    SetChecked(page, IDC_SET_READ_TO_SPAM, profile.SetReadToSpamMail());
    SetChecked(page, IDC_DONT_CHECK_DB_ON_START, profile.DontCheckDbOnStart());
    SetChecked(page, IDC_DISABLE_BEFORE_MSGBOX, profile.DisableBeforeMsgbox());
    SetChecked(page, IDC_DISABLE_RESULT_MSGBOX, profile.DisableResultMsgbox());
    SetChecked(page, IDC_ADD_TO_WHITELIST_ON_SEND, profile.AddToAddrToWhiteListOnSend());
    SetChecked(page, IDC_DONT_REMOVE_SPAM_HEADER, profile.DontRemoveSpamHeader());
    SetChecked(page, IDC_REMOVE_SPAM_FROM_WHITELIST, profile.RemoveSpamFromWhiteList());
    SetDlgItemTextA(page, IDC_CONFIG_PATH, state->settings->bsfilterConfig.c_str());
    SetDlgItemTextA(page, IDC_BSFILTER_NOTE, LoadResString(IDS_BSFILTER_NOTE).c_str());
    return TRUE;
}

void SelectSpamFolder(HWND page, PageState* state) {
    SetupSettings* settings = state->settings;
    const std::string initial = InitialSpamFolderPath(settings->hostDataFolder, settings->profile.SpamFolder());
    const std::string prompt = LoadResString(IDS_SPAM_FOLDER_PROMPT);
    CBrowseBeckyFolderDlg2 dialog(settings->hostApi);
    if (dialog.BrowseHostFolder(settings->hostDataFolder, initial, page, prompt.c_str()) != IDOK) return;

    std::string folderId;
    std::string displayName;
    const UINT failure =
        SpamFolderFromChosen(settings->hostDataFolder, dialog.Result(), settings->hostApi, &folderId, &displayName);
    if (failure != 0) {
        const UINT icon = failure == IDS_SELECT_A_FOLDER ? MB_ICONINFORMATION : MB_ICONERROR;
        PageMessage(page, state->title, LoadResString(failure), icon);
        return;
    }
    SetDlgItemTextA(page, IDC_SPAM_FOLDER, displayName.c_str());
    settings->profile.SetSpamFolder(folderId);
}

void EditBsfilterConfig(PageState* state) {
    std::string editor = "notepad.exe";
    if (GetKeyState(VK_CONTROL) & 0x8000) {
        char program[kPathSize] = {};
        DWORD size = sizeof(program);
        const HRESULT found =
            AssocQueryStringA(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, ".txt", "open", program, &size);
        if (SUCCEEDED(found) && program[0] != '\0') {
            editor = program;
            LOG(LOG_DEBUG, "EditBsfilterConfig()", "%s: succeeded. executable: [%s].", "AssocQueryString()", program);
        } else {
            LOG(LOG_ERROR, "EditBsfilterConfig()", "%s: failed. result: [%08lx].", "AssocQueryString()",
                static_cast<unsigned long>(found));
        }
    }
    char commandLine[kPathSize];
    CopyTo(commandLine, sizeof(commandLine), EditorCommandLine(editor, state->settings->bsfilterConfig).c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE,
                       CREATE_DEFAULT_ERROR_MODE | CREATE_NEW_PROCESS_GROUP, nullptr,
                       state->settings->dataFolder.c_str(), &startup, &process)) {
        LOG(LOG_DEBUG, "EditBsfilterConfig()", "%s: succeeded. command: [%s].", "CreateProcess()", commandLine);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else {
        LOG(LOG_ERROR, "EditBsfilterConfig()", "%s: LastError: [%lu].", "CreateProcess()", GetLastError());
    }
}

BOOL OnApply(HWND page, PageState* state) {
    GeneralPageValues values;
    values.goTrash = IsChecked(page, IDC_GO_TRASH);
    values.noMove = IsChecked(page, IDC_NO_MOVE);
    values.goFolder = IsChecked(page, IDC_GO_FOLDER);
    values.addHeader = IsChecked(page, IDC_ADD_HEADER);
    values.goFolderSameRelativeFolderPath = IsChecked(page, IDC_GO_FOLDER_SAME_RELATIVE);
    values.headerName = ControlText(page, IDC_HEADER_NAME);
    values.headerBody = ControlText(page, IDC_HEADER_BODY);
    values.setReadToSpamMail = IsChecked(page, IDC_SET_READ_TO_SPAM);
    values.dontCheckDbOnStart = IsChecked(page, IDC_DONT_CHECK_DB_ON_START);
    values.disableBeforeMsgbox = IsChecked(page, IDC_DISABLE_BEFORE_MSGBOX);
    values.disableResultMsgbox = IsChecked(page, IDC_DISABLE_RESULT_MSGBOX);
    values.addToAddrToWhiteListOnSend = IsChecked(page, IDC_ADD_TO_WHITELIST_ON_SEND);
    values.dontRemoveSpamHeader = IsChecked(page, IDC_DONT_REMOVE_SPAM_HEADER);
    values.removeSpamFromWhiteList = IsChecked(page, IDC_REMOVE_SPAM_FROM_WHITELIST);

    int argument = 0;
    const UINT failure = ApplyGeneralPage(values, state->settings->profile, &argument);
    SetDlgItemTextA(page, IDC_HEADER_NAME, values.headerName.c_str());
    SetDlgItemTextA(page, IDC_HEADER_BODY, values.headerBody.c_str());
    return EndApply(page, state->title, failure, argument);
}

void OnCommand(HWND page, PageState* state, int id) {
    switch (id) {
        case IDC_GO_TRASH:
        case IDC_NO_MOVE:
        case IDC_GO_FOLDER:
        case IDC_ADD_HEADER: EnableFolderControls(page); break;
        case IDC_SELECT_FOLDER: SelectSpamFolder(page, state); break;
        case IDC_EDIT_CONFIG: EditBsfilterConfig(state); break;
        case IDC_BACKUP_DB: BackupDatabase(page, state); break;
        case IDC_RESTORE_DB: RestoreDatabase(page, state); break;
        default: break;
    }
}

BOOL OnInitAcknowledgements(HWND page, PageState* state) {
    GetWindowTextA(page, state->title, sizeof(state->title));
    SetDlgItemTextA(page, IDC_ACK_TEXT, LoadResString(IDS_ACKNOWLEDGEMENTS).c_str());
    return TRUE;
}

// The acknowledgements have nothing to check.
BOOL OnApplyAcknowledgements(HWND page, PageState* state) { return EndApply(page, state->title, 0); }

}  // namespace

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_setupSheet == nullptr) return FALSE;
    static const PageHandlers kHandlers = {OnInitDialog, OnCommand, OnApply};
    return RunPageProc(&g_setupSheet->general, kHandlers, page, message, wParam, lParam);
}

INT_PTR CALLBACK AcknowledgementsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_setupSheet == nullptr) return FALSE;
    static const PageHandlers kHandlers = {OnInitAcknowledgements, nullptr, OnApplyAcknowledgements};
    return RunPageProc(&g_setupSheet->acknowledgements, kHandlers, page, message, wParam, lParam);
}
