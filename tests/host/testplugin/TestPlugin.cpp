// TestPlugin: a small plug-in for the host simulator's own tests, independent of Mirvane's
// logic. It binds the host functions with the plug-in's own HostApi::Load, records what it
// receives in "<data folder>TestPlugin.log", answers the filter as each message asks in its
// "X-Test-Action:" header, and offers menu commands that exercise the host functions.
//
// Filter instructions ("X-Test-Action: <word> [argument]"):
//   none                 action -1, return 0          (no header: action untouched, return 0)
//   move FOLDER          action 0 with FOLDER, return 2
//   header LINE          action 8 with LINE, return 1
//   read                 action 2 "R", return 3; the next call: action -1, return 0
//   read-move FOLDER     action 2 "R", return 3; the next call: action 0 with FOLDER, return 2
//   read-header LINE     action 2 "R", return 3; the next call: action 8 with LINE, return 1
//   loop                 action 2 "R", return 3, every time
//   static FOLDER        action 0 with FOLDER in the plug-in's own memory (not the host's)
// Parameters come from BKA_Alloc, as the host expects. Every call also decodes the Subject
// with BKA_MIMEHeader and releases the result with BKA_Free.
//
// Menu (type 1): a "TestPlugin" submenu at the top, then a separator. Items with a state
// callback are greyed while nothing is selected.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/HostApi.h"

// The host's plug-in information record.
struct TestPluginInfo {
    char name[80];
    char vendor[80];
    char version[80];
    char description[256];
};

namespace {

std::string g_logPath;
int g_pending = 0;          // 1: the second call of a pair is due
std::string g_pendingWord;  // its instruction
std::string g_pendingArgument;
char g_staticParam[260];

void Log(const std::string& line) {
    if (g_logPath.empty()) return;
    HANDLE file = CreateFileA(g_logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The value of a header field (first occurrence, unfolded lines not needed here).
std::string Header(const char* message, const char* name) {
    const std::string text = message != nullptr ? message : "";
    const std::string header = text.substr(0, text.find("\r\n\r\n"));
    const std::string wanted = std::string("\r\n") + name + ":";
    std::string scan = "\r\n" + header;
    size_t at = 0;
    for (;;) {
        at = scan.find("\r\n", at);
        if (at == std::string::npos) return std::string();
        if (EqualsNoCase(scan.substr(at, wanted.size()), wanted)) break;
        at += 2;
    }
    size_t start = at + wanted.size();
    while (start < scan.size() && (scan[start] == ' ' || scan[start] == '\t')) ++start;
    const size_t end = scan.find("\r\n", start);
    return scan.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

char* HostCopy(const std::string& text) {
    char* memory = static_cast<char*>(g_hostApi.Alloc(static_cast<int>(text.size()) + 1));
    if (memory != nullptr) memcpy(memory, text.c_str(), text.size() + 1);
    return memory;
}

int Answer(const std::string& word, const std::string& argument, int* action, char** param) {
    if (word == "none") {
        *action = -1;
        return 0;
    }
    if (word == "move") {
        *action = 0;
        *param = HostCopy(argument);
        return 2;
    }
    if (word == "header") {
        *action = 8;
        *param = HostCopy(argument);
        return 1;
    }
    if (word == "static") {
        snprintf(g_staticParam, sizeof(g_staticParam), "%s", argument.c_str());
        *action = 0;
        *param = g_staticParam;
        return 2;
    }
    if (word == "read" || word == "read-move" || word == "read-header" || word == "loop") {
        *action = 2;
        *param = HostCopy("R");
        if (word != "loop") {
            g_pending = 1;
            g_pendingWord = word == "read" ? "none" : word == "read-move" ? "move" : "header";
            g_pendingArgument = argument;
        }
        return 3;
    }
    return 0;
}

std::vector<std::string> SelectedIds() {
    std::vector<std::string> ids;
    char id[256];
    for (int i = g_hostApi.GetNextMail(-1, id, sizeof(id), TRUE); i != -1; i = g_hostApi.GetNextMail(i, id, sizeof(id), TRUE)) {
        ids.push_back(id);
    }
    return ids;
}

UINT CALLBACK HasSelection(HWND, LPARAM) {
    char id[256];
    return g_hostApi.GetNextMail(-1, id, sizeof(id), TRUE) == -1 ? 1 : 0;
}

void CALLBACK MarkRead(HWND, LPARAM) {
    for (const std::string& id : SelectedIds()) g_hostApi.SetStatus(id.c_str(), 1, 0);
}

void CALLBACK MoveToTrash(HWND, LPARAM) {
    std::string ids;
    for (const std::string& id : SelectedIds()) ids += (ids.empty() ? "" : "|") + id;
    std::string folder = g_hostApi.GetCurrentMailBox();
    if (folder.empty() || folder.back() != '\\') folder += "\\";
    g_hostApi.MoveMessages((folder + "!Trash\\").c_str(), ids.c_str(), FALSE);
}

void CALLBACK AddHeader(HWND, LPARAM) {
    for (const std::string& id : SelectedIds()) {
        char* source = g_hostApi.GetSource(id.c_str());
        if (source == nullptr) continue;
        const std::string rewritten = std::string("X-Test: yes\r\n") + source;
        g_hostApi.SetSource(id.c_str(), rewritten.c_str());
        g_hostApi.Free(source);
    }
}

void CALLBACK FilterSelected(HWND, LPARAM) {
    const std::vector<std::string> ids = SelectedIds();
    if (!ids.empty()) g_hostApi.SetSel(ids.front().c_str(), FALSE);
    g_hostApi.Command(nullptr, "FilterSelected");
}

void CALLBACK Ask(HWND window, LPARAM) {
    if (MessageBoxA(window, "Proceed?", "TestPlugin", MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
        MessageBoxA(window, "Done", "TestPlugin", MB_OK | MB_ICONINFORMATION);
    }
}

void CALLBACK Leak(HWND, LPARAM) {
    const std::vector<std::string> ids = SelectedIds();
    if (!ids.empty()) g_hostApi.GetSource(ids.front().c_str());  // never released, on purpose
}

void CALLBACK DoubleFree(HWND, LPARAM) {
    void* memory = g_hostApi.Alloc(16);
    g_hostApi.Free(memory);
    g_hostApi.Free(memory);
}

void CALLBACK ShowFolder(HWND window, LPARAM) {
    const char* name = g_hostApi.GetFolderDisplayName(g_hostApi.GetCurrentFolder());
    MessageBoxA(window, name != nullptr ? name : "(none)", "TestPlugin", MB_OK);
}

void AddCommand(HMENU menu, const char* text, BkCommandCallback command, bool needsSelection) {
    const UINT id = g_hostApi.RegisterCommand(text, 1, command);
    AppendMenuA(menu, MF_STRING, id, text);
    if (needsSelection) g_hostApi.RegisterUICallback(id, HasSelection);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        if (!g_hostApi.Load()) return FALSE;
        g_logPath = std::string(g_hostApi.GetDataFolder()) + "TestPlugin.log";
        std::string missing;
        const HMODULE host = GetModuleHandleA(nullptr);
        for (size_t i = 0; i < kHostApiNameCount; ++i) {
            if (GetProcAddress(host, (std::string("BKA_") + kHostApiNames[i]).c_str()) == nullptr) {
                missing += std::string(" ") + kHostApiNames[i];
            }
        }
        Log("attach version=" + std::string(g_hostApi.GetVersion()) + " missing:" + missing);
    } else if (reason == DLL_PROCESS_DETACH) {
        Log("detach");
    }
    return TRUE;
}

int WINAPI BKC_OnStart() {
    Log("OnStart");
    return 0;
}
int WINAPI BKC_OnExit() {
    Log("OnExit");
    return 0;
}
int WINAPI BKC_OnEveryMinute() { return 0; }
int WINAPI BKC_OnOpenFolder(LPCSTR folder) {
    Log(std::string("OnOpenFolder ") + (folder != nullptr ? folder : "(null)"));
    return 0;
}
int WINAPI BKC_OnOpenMail(LPCSTR mail) {
    Log(std::string("OnOpenMail ") + (mail != nullptr ? mail : "(null)"));
    return 0;
}
int WINAPI BKC_OnFinishRetrieve(int count) {
    Log("OnFinishRetrieve " + std::to_string(count));
    return 0;
}
int WINAPI BKC_OnOpenCompose(HWND, int) { return 0; }
int WINAPI BKC_OnOutgoing(HWND, int) { return 0; }
int WINAPI BKC_OnRetrieve(LPCSTR, LPCSTR mailId) {
    Log(std::string("OnRetrieve ") + (mailId != nullptr ? mailId : "(null)"));
    return 0;
}
int WINAPI BKC_OnKeyDispatch(HWND, int, int) { return 0; }
int WINAPI BKC_OnDragDrop(LPCSTR, LPCSTR, int, int) { return 0; }

int WINAPI BKC_OnSend(LPCSTR message) {
    Log("OnSend To=" + Header(message, "To"));
    return 0;
}

int WINAPI BKC_OnPlugInInfo(TestPluginInfo* info) {
    snprintf(info->name, sizeof(info->name), "TestPlugin");
    snprintf(info->vendor, sizeof(info->vendor), "Mirvane tests");
    snprintf(info->version, sizeof(info->version), "%s", g_hostApi.GetVersion());
    snprintf(info->description, sizeof(info->description), "%s", std::string(300, 'd').c_str());
    return 0;
}

int WINAPI BKC_OnBeforeFilter2(LPCSTR message, LPCSTR mailbox, int* action, char** param) {
    char charset[128] = "";
    char* subject = g_hostApi.MIMEHeader(Header(message, "Subject").c_str(), charset, sizeof(charset), FALSE);
    const std::string text = message != nullptr ? message : "";
    const bool dotEnd = text.size() >= 5 && text.compare(text.size() - 5, 5, "\r\n.\r\n") == 0;
    Log(std::string("OnBeforeFilter2 mailbox=") + (mailbox != nullptr ? mailbox : "(null)") + " action=" +
        std::to_string(*action) + " subject=" + (subject != nullptr ? subject : "(null)") + (dotEnd ? " end=dot" : ""));
    g_hostApi.Free(subject);
    if (g_pending != 0) {
        g_pending = 0;
        return Answer(g_pendingWord, g_pendingArgument, action, param);
    }
    const std::string instruction = Header(message, "X-Test-Action");
    const size_t blank = instruction.find(' ');
    const std::string word = instruction.substr(0, blank);
    const std::string argument = blank == std::string::npos ? std::string() : instruction.substr(blank + 1);
    return Answer(word, argument, action, param);
}

int WINAPI BKC_OnMenuInit(HWND, HMENU menu, int type) {
    if (type != 1) return 0;
    HMENU sub = CreatePopupMenu();
    AddCommand(sub, "Mark read", MarkRead, true);
    AddCommand(sub, "Move to trash", MoveToTrash, true);
    AppendMenuA(sub, MF_SEPARATOR, 0, nullptr);
    AddCommand(sub, "Add header", AddHeader, true);
    AddCommand(sub, "Filter selected", FilterSelected, true);
    AddCommand(sub, "Ask", Ask, false);
    AddCommand(sub, "Leak", Leak, true);
    AddCommand(sub, "Double free", DoubleFree, false);
    AddCommand(sub, "Show folder", ShowFolder, false);
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "TestPlugin");
    InsertMenuA(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    return 0;
}

int WINAPI BKC_OnPlugInSetup(HWND window) {
    MessageBoxA(window, "Setup", "TestPlugin", MB_OK);
    return 1;
}

}  // extern "C"
