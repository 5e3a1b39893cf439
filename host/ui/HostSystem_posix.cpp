// The Linux side of the host simulator: stand-in window handles, the message-box and progress
// hooks it registers with the platform layer, hiding an export in the program's dynamic symbol
// table.
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/api/Host.h"
#include "host/store/Charset.h"
#include "host/ui/HostSystem.h"
#include "platform/Mbcs.h"
#include "platform/posix/ui_hooks.h"

namespace {

// Registered with the platform layer while the host watches: the plug-in's message boxes are
// answered by the host.
int AnswerMessageBox(HWND, const char* text, const char* caption, unsigned type) {
    return g_host.AnswerMessageBox(text != nullptr ? text : "", caption != nullptr ? caption : "", type);
}

// Asked by the progress display of a batch command after every message; a non-zero answer is a
// press of its Cancel button (--cancel-after).
int AnswerProgress(int current, int total) { return g_host.OnProgress(current, total) ? 1 : 0; }

}  // namespace

namespace HostSystem {

void PrepareConsole() {}

std::string ArgumentToCp932(const char* argument) { return Charset::Utf8ToCp932(argument); }

std::string AbsolutePath(const std::string& cp932Path) {
    std::string path = Mbcs::ReplaceChar(cp932Path, '/', '\\');
    if (path.empty() || path[0] != '\\') {
        char buffer[4096];
        if (getcwd(buffer, sizeof(buffer)) != nullptr) {
            path = Mbcs::ReplaceChar(Charset::Utf8ToCp932(buffer), '/', '\\') + "\\" + path;
        }
    }
    // Drop "." and resolve ".." so that the data folder has one spelling.
    std::vector<std::string> parts;
    for (const std::string& part : Mbcs::Split(path, '\\')) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (const std::string& part : parts) result += "\\" + part;
    if (result.empty()) result = "\\";
    if (Mbcs::EndsWith(path, '\\') && result != "\\") result += "\\";
    return result;
}

std::string ProgramFolder() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return ".\\";
    const std::string path = Mbcs::ReplaceChar(Charset::Utf8ToCp932(std::string(buffer, static_cast<size_t>(length))), '/', '\\');
    return path.substr(0, Mbcs::LastIndexOf(path, '\\') + 1);
}

const char* DefaultPluginName() { return "Mirvane.so"; }

void CreateWindows(HWND* main, HWND* tree, HWND* list, HWND* view, std::string*) {
    // The plug-in only passes these on (as owners of message boxes, to EnableWindow); they
    // must be distinct and non-null.
    static char windows[4];
    *main = reinterpret_cast<HWND>(&windows[0]);
    *tree = reinterpret_cast<HWND>(&windows[1]);
    *list = reinterpret_cast<HWND>(&windows[2]);
    *view = reinterpret_cast<HWND>(&windows[3]);
}

void DestroyWindows() {}

void AwaitProgressDialog(HWND) {}

void StartMessageBoxWatcher() {
    SetMessageBoxHook(AnswerMessageBox);
    SetProgressHook(AnswerProgress);
}

void StopMessageBoxWatcher() {
    SetMessageBoxHook(nullptr);
    SetProgressHook(nullptr);
}

bool HideExport(const std::string& exportName, void* address, std::string* error) {
    // The dynamic linker finds a name by its hash and then compares the string in the
    // program's string table: changing one character of that string hides the symbol from
    // every later lookup, while the program's own calls (bound at link time) keep working.
    Dl_info info;
    if (dladdr(address, &info) == 0 || info.dli_sname == nullptr || exportName != info.dli_sname) {
        *error = "the host program does not export " + exportName;
        return false;
    }
    char* name = const_cast<char*>(info.dli_sname);
    const uintptr_t pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = reinterpret_cast<uintptr_t>(name) & ~(pageSize - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(name) + exportName.size() + 1;
    const size_t length = static_cast<size_t>(end - first);
    if (mprotect(reinterpret_cast<void*>(first), length, PROT_READ | PROT_WRITE) != 0) {
        *error = "cannot make the symbol table writable to hide " + exportName;
        return false;
    }
    name[0] = 'b';
    mprotect(reinterpret_cast<void*>(first), length, PROT_READ);
    return true;
}

}  // namespace HostSystem
