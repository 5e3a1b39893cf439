// Verbs on the data folder: init, mkfolder, folders, list, state, select, display-name,
// decode. None of them loads the plug-in; select tells a plug-in that is loaded (in a script)
// about the folder and message it opens, as the mail client does.
#include <cstdlib>
#include <cstring>
#include <set>

#include "host/api/Host.h"
#include "host/api/HostApiExports.h"
#include "host/store/HostText.h"
#include "host/store/Mime.h"
#include "host/cli/Verbs.h"
#include "platform/Mbcs.h"

namespace {

// "dir:name:address": the directory up to the first ":", the address after the last one, the
// name in between (it may hold colons).
bool ParseMailbox(const std::string& spec, MailStore::Mailbox* mailbox) {
    const size_t first = spec.find(':');
    if (first == std::string::npos) {
        mailbox->dir = spec;
        mailbox->name = spec;
        return !spec.empty();
    }
    const size_t last = spec.rfind(':');
    mailbox->dir = spec.substr(0, first);
    if (last == first) {
        mailbox->name = spec.substr(first + 1);
    } else {
        mailbox->name = spec.substr(first + 1, last - first - 1);
        mailbox->address = spec.substr(last + 1);
    }
    if (Mbcs::EndsWith(mailbox->dir, '\\') || Mbcs::EndsWith(mailbox->dir, '/')) mailbox->dir.pop_back();
    if (mailbox->name.empty()) mailbox->name = mailbox->dir;
    return !mailbox->dir.empty();
}

int FolderCounts(const std::string& folderId, long long* unread) {
    MailStore::Folder* folder = g_host.store.LoadFolder(folderId);
    *unread = 0;
    if (folder == nullptr) return 0;
    for (const MailStore::Message& message : folder->messages) {
        if ((message.status & kStatusRead) == 0) ++*unread;
    }
    return static_cast<int>(folder->messages.size());
}

}  // namespace

int VerbInit(const VerbArgs& args) {
    MailStore& store = g_host.store;
    std::string error;
    if (!store.Initialize(&error)) return Fail(error);
    std::vector<MailStore::Mailbox> wanted;
    for (const std::string& spec : args.positional) {
        MailStore::Mailbox mailbox;
        if (!ParseMailbox(spec, &mailbox)) return Fail("not a mailbox (DIR:NAME:ADDRESS): " + spec, kExitUsage);
        wanted.push_back(mailbox);
    }
    if (wanted.empty() && store.Mailboxes().empty()) wanted.push_back(MailStore::Mailbox{"main.mb", "Main", "user@example.com"});
    for (const MailStore::Mailbox& mailbox : wanted) {
        if (!store.AddMailbox(mailbox, &error)) return Fail(error);
    }
    for (const MailStore::Mailbox& mailbox : store.Mailboxes()) {
        std::string display;
        store.DisplayName(mailbox.Id(), &display);
        Json::Emit(JsonLine("mailbox").Str("id", mailbox.Id()).Str("name", mailbox.name).Str("address", mailbox.address)
                       .Str("displayName", display));
    }
    Json::Emit(JsonLine("init").Str("dataFolder", store.DataFolder()).Int("mailboxes", static_cast<long long>(store.Mailboxes().size())));
    return kExitOk;
}

int VerbMakeFolder(const VerbArgs& args) {
    if (args.positional.empty()) return Fail("mkfolder needs folder ids", kExitUsage);
    for (const std::string& folder : args.positional) {
        std::string error;
        if (!g_host.store.MakeFolder(folder, &error)) return Fail(error);
        const std::string id = g_host.store.NormalizeFolderId(folder);
        std::string display;
        g_host.store.DisplayName(id, &display);
        Json::Emit(JsonLine("folder").Str("id", id).Str("displayName", display).Int("messages", 0).Int("unread", 0));
    }
    return kExitOk;
}

int VerbFolders(const VerbArgs&) {
    MailStore& store = g_host.store;
    if (!store.Initialized()) return Fail("the data folder has no Folder.lst: run init first");
    for (const MailStore::Mailbox& mailbox : store.Mailboxes()) {
        std::string display;
        store.DisplayName(mailbox.Id(), &display);
        Json::Emit(JsonLine("mailbox").Str("id", mailbox.Id()).Str("name", mailbox.name).Str("address", mailbox.address)
                       .Str("displayName", display));
        for (const std::string& folder : store.FoldersOf(mailbox.Id())) {
            store.DisplayName(folder, &display);
            long long unread = 0;
            const int count = FolderCounts(folder, &unread);
            Json::Emit(JsonLine("folder").Str("id", folder).Str("displayName", display).Int("messages", count)
                           .Int("unread", unread));
        }
    }
    return kExitOk;
}

int VerbList(const VerbArgs& args) {
    MailStore& store = g_host.store;
    if (args.positional.size() > 1) return Fail("list takes one folder id", kExitUsage);
    const std::string folderId = args.positional.empty() ? store.CurrentFolder() : store.NormalizeFolderId(args.positional[0]);
    MailStore::Folder* folder = store.LoadFolder(folderId);
    if (folder == nullptr) return Fail("no such folder: " + folderId);
    const bool current = folderId == store.CurrentFolder();
    const std::string header = args.Get("header");
    long long unread = 0;
    for (size_t i = 0; i < folder->messages.size(); ++i) {
        const MailStore::Message& message = folder->messages[i];
        const std::string id = folderId + message.file;
        std::string source;
        HostFiles::ReadAll(store.PathOf(id), &source);
        if ((message.status & kStatusRead) == 0) ++unread;
        JsonLine line("mail");
        line.Int("index", static_cast<long long>(i)).Str("id", id).Bool("read", (message.status & kStatusRead) != 0)
            .Int("status", static_cast<long long>(message.status)).Bool("selected", current && store.IsSelected(message.file))
            .Bool("current", store.CurrentMail() == id)
            .Str("subject", Mime::DecodeHeader(HostText::HeaderValue(source, "Subject")))
            .Str("from", Mime::DecodeHeader(HostText::HeaderValue(source, "From")))
            .Int("size", static_cast<long long>(source.size()));
        if (!header.empty()) {
            bool found = false;
            const std::string value = HostText::HeaderValue(source, header, &found);
            line.Bool("hasHeader", found);
            if (found) line.Str("headerValue", value);
        }
        Json::Emit(line);
    }
    std::string display;
    store.DisplayName(folderId, &display);
    Json::Emit(JsonLine("list").Str("folder", folderId).Str("displayName", display)
                   .Int("messages", static_cast<long long>(folder->messages.size())).Int("unread", unread));
    return kExitOk;
}

int VerbState(const VerbArgs&) {
    MailStore& store = g_host.store;
    const std::string folder = store.CurrentFolder();
    Json::Emit(JsonLine("state").Str("mailbox", store.MailboxOf(folder)).Str("folder", folder)
                   .Str("mail", store.CurrentMail()).StrArray("selection", store.SelectedIds()));
    return kExitOk;
}

int VerbSelect(const VerbArgs& args) {
    MailStore& store = g_host.store;
    std::string folderId;
    if (args.Has("folder")) {
        folderId = store.NormalizeFolderId(args.Get("folder"));
    } else {
        for (const std::string& word : args.positional) {
            std::string folderPart;
            std::string file;
            if (Mbcs::IndexOf(word, '\\') != std::string::npos && store.SplitId(Mbcs::ReplaceChar(word, '/', '\\'), &folderPart, &file)) {
                folderId = folderPart;
                break;
            }
        }
        if (folderId.empty()) folderId = store.CurrentFolder();
    }
    MailStore::Folder* folder = store.LoadFolder(folderId);
    if (folder == nullptr) return Fail("no such folder: " + folderId);

    // Collect first, change nothing until every message is known.
    std::vector<std::string> files;
    for (const std::string& word : args.positional) {
        std::string file = Mbcs::ReplaceChar(word, '/', '\\');
        std::string folderPart = folderId;
        if (Mbcs::IndexOf(file, '\\') != std::string::npos && !store.SplitId(file, &folderPart, &file)) {
            return Fail("not a message id: " + word);
        }
        if (folderPart != folderId) return Fail("all messages of a selection are in one folder: " + word);
        if (folder->positions.count(file) == 0) return Fail("no such message: " + folderId + file);
        files.push_back(file);
    }
    for (const std::string& index : args.List("index")) {
        char* end = nullptr;
        const long value = strtol(index.c_str(), &end, 10);
        if (end == index.c_str() || *end != '\0' || value < 0 || static_cast<size_t>(value) >= folder->messages.size()) {
            return Fail("no message at index " + index + " of " + folderId);
        }
        files.push_back(folder->messages[static_cast<size_t>(value)].file);
    }
    if (args.Has("all")) {
        for (const MailStore::Message& message : folder->messages) files.push_back(message.file);
    }

    const bool folderChanged = folderId != store.CurrentFolder();
    store.SetCurrentFolder(folderId);
    if (!args.Has("add") || args.Has("none")) store.ClearSelection();
    for (const std::string& file : files) store.Select(file, true);
    const std::vector<std::string> selected = store.SelectedIds();
    const std::string current = files.empty() ? (args.Has("add") ? store.CurrentMail() : std::string()) : folderId + files.front();
    const bool mailChanged = current != store.CurrentMail();
    store.SetCurrentMail(current);
    if (g_host.plugin.Loaded()) {
        if (folderChanged && g_host.plugin.OnOpenFolder != nullptr) g_host.plugin.OnOpenFolder(folderId.c_str());
        if (mailChanged && !current.empty() && g_host.plugin.OnOpenMail != nullptr) g_host.plugin.OnOpenMail(current.c_str());
    }
    Json::Emit(JsonLine("selection").Str("folder", folderId).StrArray("ids", selected).Str("current", current));
    return kExitOk;
}

int VerbDisplayName(const VerbArgs& args) {
    if (args.positional.empty()) return Fail("display-name needs folder ids", kExitUsage);
    for (const std::string& id : args.positional) {
        const char* name = BKA_GetFolderDisplayName(id.c_str());
        Json::Emit(JsonLine("display-name").Str("folder", id).StrOrNull("name", name));
    }
    return kExitOk;
}

int VerbDecode(const VerbArgs& args) {
    if (args.positional.empty()) return Fail("decode needs texts", kExitUsage);
    const bool encode = args.Has("encode");
    for (const std::string& text : args.positional) {
        char charset[128] = "";
        if (args.Has("charset")) {
            const std::string wanted = args.Get("charset");
            strncpy(charset, wanted.c_str(), sizeof(charset) - 1);
        }
        char* result = BKA_MIMEHeader(text.c_str(), charset, sizeof(charset), encode ? TRUE : FALSE);
        Json::Emit(JsonLine("decode").Str("input", text).StrOrNull("output", result).Str("charset", charset));
        BKA_Free(result);
    }
    return kExitOk;
}
