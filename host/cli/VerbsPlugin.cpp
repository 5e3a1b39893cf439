// Verbs that drive the plug-in: receive (the filter protocol), send, info, menu, run, setup.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "host/api/Host.h"
#include "host/api/HostMenu.h"
#include "host/ui/HostSystem.h"
#include "host/store/HostText.h"
#include "host/store/Mime.h"
#include "host/ui/UiDriver.h"
#include "host/cli/Verbs.h"
#include "platform/Mbcs.h"

namespace {

// A plug-in that keeps asking to be called again for one message is stopped after this many
// calls; the message is then stored as the actions so far left it.
const int kMaxFilterCalls = 8;

enum FilterAction { kActionNone = -1, kActionMove = 0, kActionMark = 2, kActionAddHeader = 8 };

int NeedPlugin() { return g_host.EnsurePlugin() ? kExitOk : kExitPlugin; }

bool ReadMessageFile(const std::string& path, std::string* text) {
    std::string data;
    if (!HostFiles::ReadAll(path, &data)) return false;
    *text = HostText::ToCrLf(data);
    return true;
}

// Where a move action sends a message: "\folder\" is relative to the receiving mailbox, other
// texts are folder ids (or full paths inside the data folder).
std::string FilterTarget(const std::string& param, const std::string& mailboxId) {
    if (!param.empty() && param[0] == '\\') return g_host.store.NormalizeFolderId(mailboxId + param.substr(1));
    return g_host.store.NormalizeFolderId(param);
}

struct Received {
    std::string folder;
    unsigned long status = 0;
    std::string text;
    std::vector<std::string> headersAdded;
    std::string steps = "[";
    int calls = 0;
    std::string error;
};

void Filter(const std::string& original, const std::string& mailboxId, bool dotEnd, Received* received) {
    Plugin& plugin = g_host.plugin;
    received->text = original;
    for (;;) {
        std::string handed = received->text;
        if (dotEnd) handed += (handed.size() >= 2 && handed.compare(handed.size() - 2, 2, "\r\n") == 0) ? ".\r\n" : "\r\n.\r\n";
        int action = kActionNone;
        char* param = nullptr;
        const int result = plugin.OnBeforeFilter2(handed.c_str(), mailboxId.c_str(), &action, &param);
        ++received->calls;
        const bool hostMemory = param != nullptr && g_host.memory.Owns(param);
        const std::string paramText = param != nullptr ? std::string(param) : std::string();
        std::string step = "{\"action\":" + std::to_string(action) + ",\"param\":" +
                           (param != nullptr ? Json::QuoteCp932(paramText) : std::string("null")) +
                           ",\"return\":" + std::to_string(result);
        if (param != nullptr && !hostMemory) step += ",\"paramNotHostMemory\":true";
        switch (action) {
            case kActionNone:
                break;
            case kActionMove: {
                const std::string target = FilterTarget(paramText, mailboxId);
                if (param != nullptr && g_host.store.IsFolder(target)) {
                    received->folder = target;
                    step += ",\"moveTo\":" + Json::QuoteCp932(target);
                } else {
                    received->error = "the move target is no folder: " + paramText;
                }
                break;
            }
            case kActionMark:
                if (Mbcs::EqualsAsciiNoCase(paramText, "R")) {
                    received->status |= kStatusRead;
                } else {
                    received->error = "unknown mark: " + paramText;
                }
                break;
            case kActionAddHeader:
                if (!paramText.empty()) {
                    received->text = HostText::AddHeaderLine(received->text, paramText);
                    received->headersAdded.push_back(paramText);
                } else {
                    received->error = "an empty header line";
                }
                break;
            default:
                received->error = "unknown action " + std::to_string(action);
        }
        if (received->steps.size() > 1) received->steps += ",";
        received->steps += step + "}";
        // The parameter is the host's from here on; memory that is not the host's is left
        // alone (and reported).
        if (hostMemory) g_host.memory.Free(param, "host");
        if (result != 3) break;
        if (received->calls >= kMaxFilterCalls) {
            received->error = "the plug-in asked to be called again " + std::to_string(kMaxFilterCalls) + " times";
            break;
        }
    }
    received->steps += "]";
}

void CollectFiles(const std::string& path, std::vector<std::string>* files, std::vector<std::string>* missing) {
    if (HostFiles::IsDirectory(path)) {
        std::vector<std::string> names;
        HostFiles::List(path, nullptr, &names);
        const std::string folder = Mbcs::EndsWith(path, '\\') ? path : path + "\\";
        for (const std::string& name : names) files->push_back(folder + name);
    } else if (HostFiles::IsFile(path)) {
        files->push_back(path);
    } else {
        missing->push_back(path);
    }
}

}  // namespace

int VerbReceive(const VerbArgs& args) {
    MailStore& store = g_host.store;
    if (args.positional.empty()) return Fail("receive needs message files or folders", kExitUsage);
    const std::string mailboxId = args.Has("mailbox") ? store.NormalizeFolderId(args.Get("mailbox"))
                                                      : store.MailboxOf(store.CurrentFolder());
    if (!store.IsMailbox(mailboxId)) return Fail("no such mailbox: " + mailboxId);
    const std::string inbox = store.InboxOf(mailboxId);
    if (!store.IsFolder(inbox)) return Fail("the mailbox has no inbox: " + inbox);
    std::vector<std::string> files;
    std::vector<std::string> missing;
    for (const std::string& path : args.positional) CollectFiles(HostSystem::AbsolutePath(path), &files, &missing);
    if (!missing.empty()) return Fail("no such file or folder: " + missing.front());
    const bool filter = !args.Has("no-filter");
    if (filter) {
        const int code = NeedPlugin();
        if (code != kExitOk) return code;
        if (g_host.plugin.OnBeforeFilter2 == nullptr) return Fail("the plug-in does not export BKC_OnBeforeFilter2");
    }
    const auto started = std::chrono::steady_clock::now();
    long long moved = 0;
    long long read = 0;
    long long headers = 0;
    long long failures = 0;
    for (const std::string& file : files) {
        std::string text;
        if (!ReadMessageFile(file, &text)) {
            Fail("cannot read " + file);
            ++failures;
            continue;
        }
        Received received;
        received.folder = inbox;
        if (filter) {
            Filter(text, mailboxId, args.Has("dot"), &received);
        } else {
            received.text = text;
            received.steps += "]";
        }
        std::string id;
        std::string error;
        const bool stored = store.Add(received.folder, received.text, received.status, &id, &error);
        if (!stored) received.error = error;
        JsonLine line("received");
        line.Str("file", file).Int("calls", received.calls).Raw("steps", received.steps).Bool("stored", stored)
            .Str("id", id).Str("folder", received.folder);
        std::string display;
        store.DisplayName(received.folder, &display);
        line.Str("folderName", display).Bool("read", (received.status & kStatusRead) != 0)
            .StrArray("headersAdded", received.headersAdded)
            .Str("subject", Mime::DecodeHeader(HostText::HeaderValue(received.text, "Subject")));
        if (!received.error.empty()) line.Str("error", received.error);
        Json::Emit(line);
        if (!stored || !received.error.empty()) ++failures;
        if (received.folder != inbox) ++moved;
        if (received.status & kStatusRead) ++read;
        headers += static_cast<long long>(received.headersAdded.size());
        if (stored && filter && g_host.plugin.OnRetrieve != nullptr) g_host.plugin.OnRetrieve(received.text.c_str(), id.c_str());
    }
    if (filter && g_host.plugin.OnFinishRetrieve != nullptr) g_host.plugin.OnFinishRetrieve(static_cast<int>(files.size()));
    const long long milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started).count();
    Json::Emit(JsonLine("receive").Str("mailbox", mailboxId).Int("messages", static_cast<long long>(files.size()))
                   .Int("moved", moved).Int("read", read).Int("headersAdded", headers).Int("failures", failures)
                   .Int("milliseconds", milliseconds));
    return failures == 0 ? kExitOk : kExitFailed;
}

int VerbSend(const VerbArgs& args) {
    if (args.positional.size() != 1) return Fail("send needs one message file", kExitUsage);
    const std::string path = HostSystem::AbsolutePath(args.positional[0]);
    std::string text;
    if (!ReadMessageFile(path, &text)) return Fail("cannot read " + path);
    const int code = NeedPlugin();
    if (code != kExitOk) return code;
    if (g_host.plugin.OnSend == nullptr) return Fail("the plug-in does not export BKC_OnSend");
    const int result = g_host.plugin.OnSend(text.c_str());
    Json::Emit(JsonLine("send").Str("file", path).Int("return", result));
    return kExitOk;
}

int VerbInfo(const VerbArgs&) {
    const int code = NeedPlugin();
    if (code != kExitOk) return code;
    if (g_host.plugin.OnPlugInInfo == nullptr) return Fail("the plug-in does not export BKC_OnPlugInInfo");
    // Filled with a non-NUL byte first, so that a field the plug-in leaves unterminated shows.
    PluginInfoRecord info;
    memset(&info, 'Z', sizeof(info));
    const int result = g_host.plugin.OnPlugInInfo(&info);
    bool terminated = true;
    auto field = [&](const char* data, size_t size) {
        const char* end = static_cast<const char*>(memchr(data, '\0', size));
        if (end == nullptr) terminated = false;
        return std::string(data, end != nullptr ? static_cast<size_t>(end - data) : size);
    };
    const std::string name = field(info.szPlugInName, sizeof(info.szPlugInName));
    const std::string vendor = field(info.szVendor, sizeof(info.szVendor));
    const std::string version = field(info.szVersion, sizeof(info.szVersion));
    const std::string description = field(info.szDescription, sizeof(info.szDescription));
    Json::Emit(JsonLine("info").Int("return", result).Str("name", name).Str("vendor", vendor).Str("version", version)
                   .Str("description", description).Bool("terminated", terminated));
    return terminated ? kExitOk : kExitFailed;
}

// A menu of another kind than the message-list context menu: the plug-in is offered an empty
// one and what it adds is reported (it is meant to add nothing).
int OtherMenu(int type) {
    HMENU menu = CreatePopupMenu();
    const size_t registered = g_host.commands.size();
    const int result = g_host.plugin.OnMenuInit(g_host.mainWindow, menu, type);
    const int items = GetMenuItemCount(menu);
    DestroyMenu(menu);
    Json::Emit(JsonLine("menu-init").Int("type", type).Int("return", result).Int("items", items)
                   .Int("registered", static_cast<long long>(g_host.commands.size() - registered)));
    return kExitOk;
}

int VerbMenu(const VerbArgs& args) {
    int type = 1;
    if (args.Has("type")) {
        const std::string text = args.Get("type");
        char* end = nullptr;
        const long value = strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0') return Fail("--type needs a number", kExitUsage);
        type = static_cast<int>(value);
    }
    const int code = NeedPlugin();
    if (code != kExitOk) return code;
    if (type != 1) {
        if (g_host.plugin.OnMenuInit == nullptr) return Fail("the plug-in does not export BKC_OnMenuInit");
        return OtherMenu(type);
    }
    std::string error;
    if (!HostMenu::Build(&error)) return Fail(error);
    std::vector<HostMenu::Item> items = HostMenu::Walk();
    HostMenu::UpdateStates(&items);
    for (const HostMenu::Item& item : items) {
        JsonLine line("menu-item");
        line.Utf8("path", item.path).Int("depth", item.depth).Int("position", item.position).Utf8("kind", item.kind);
        if (item.kind != "separator") line.Str("text", item.text).Bool("enabled", item.enabled);
        if (item.kind == "command" || item.kind == "host" || item.kind == "item") line.Int("id", item.id);
        if (item.uiState >= 0) line.Int("uiState", item.uiState);
        Json::Emit(line);
    }
    Json::Emit(JsonLine("menu").Int("items", static_cast<long long>(items.size()))
                   .Int("selected", static_cast<long long>(g_host.store.SelectedIds().size())));
    return kExitOk;
}

// With --ui-script the UI driver plays the user in the plug-in's windows while the verb runs;
// the message-box watcher steps aside meanwhile. False (error set) when it cannot start.
static bool StartUiDriver(const VerbArgs& args, std::string* error) {
    if (!args.Has("ui-script")) return true;
    HostSystem::StopMessageBoxWatcher();
    if (UiDriver::Start(args.Get("ui-script"), error)) return true;
    HostSystem::StartMessageBoxWatcher();
    return false;
}

// Waits for the driver's script; false when a step failed.
static bool FinishUiDriver(const VerbArgs& args) {
    if (!args.Has("ui-script")) return true;
    const int failed = UiDriver::Finish();
    HostSystem::StartMessageBoxWatcher();
    return failed == 0;
}

int VerbRun(const VerbArgs& args) {
    if (args.positional.size() > 1 || (args.positional.empty() != args.Has("pos"))) {
        return Fail("run needs a menu item text or --pos PATH", kExitUsage);
    }
    int runCancelAfter = g_host.cancelAfter;
    if (args.Has("cancel-after") && !ParseCount(args.Get("cancel-after"), &runCancelAfter)) {
        return Fail("--cancel-after: a number of messages", kExitUsage);
    }
    const int code = NeedPlugin();
    if (code != kExitOk) return code;
    std::string error;
    if (!HostMenu::Build(&error)) return Fail(error);
    std::vector<HostMenu::Item> items = HostMenu::Walk();
    HostMenu::UpdateStates(&items);
    HostMenu::Item item;
    if (!HostMenu::Find(args.positional.empty() ? std::string() : args.positional[0], args.Get("pos"), &item, &error)) {
        return Fail(error);
    }
    for (const HostMenu::Item& updated : items) {
        if (updated.path == item.path) item = updated;
    }
    if (item.kind == "popup" || item.kind == "separator") return Fail("not a command: " + item.path + " " + item.text);
    if (item.kind == "command" && g_host.FindCommand(item.id)->command == nullptr) {
        return Fail("the plug-in registered no function for " + item.text);
    }
    if (!item.enabled && !args.Has("force")) return Fail("the menu item is greyed for this selection: " + item.text);
    const int cancelAfter = g_host.cancelAfter;
    g_host.cancelAfter = runCancelAfter;
    Json::Emit(JsonLine("run-start").Utf8("path", item.path).Str("text", item.text).Int("id", item.id)
                   .StrArray("selection", g_host.store.SelectedIds()));
    g_host.BeginRun();
    if (!StartUiDriver(args, &error)) {
        g_host.cancelAfter = cancelAfter;
        return Fail(error);
    }
    if (item.kind == "command") {
        const RegisteredCommand* command = g_host.FindCommand(item.id);
        command->command(g_host.mainWindow, command->target);
    } else if (HostMenu::IsHostItem(item.id)) {
        HostMenu::RunHostItem(item.id);
    }
    g_host.cancelAfter = cancelAfter;
    const bool driverOk = FinishUiDriver(args);
    Json::Emit(JsonLine("run").Utf8("path", item.path).Str("text", item.text).Int("id", item.id)
                   .StrArray("selection", g_host.store.SelectedIds()).Str("current", g_host.store.CurrentMail())
                   .Bool("mainWindowEnabled", IsWindowEnabled(g_host.mainWindow) != FALSE));
    return driverOk ? kExitOk : kExitFailed;
}

int VerbSetup(const VerbArgs& args) {
    const int code = NeedPlugin();
    if (code != kExitOk) return code;
    if (g_host.plugin.OnPlugInSetup == nullptr) return Fail("the plug-in does not export BKC_OnPlugInSetup");
    std::string error;
    if (!StartUiDriver(args, &error)) return Fail(error);
    const int result = g_host.plugin.OnPlugInSetup(g_host.mainWindow);
    Json::Emit(JsonLine("setup").Int("return", result));
    return FinishUiDriver(args) ? kExitOk : kExitFailed;
}
