// The Windows side of the host simulator: a real main window, the watcher that answers the
// plug-in's message boxes and follows (and may cancel) its progress dialog, hiding an export in
// the program's export table.
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/api/Host.h"
#include "host/ui/HostSystem.h"
#include "host/ui/HostWindows_win.h"
#include "platform/Mbcs.h"

namespace HostSystem {

namespace {

const char kMainClass[] = "MirvaneHostMain";
HostWindows::DialogWatcher g_watcher;

// The status text of the plug-in's progress dialog (template 150) and the window property that
// keeps the control's own procedure while the host follows it.
const int kProgressStatusId = 1502;
const char kPreviousProcProperty[] = "MirvaneHostPreviousProc";
// The progress dialog the watcher follows (null: none yet).
std::atomic<HWND> g_followedProgress(nullptr);
// How long a batch may take to show its progress dialog before the host hands it messages anyway.
const DWORD kProgressDialogWaitMs = 5000;

// The "%d / %d ..." of a progress status text.
bool ParseProgress(const char* text, int* current, int* total) {
    return text != nullptr && sscanf(text, "%d / %d", current, total) == 2;
}

// Clicks the progress dialog's Cancel button, as the user does; a disabled button takes no click.
void PressCancel(HWND dialog, bool fromDialogThread) {
    HWND button = GetDlgItem(dialog, IDCANCEL);
    if (button == nullptr || !IsWindowEnabled(button)) return;
    const WPARAM command = MAKEWPARAM(IDCANCEL, BN_CLICKED);
    if (fromDialogThread) {
        SendMessageA(dialog, WM_COMMAND, command, reinterpret_cast<LPARAM>(button));
    } else {
        PostMessageA(dialog, WM_COMMAND, command, reinterpret_cast<LPARAM>(button));
    }
}

// Runs on the dialog's thread for every message of the status control. The batch sets each new
// "%d / %d" with WM_SETTEXT and waits until the dialog has taken it, so a Cancel pressed here
// comes after exactly that many messages, as a user's press during the next message would.
LRESULT CALLBACK ProgressStatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(window, kPreviousProcProperty));
    const LRESULT result = previous != nullptr ? CallWindowProcA(previous, window, message, wParam, lParam)
                                               : DefWindowProcA(window, message, wParam, lParam);
    int current = 0;
    int total = 0;
    if (message == WM_SETTEXT && ParseProgress(reinterpret_cast<const char*>(lParam), &current, &total) &&
        g_host.OnProgress(current, total)) {
        PressCancel(GetParent(window), true);
    }
    if (message == WM_NCDESTROY) {
        RemovePropA(window, kPreviousProcProperty);
        HWND dialog = GetParent(window);
        g_followedProgress.compare_exchange_strong(dialog, nullptr);
    }
    return result;
}

// Follows a progress dialog from now on; a count it already shows is taken at once.
void FollowProgress(HWND dialog) {
    HWND status = GetDlgItem(dialog, kProgressStatusId);
    if (status == nullptr) return;
    SetPropA(status, kPreviousProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrA(status, GWLP_WNDPROC)));
    SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProgressStatusProc));
    g_followedProgress = dialog;
    int current = 0;
    int total = 0;
    if (ParseProgress(HostWindows::TextOf(status).c_str(), &current, &total) && current > 0 && g_host.OnProgress(current, total)) {
        PressCancel(dialog, false);
    }
}

void HandleDialog(const HostWindows::DialogReading& dialog) {
    if (dialog.isProgress) {
        g_host.AnswerDialog(dialog.caption, "progress");  // the plug-in closes it itself
        FollowProgress(dialog.dialog);
        return;
    }
    if (dialog.isMessageBox) {
        HostWindows::PressButton(dialog.dialog, g_host.AnswerMessageBox(dialog.text, dialog.caption, dialog.type));
        return;
    }
    const int pressed = g_host.AnswerDialog(dialog.caption, "dialog");
    if (pressed != 0) HostWindows::PressButton(dialog.dialog, pressed);
}

}  // namespace

void PrepareConsole() {
    _setmode(_fileno(stdout), _O_BINARY);
}

std::string ArgumentToCp932(const char* argument) { return argument; }

std::string AbsolutePath(const std::string& cp932Path) {
    const std::string path = Mbcs::ReplaceChar(cp932Path, '/', '\\');
    char buffer[4096];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
    if (length == 0 || length >= sizeof(buffer)) return path;
    return std::string(buffer, length);
}

std::string ProgramFolder() {
    char buffer[4096];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
    std::string path(buffer, length < sizeof(buffer) ? length : 0);
    const size_t slash = Mbcs::LastIndexOf(path, '\\');
    return slash == std::string::npos ? std::string(".\\") : path.substr(0, slash + 1);
}

const char* DefaultPluginName() { return "Mirvane.dll"; }

void CreateWindows(HWND* main, HWND* tree, HWND* list, HWND* view, std::string* warning) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainClass;
    RegisterClassA(&windowClass);
    *main = CreateWindowExA(0, kMainClass, "Mirvane host", WS_OVERLAPPEDWINDOW, 100, 100, 800, 600, nullptr, nullptr,
                            instance, nullptr);
    if (*main == nullptr) {
        *warning = "no window system (CreateWindowExA failed with " + std::to_string(GetLastError()) +
                   "): message boxes cannot be shown; run under a display (xvfb-run under Wine)";
        *tree = *list = *view = nullptr;
        return;
    }
    *tree = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 560, *main, nullptr, instance, nullptr);
    *list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE, 200, 0, 600, 280, *main, nullptr, instance, nullptr);
    *view = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 200, 280, 600, 280, *main, nullptr,
                            instance, nullptr);
}

void DestroyWindows() {
    HWND main = FindWindowA(kMainClass, nullptr);
    if (main != nullptr) DestroyWindow(main);
}

void AwaitProgressDialog(HWND mainWindow) {
    if (mainWindow == nullptr || IsWindowEnabled(mainWindow)) return;
    const DWORD start = GetTickCount();
    for (;;) {
        HWND followed = g_followedProgress.load();
        if (followed != nullptr && IsWindow(followed)) return;
        if (GetTickCount() - start > kProgressDialogWaitMs) return;
        // The dialog's thread may send to the host's windows while it comes up.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

void StartMessageBoxWatcher() { g_watcher.Start(HandleDialog); }

void StopMessageBoxWatcher() { g_watcher.Stop(); }

bool HideExport(const std::string& exportName, void*, std::string* error) {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress == 0) {
        *error = "the host program has no export table";
        return false;
    }
    const IMAGE_EXPORT_DIRECTORY* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const DWORD* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        char* name = reinterpret_cast<char*>(base + names[i]);
        if (exportName != name) continue;
        // The loader finds names by binary search: the new name must keep its place between
        // its neighbours. Changing the last character by a little does.
        const char* previous = i > 0 ? reinterpret_cast<const char*>(base + names[i - 1]) : nullptr;
        const char* next = i + 1 < exports->NumberOfNames ? reinterpret_cast<const char*>(base + names[i + 1]) : nullptr;
        std::string candidate = name;
        const size_t last = candidate.size() - 1;
        bool found = false;
        for (int delta = 1; delta < 64 && !found; ++delta) {
            for (int sign : {1, -1}) {
                const int c = static_cast<unsigned char>(name[last]) + sign * delta;
                if (c < 0x21 || c > 0x7E) continue;
                candidate[last] = static_cast<char>(c);
                if ((previous == nullptr || strcmp(previous, candidate.c_str()) < 0) &&
                    (next == nullptr || strcmp(candidate.c_str(), next) < 0)) {
                    found = true;
                    break;
                }
            }
        }
        DWORD old = 0;
        if (!found || !VirtualProtect(name, candidate.size(), PAGE_READWRITE, &old)) {
            *error = "cannot rename the export " + exportName;
            return false;
        }
        name[last] = candidate[last];
        VirtualProtect(name, candidate.size(), old, &old);
        return true;
    }
    *error = "the host program does not export " + exportName;
    return false;
}

}  // namespace HostSystem
