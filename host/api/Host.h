// The host simulator's state: options, the data folder, the allocator, the loaded plug-in, its
// registered commands and the context menu, and the report of what the plug-in does. One
// object, g_host, serves the exported BKA_ functions and the verbs.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "host/api/HostMemory.h"
#include "host/cli/Json.h"
#include "host/store/MailStore.h"
#include "host/api/Plugin.h"
#include "plugin/HostApi.h"

struct RegisteredCommand {
    UINT id;
    std::string text;
    int target;
    BkCommandCallback command;
    BkUICallback state;  // null: none registered
};

// One entry of the host's export table: the name without "BKA_" and the function.
struct HostExportEntry {
    const char* name;
    void* address;
};
extern const HostExportEntry kHostExports[];
extern const size_t kHostExportCount;

// First command id handed out by BKA_RegisterCommand: above the host's own menu ids and
// usable as a Win32 menu item id.
const UINT kFirstCommandId = 0x8000;

class Host {
public:
    // ---- options (set from the command line) --------------------------------------------
    std::string version = "2.80.00";  // BKA_GetVersion
    std::string pluginPath;           // empty: the default beside the host
    bool trace = false;               // report read-only host calls too
    std::deque<std::string> answers;  // message-box answers, consumed in order
    std::string dialogs = "leave";    // other dialogs (Windows): leave, ok, cancel
    std::vector<std::string> hidden;  // exports to hide
    int cancelAfter = 0;              // press a batch's Cancel once N messages are done (0: never)
    bool failAlloc = false;           // BKA_Alloc answers null (memory exhausted)
    bool bareDataFolder = false;      // BKA_GetDataFolder without its trailing backslash

    MailStore store;
    HostMemory memory;
    Plugin plugin;
    HWND mainWindow = nullptr;
    HWND treeWindow = nullptr;
    HWND listWindow = nullptr;
    HWND viewWindow = nullptr;
    std::vector<RegisteredCommand> commands;
    HMENU contextMenu = nullptr;

    // Loads the plug-in once (hiding exports and creating the windows first) and reports it.
    // Returns false (reported) when it is missing or refused.
    bool EnsurePlugin();
    // Calls BKC_OnExit, unloads the plug-in and reports it.
    void UnloadPlugin();

    // A host call made by the plug-in: reported when it changes something, or always with
    // --trace.
    void ReportCall(const JsonLine& line, bool changes);
    // A message box of the plug-in: reports it and gives the button to press.
    int AnswerMessageBox(const std::string& text, const std::string& caption, unsigned type);
    // Another dialog of the plug-in (Windows): reports it; returns the button to press, 0 to
    // leave it to the user.
    int AnswerDialog(const std::string& caption, const std::string& kind);
    // The progress of a batch command shows current of total done: reports it and tells
    // whether to press Cancel now (once cancelAfter messages are done; once per run).
    bool OnProgress(int current, int total);
    // A command run begins: Cancel has not been pressed in it yet.
    void BeginRun() { m_cancelPressed = false; }

    RegisteredCommand* FindCommand(UINT id);

    // Strings returned by the BKA_ functions live here until the next call of the same kind.
    std::string returnedMailbox;
    std::string returnedFolder;
    std::string returnedMail;
    std::string tempFolder;
    std::string returnedDataFolder;
    std::string returnedNames[8];
    unsigned nextName = 0;

private:
    bool m_cancelPressed = false;
    bool m_loadAttempted = false;
    bool m_loaded = false;
};

extern Host g_host;
