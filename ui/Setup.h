// The settings property sheet as a whole: the working copy of the settings and lists that
// the pages edit (SetupSettings), the state of one run of the sheet (SetupSheet), and the
// opening and closing sequence around it (copy in under the settings lock; on OK assign back
// and save; always keep the list-view layout and merge the recipients collected meanwhile).
//
// The copy-in and the closing sequence are plain functions that run without windows. On
// Windows RunSetupSheet shows the modal property sheet; on Linux there are no windows and it
// answers -1 (the sheet could not be created), so OnPlugInSetup takes the Cancel path: the
// copy is dropped, MirvaneEnv.ini is rewritten with the unchanged layout and the pending
// recipients are merged into the white list.
#pragma once

#include <string>

#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "platform/platform.h"
#include "plugin/HostApi.h"
#include "settings/Profile.h"
#include "ui/WhiteListPage.h"
#include "ui/WordListPage.h"

// The working copy. Every lock pointer in it is null, so page code takes no lock.
struct SetupSettings {
    HostApi* hostApi = nullptr;
    std::string hostDataFolder;    // with trailing backslash
    std::string dataFolder;        // <host data folder>PlugIns\Mirvane
    std::string bsfilterConfig;    // <data folder>\bsfilter.conf
    std::string bsfilterDbFolder;  // <data folder>\bsfilterdb
    MirvoProfile profile;
    ContextMenuProfile contextMenu;
    ExecBsfilterScriptProfile script;
    NgWordProfile ngWord;
    OkWordProfile okWord;
    MirvoWhiteListProfileEnv whiteListEnv;
    WhiteList whiteList;
    NgWordProfileEnv ngWordEnv;
    WordList ngWordList;
    OkWordProfileEnv okWordEnv;
    WordList okWordList;
    CRITICAL_SECTION* bsfilterLock = nullptr;
};

// The state of a page that has no object of its own: the copy and the page's title (its
// dialog caption), which is the caption of every message box the page shows.
struct PageState {
    SetupSettings* settings = nullptr;
    char title[1024] = {};
};

// One run of the sheet. g_setupSheet points to it while the sheet is shown; the page
// procedures find their state through it.
struct SetupSheet {
    explicit SetupSheet(SetupSettings* settings);

    SetupSettings* settings;
    PageState general;
    PageState other;
    CWhiteListDialogProc whiteList;
    CNgWordListDialogProc ngWord;
    COkWordListDialogProc okWord;
    PageState acknowledgements;
};

extern SetupSheet* g_setupSheet;

// The export's work: copy in, run the sheet, close. Returns 1 whatever the user did.
int OnPlugInSetup(HWND parent);

// Opening: under g_settingsLock sets g_setupOpen and fills the copy from the live settings,
// lists and paths (lock pointers cleared, each list sorted by the order its Env group
// remembers).
void CopyInSettings(SetupSettings& settings);

// Closing with the sheet's result (> 0: OK): under g_settingsLock assigns the copy back on
// OK, always assigns the Env groups, merges and clears g_pendingWhiteList, clears
// g_setupOpen, and saves Mirvane.ini (OK only), the changed lists and MirvaneEnv.ini.
void CloseSetup(SetupSettings& settings, int result);

// Merges g_pendingWhiteList into g_whiteList (a listed address with a note keeps it; one
// without a note takes a non-empty pending note; a new address is added). True when
// g_whiteList changed.
bool MergePendingWhiteList();

// Shows the modal sheet with its six pages: > 0 for OK, 0 for Cancel, -1 when it could not
// be created (always -1 where there are no windows).
int RunSetupSheet(SetupSheet* setupSheet, HWND parent);
