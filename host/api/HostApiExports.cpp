// The host functions (BKA_...) that the plug-in resolves in the host program, exported by
// undecorated name with the signatures of plugin/HostApi.h. They work on g_host: the data
// folder, the selection, the allocator. Every call that changes something is reported as a
// "call" line; read-only calls are reported with --trace.
//
// Memory handed to the plug-in (GetSource, GetHeader, GetText, MIMEHeader, SerializeRcpts,
// GetTempFileName, Alloc) comes from the host's tracked allocator and is released with
// BKA_Free; texts returned as LPCSTR (GetVersion, GetDataFolder, GetCurrent*,
// GetFolderDisplayName, GetTempFolder) belong to the host and stay valid until the next call
// of the same function.
#include <cstring>
#include <type_traits>

#include "host/store/Charset.h"
#include "host/api/Host.h"
#include "host/api/HostApiExports.h"
#include "host/api/HostExport.h"
#include "host/ui/HostSystem.h"
#include "host/store/HostText.h"
#include "host/store/Mime.h"
#include "platform/Mbcs.h"

namespace {

std::string Text(LPCSTR text) { return text != nullptr ? std::string(text) : std::string(); }

JsonLine Call(const char* function) { return JsonLine("call").Utf8("function", function); }

// A message id argument; null or empty means the current message.
std::string MailId(LPCSTR id) { return id != nullptr && *id != '\0' ? std::string(id) : g_host.store.CurrentMail(); }

LPSTR HandOut(const std::string& text, const char* origin, const std::string& note) {
    char* memory = static_cast<char*>(g_host.memory.Alloc(static_cast<long long>(text.size()) + 1, origin, note));
    if (memory != nullptr) memcpy(memory, text.c_str(), text.size() + 1);
    return memory;
}

void CopyOut(LPSTR buffer, int size, const std::string& text) {
    if (buffer == nullptr || size <= 0) return;
    const size_t length = text.size() < static_cast<size_t>(size) ? text.size() : static_cast<size_t>(size) - 1;
    // Never cut a double-byte character in two.
    const size_t safe = Mbcs::CutLength(text.c_str(), text.size(), length);
    memcpy(buffer, text.data(), safe);
    buffer[safe] = '\0';
}

void ReportFault(const char* function) {
    const std::vector<HostMemory::Fault> faults = g_host.memory.Faults();
    if (faults.empty()) return;
    const HostMemory::Fault& fault = faults.back();
    Json::Emit(JsonLine("memory-fault").Utf8("function", function).Utf8("kind", fault.kind).Utf8("origin", fault.origin));
}

bool MoveIds(const std::vector<std::string>& ids, const std::string& folder, bool copy, JsonLine* line) {
    const std::string target = g_host.store.NormalizeFolderId(folder);
    std::vector<std::string> newIds;
    std::string error;
    const bool ok = !ids.empty() && g_host.store.Move(ids, target, copy, &newIds, &error);
    line->Str("folder", Text(folder.c_str())).StrArray("ids", ids).Bool("copy", copy).StrArray("newIds", newIds).Bool("ok", ok);
    if (!error.empty()) line->Str("error", error);
    return ok;
}

std::string ConvertText(const char* charset, LPCSTR in, BOOL encode) {
    const std::string text = Text(in);
    const std::string name = charset;
    if (name == "ISO-2022-JP") return encode ? Charset::Cp932ToIso2022Jp(text) : Charset::Iso2022JpToCp932(text);
    if (name == "EUC-JP") return encode ? Charset::Cp932ToEucJp(text) : Charset::EucJpToCp932(text);
    if (name == "UTF-8") return encode ? Charset::Cp932ToUtf8(text) : Charset::Utf8ToCp932(text);
    // The other converters decode through the system; encoding into them is not offered and
    // gives the text back unchanged.
    std::string out;
    if (encode || !Charset::ToCp932(name, text, &out)) return text;
    return out;
}

int Convert(const char* function, const char* charset, LPCSTR in, LPSTR out, BOOL encode) {
    const std::string result = ConvertText(charset, in, encode);
    g_host.ReportCall(Call(function).Bool("encode", encode != FALSE).Int("length", static_cast<long long>(result.size())), false);
    if (out == nullptr) return static_cast<int>(result.size()) + 1;  // the size to provide
    memcpy(out, result.c_str(), result.size() + 1);
    return static_cast<int>(result.size());
}

int ConvertFile(const char* function, LPCSTR outPath, LPCSTR inPath, BOOL encode, bool base64) {
    std::string data;
    int result = -1;
    if (outPath != nullptr && inPath != nullptr && HostFiles::ReadAll(inPath, &data)) {
        std::string converted;
        if (base64) {
            if (encode) converted = Mime::EncodeBase64(data, true);
            else Mime::DecodeBase64(data, &converted, false);
        } else {
            converted = encode ? Mime::EncodeQuotedPrintable(data) : Mime::DecodeQuotedPrintable(data);
        }
        if (HostFiles::WriteAtomic(outPath, converted)) result = static_cast<int>(converted.size());
    }
    g_host.ReportCall(Call(function).Str("out", Text(outPath)).Str("in", Text(inPath)).Bool("encode", encode != FALSE)
                          .Int("result", result), true);
    return result;
}

}  // namespace

HOST_EXPORT LPCSTR WINAPI BKA_GetVersion() {
    g_host.ReportCall(Call("GetVersion").Str("result", g_host.version), false);
    return g_host.version.c_str();
}

HOST_EXPORT void WINAPI BKA_Command(HWND, LPCSTR command) {
    g_host.ReportCall(Call("Command").StrOrNull("command", command).StrArray("selection", g_host.store.SelectedIds()), true);
}

HOST_EXPORT BOOL WINAPI BKA_GetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view) {
    if (main != nullptr) *main = g_host.mainWindow;
    if (tree != nullptr) *tree = g_host.treeWindow;
    if (list != nullptr) *list = g_host.listWindow;
    if (view != nullptr) *view = g_host.viewWindow;
    g_host.ReportCall(Call("GetWindowHandles"), false);
    return g_host.mainWindow != nullptr;
}

HOST_EXPORT UINT WINAPI BKA_RegisterCommand(LPCSTR text, int target, BkCommandCallback callback) {
    const UINT id = kFirstCommandId + static_cast<UINT>(g_host.commands.size());
    g_host.commands.push_back(RegisteredCommand{id, Text(text), target, callback, nullptr});
    g_host.ReportCall(Call("RegisterCommand").Str("text", Text(text)).Int("target", target).Int("result", id), false);
    return id;
}

HOST_EXPORT UINT WINAPI BKA_RegisterUICallback(UINT command, BkUICallback callback) {
    RegisteredCommand* registered = g_host.FindCommand(command);
    if (registered != nullptr) registered->state = callback;
    g_host.ReportCall(Call("RegisterUICallback").Int("command", command).Bool("ok", registered != nullptr), false);
    return registered != nullptr ? command : 0;
}

HOST_EXPORT LPCSTR WINAPI BKA_GetDataFolder() {
    g_host.returnedDataFolder = g_host.store.DataFolder();
    if (g_host.bareDataFolder && Mbcs::EndsWith(g_host.returnedDataFolder, '\\')) {
        g_host.returnedDataFolder.pop_back();
    }
    g_host.ReportCall(Call("GetDataFolder").Str("result", g_host.returnedDataFolder), false);
    return g_host.returnedDataFolder.c_str();
}

HOST_EXPORT LPCSTR WINAPI BKA_GetTempFolder() {
    g_host.tempFolder = g_host.store.DataFolder() + "Temp\\";
    HostFiles::MakeDirectories(g_host.tempFolder);
    g_host.ReportCall(Call("GetTempFolder").Str("result", g_host.tempFolder), false);
    return g_host.tempFolder.c_str();
}

HOST_EXPORT LPSTR WINAPI BKA_GetTempFileName(LPSTR type) {
    static unsigned counter = 0;
    const std::string folder = BKA_GetTempFolder();
    std::string path;
    for (;;) {
        char name[64];
        snprintf(name, sizeof(name), "tmp%05u.%s", ++counter, type != nullptr && *type != '\0' ? type : "tmp");
        path = folder + name;
        if (!HostFiles::IsFile(path)) break;
    }
    g_host.ReportCall(Call("GetTempFileName").Str("result", path), false);
    return HandOut(path, "GetTempFileName", std::string());
}

HOST_EXPORT LPCSTR WINAPI BKA_GetCurrentMailBox() {
    g_host.returnedMailbox = g_host.store.MailboxOf(g_host.store.CurrentFolder());
    g_host.ReportCall(Call("GetCurrentMailBox").Str("result", g_host.returnedMailbox), false);
    return g_host.returnedMailbox.c_str();
}

HOST_EXPORT void WINAPI BKA_SetCurrentMailBox(LPCSTR mailbox) {
    const std::string id = g_host.store.NormalizeFolderId(Text(mailbox));
    const bool ok = g_host.store.IsMailbox(id);
    if (ok) g_host.store.SetCurrentFolder(g_host.store.InboxOf(id));
    g_host.ReportCall(Call("SetCurrentMailBox").StrOrNull("mailbox", mailbox).Bool("ok", ok), true);
}

HOST_EXPORT LPCSTR WINAPI BKA_GetCurrentFolder() {
    g_host.returnedFolder = g_host.store.CurrentFolder();
    g_host.ReportCall(Call("GetCurrentFolder").Str("result", g_host.returnedFolder), false);
    return g_host.returnedFolder.c_str();
}

HOST_EXPORT void WINAPI BKA_SetCurrentFolder(LPCSTR folder) {
    const std::string id = g_host.store.NormalizeFolderId(Text(folder));
    const bool ok = g_host.store.IsFolder(id);
    if (ok) g_host.store.SetCurrentFolder(id);
    g_host.ReportCall(Call("SetCurrentFolder").StrOrNull("folder", folder).Bool("ok", ok), true);
}

HOST_EXPORT LPCSTR WINAPI BKA_GetFolderDisplayName(LPCSTR folder) {
    std::string name;
    const bool known = folder != nullptr && g_host.store.DisplayName(Text(folder), &name);
    JsonLine line = Call("GetFolderDisplayName").StrOrNull("folder", folder);
    if (!known) {
        g_host.ReportCall(line.Null("result"), false);
        return nullptr;
    }
    std::string& slot = g_host.returnedNames[g_host.nextName++ % 8];
    slot = name;
    g_host.ReportCall(line.Str("result", slot), false);
    return slot.c_str();
}

HOST_EXPORT void WINAPI BKA_SetMessageText(HWND, LPCSTR text) {
    g_host.ReportCall(Call("SetMessageText").StrOrNull("text", text), true);
}

HOST_EXPORT LPCSTR WINAPI BKA_GetCurrentMail() {
    g_host.store.CurrentFolder();  // loads the state
    g_host.returnedMail = g_host.store.CurrentMail();
    g_host.ReportCall(Call("GetCurrentMail").Str("result", g_host.returnedMail), false);
    return g_host.returnedMail.c_str();
}

HOST_EXPORT void WINAPI BKA_SetCurrentMail(LPCSTR mail) {
    const std::string id = Text(mail);
    std::string folderId;
    std::string file;
    MailStore::Folder* folder = nullptr;
    size_t index = 0;
    const bool ok = g_host.store.SplitId(id, &folderId, &file) && g_host.store.Locate(id, &folder, &index);
    if (ok) {
        if (folderId != g_host.store.CurrentFolder()) g_host.store.SetCurrentFolder(folderId);
        g_host.store.SetCurrentMail(id);
    }
    g_host.ReportCall(Call("SetCurrentMail").StrOrNull("mail", mail).Bool("ok", ok), true);
}

HOST_EXPORT int WINAPI BKA_GetNextMail(int start, LPSTR id, int size, BOOL selected) {
    MailStore::Folder* folder = g_host.store.LoadFolder(g_host.store.CurrentFolder());
    int result = -1;
    if (folder != nullptr) {
        for (size_t i = start < 0 ? 0 : static_cast<size_t>(start) + 1; i < folder->messages.size(); ++i) {
            if (!selected || g_host.store.IsSelected(folder->messages[i].file)) {
                result = static_cast<int>(i);
                CopyOut(id, size, folder->id + folder->messages[i].file);
                break;
            }
        }
    }
    g_host.ReportCall(Call("GetNextMail").Int("start", start).Bool("selected", selected != FALSE).Int("result", result)
                          .Str("id", result >= 0 && id != nullptr ? std::string(id) : std::string()), false);
    return result;
}

HOST_EXPORT void WINAPI BKA_SetSel(LPCSTR id, BOOL select) {
    std::string folderId;
    std::string file;
    MailStore::Folder* folder = nullptr;
    size_t index = 0;
    const std::string mail = Text(id);
    // The message list shows the current folder: only its messages can be (de)selected.
    const bool ok = g_host.store.SplitId(mail, &folderId, &file) && folderId == g_host.store.CurrentFolder() &&
                    g_host.store.Locate(mail, &folder, &index);
    if (ok) g_host.store.Select(file, select != FALSE);
    g_host.ReportCall(Call("SetSel").StrOrNull("id", id).Bool("select", select != FALSE).Bool("ok", ok), true);
}

HOST_EXPORT BOOL WINAPI BKA_AppendMessage(LPCSTR folder, LPCSTR data) {
    std::string id;
    std::string error;
    const bool ok = folder != nullptr && data != nullptr &&
                    g_host.store.Add(g_host.store.NormalizeFolderId(folder), HostText::ToCrLf(data), 0, &id, &error);
    JsonLine line = Call("AppendMessage").StrOrNull("folder", folder).Bool("ok", ok).Str("id", id);
    if (!error.empty()) line.Str("error", error);
    g_host.ReportCall(line, true);
    return ok;
}

HOST_EXPORT BOOL WINAPI BKA_MoveMessages(LPCSTR folder, LPCSTR ids, BOOL copy) {
    std::vector<std::string> list;
    for (const std::string& id : Mbcs::Split(Text(ids), '|')) {
        if (!id.empty()) list.push_back(id);
    }
    JsonLine line = Call("MoveMessages");
    const bool ok = folder != nullptr && MoveIds(list, folder, copy != FALSE, &line);
    if (folder == nullptr) line.Null("folder").Bool("ok", false);
    g_host.ReportCall(line, true);
    return ok;
}

HOST_EXPORT BOOL WINAPI BKA_MoveSelectedMessages(LPCSTR folder, BOOL copy) {
    JsonLine line = Call("MoveSelectedMessages");
    const bool ok = folder != nullptr && MoveIds(g_host.store.SelectedIds(), folder, copy != FALSE, &line);
    if (folder == nullptr) line.Null("folder").Bool("ok", false);
    g_host.ReportCall(line, true);
    return ok;
}

HOST_EXPORT DWORD WINAPI BKA_GetStatus(LPCSTR id) {
    const unsigned long status = g_host.store.Status(MailId(id));
    g_host.ReportCall(Call("GetStatus").StrOrNull("id", id).Int("result", static_cast<long long>(status)), false);
    return static_cast<DWORD>(status);
}

HOST_EXPORT DWORD WINAPI BKA_SetStatus(LPCSTR id, DWORD set, DWORD reset) {
    unsigned long after = 0xFFFFFFFFul;
    const bool ok = g_host.store.SetStatus(MailId(id), set, reset, &after);
    g_host.ReportCall(Call("SetStatus").StrOrNull("id", id).Int("set", static_cast<long long>(set))
                          .Int("reset", static_cast<long long>(reset)).Bool("ok", ok)
                          .Int("result", static_cast<long long>(after)), true);
    return static_cast<DWORD>(after);
}

HOST_EXPORT HWND WINAPI BKA_ComposeMail(LPCSTR url) {
    g_host.ReportCall(Call("ComposeMail").StrOrNull("url", url), true);
    return nullptr;  // no composition windows in this host
}

HOST_EXPORT int WINAPI BKA_GetCharSet(LPCSTR id, LPSTR charset, int size) {
    std::string source;
    int result = -1;
    if (g_host.store.Read(MailId(id), &source)) {
        const std::string type = HostText::HeaderValue(source, "Content-Type");
        std::string value;
        const size_t at = Mbcs::ToLowerAscii(type).find("charset=");
        if (at != std::string::npos) {
            value = type.substr(at + 8);
            const size_t end = value.find_first_of("; \t");
            if (end != std::string::npos) value.erase(end);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        }
        CopyOut(charset, size, value);
        result = static_cast<int>(value.size());
    }
    g_host.ReportCall(Call("GetCharSet").StrOrNull("id", id).Int("result", result), false);
    return result;
}

HOST_EXPORT LPSTR WINAPI BKA_GetSource(LPCSTR id) {
    HostSystem::AwaitProgressDialog(g_host.mainWindow);
    const std::string mail = MailId(id);
    std::string source;
    LPSTR result = g_host.store.Read(mail, &source) ? HandOut(source, "GetSource", mail) : nullptr;
    g_host.ReportCall(Call("GetSource").StrOrNull("id", id).Str("mail", mail).Bool("ok", result != nullptr)
                          .Int("size", static_cast<long long>(source.size())), false);
    return result;
}

HOST_EXPORT void WINAPI BKA_SetSource(LPCSTR id, LPCSTR source) {
    const std::string mail = MailId(id);
    std::string before;
    const bool known = source != nullptr && g_host.store.Read(mail, &before);
    const std::string after = Text(source);
    const bool ok = known && g_host.store.Write(mail, after);
    // The report names the header lines that came and went, which is what the plug-in's
    // rewrites are about.
    std::vector<std::string> removed;
    std::vector<std::string> added;
    if (ok) {
        const std::vector<std::string> oldLines = HostText::HeaderLines(before);
        const std::vector<std::string> newLines = HostText::HeaderLines(after);
        std::vector<bool> used(newLines.size(), false);
        for (const std::string& line : oldLines) {
            bool kept = false;
            for (size_t k = 0; k < newLines.size() && !kept; ++k) {
                if (!used[k] && newLines[k] == line) kept = used[k] = true;
            }
            if (!kept) removed.push_back(line);
        }
        for (size_t k = 0; k < newLines.size(); ++k) {
            if (!used[k]) added.push_back(newLines[k]);
        }
    }
    g_host.ReportCall(Call("SetSource").StrOrNull("id", id).Str("mail", mail).Bool("ok", ok)
                          .Int("oldSize", static_cast<long long>(before.size()))
                          .Int("newSize", static_cast<long long>(after.size()))
                          .StrArray("headersAdded", added).StrArray("headersRemoved", removed)
                          .Bool("bodyChanged", ok && before.substr(HostText::HeaderBlock(before).size()) !=
                                                         after.substr(HostText::HeaderBlock(after).size())),
                      true);
}

HOST_EXPORT int WINAPI BKA_GetSize(LPCSTR id) {
    std::string source;
    const int size = g_host.store.Read(MailId(id), &source) ? static_cast<int>(source.size()) : -1;
    g_host.ReportCall(Call("GetSize").StrOrNull("id", id).Int("result", size), false);
    return size;
}

HOST_EXPORT LPSTR WINAPI BKA_GetHeader(LPCSTR id) {
    const std::string mail = MailId(id);
    std::string source;
    LPSTR result = g_host.store.Read(mail, &source) ? HandOut(HostText::HeaderBlock(source), "GetHeader", mail) : nullptr;
    g_host.ReportCall(Call("GetHeader").StrOrNull("id", id).Bool("ok", result != nullptr), false);
    return result;
}

HOST_EXPORT LPSTR WINAPI BKA_GetText(LPSTR mimeType, int size) {
    const std::string mail = g_host.store.CurrentMail();
    std::string source;
    LPSTR result = nullptr;
    if (!mail.empty() && g_host.store.Read(mail, &source)) {
        const size_t header = HostText::HeaderBlock(source).size();
        result = HandOut(source.substr(header == 0 ? 0 : header + 2), "GetText", mail);
        CopyOut(mimeType, size, "text/plain");
    }
    g_host.ReportCall(Call("GetText").Bool("ok", result != nullptr), false);
    return result;
}

HOST_EXPORT int WINAPI BKA_SetText(int mode, LPCSTR text) {
    g_host.ReportCall(Call("SetText").Int("mode", mode).StrOrNull("text", text), true);
    return 0;
}

HOST_EXPORT void WINAPI BKA_GetSpecifiedHeader(LPCSTR header, LPSTR value, int size) {
    std::string source;
    std::string result;
    if (header != nullptr && g_host.store.Read(g_host.store.CurrentMail(), &source)) {
        result = HostText::HeaderValue(source, header);
    }
    CopyOut(value, size, result);
    g_host.ReportCall(Call("GetSpecifiedHeader").StrOrNull("header", header).Str("result", result), false);
}

HOST_EXPORT void WINAPI BKA_SetSpecifiedHeader(LPCSTR header, LPCSTR value) {
    const std::string mail = g_host.store.CurrentMail();
    std::string source;
    bool ok = false;
    if (header != nullptr && *header != '\0' && g_host.store.Read(mail, &source)) {
        std::string rebuilt;
        for (const std::string& line : HostText::HeaderLines(source)) {
            const size_t colon = line.find(':');
            if (colon != std::string::npos && Mbcs::EqualsAsciiNoCase(line.substr(0, colon), header)) continue;
            rebuilt += line + "\r\n";
        }
        const size_t headerSize = HostText::HeaderBlock(source).size();
        rebuilt += source.substr(headerSize);
        if (value != nullptr && *value != '\0') rebuilt = HostText::AddHeaderLine(rebuilt, Text(header) + ": " + value);
        ok = g_host.store.Write(mail, rebuilt);
    }
    g_host.ReportCall(Call("SetSpecifiedHeader").StrOrNull("header", header).StrOrNull("value", value).Str("mail", mail)
                          .Bool("ok", ok), true);
}

// No composition windows exist in this host: the Comp* functions find none.
HOST_EXPORT int WINAPI BKA_CompGetCharSet(HWND, LPSTR charset, int size) {
    CopyOut(charset, size, "");
    g_host.ReportCall(Call("CompGetCharSet"), false);
    return 0;
}

HOST_EXPORT LPSTR WINAPI BKA_CompGetSource(HWND) {
    g_host.ReportCall(Call("CompGetSource"), false);
    return nullptr;
}

HOST_EXPORT void WINAPI BKA_CompSetSource(HWND, LPCSTR source) {
    g_host.ReportCall(Call("CompSetSource").Int("size", source != nullptr ? static_cast<long long>(strlen(source)) : -1), true);
}

HOST_EXPORT LPSTR WINAPI BKA_CompGetHeader(HWND) {
    g_host.ReportCall(Call("CompGetHeader"), false);
    return nullptr;
}

HOST_EXPORT void WINAPI BKA_CompGetSpecifiedHeader(HWND, LPCSTR header, LPSTR value, int size) {
    CopyOut(value, size, "");
    g_host.ReportCall(Call("CompGetSpecifiedHeader").StrOrNull("header", header), false);
}

HOST_EXPORT void WINAPI BKA_CompSetSpecifiedHeader(HWND, LPCSTR header, LPCSTR value) {
    g_host.ReportCall(Call("CompSetSpecifiedHeader").StrOrNull("header", header).StrOrNull("value", value), true);
}

HOST_EXPORT LPSTR WINAPI BKA_CompGetText(HWND, LPSTR mimeType, int size) {
    CopyOut(mimeType, size, "");
    g_host.ReportCall(Call("CompGetText"), false);
    return nullptr;
}

HOST_EXPORT void WINAPI BKA_CompSetText(HWND, int mode, LPCSTR text) {
    g_host.ReportCall(Call("CompSetText").Int("mode", mode).StrOrNull("text", text), true);
}

HOST_EXPORT void WINAPI BKA_CompAttachFile(HWND, LPCSTR path, LPCSTR mimeType) {
    g_host.ReportCall(Call("CompAttachFile").StrOrNull("path", path).StrOrNull("mimeType", mimeType), true);
}

HOST_EXPORT LPVOID WINAPI BKA_Alloc(int size) {
    void* memory = g_host.failAlloc ? nullptr : g_host.memory.Alloc(size, "Alloc");
    g_host.ReportCall(Call("Alloc").Int("size", size).Bool("ok", memory != nullptr), false);
    return memory;
}

HOST_EXPORT LPVOID WINAPI BKA_ReAlloc(LPVOID memory, int size) {
    const size_t faults = g_host.memory.Faults().size();
    void* result = g_host.memory.ReAlloc(memory, size, "ReAlloc");
    if (g_host.memory.Faults().size() != faults) ReportFault("ReAlloc");
    g_host.ReportCall(Call("ReAlloc").Int("size", size).Bool("ok", result != nullptr), false);
    return result;
}

HOST_EXPORT void WINAPI BKA_Free(LPVOID memory) {
    const size_t faults = g_host.memory.Faults().size();
    g_host.memory.Free(memory, "Free");
    if (g_host.memory.Faults().size() != faults) ReportFault("Free");
    g_host.ReportCall(Call("Free").Bool("null", memory == nullptr), false);
}

// The converters: out must hold the result (call with out null to learn the size needed,
// terminator included); the result is the length written.
HOST_EXPORT int WINAPI BKA_ISO_2022_JP(LPCSTR in, LPSTR out, BOOL encode) {
    return Convert("ISO_2022_JP", "ISO-2022-JP", in, out, encode);
}
HOST_EXPORT int WINAPI BKA_ISO_2022_KR(LPCSTR in, LPSTR out, BOOL encode) {
    return Convert("ISO_2022_KR", "ISO-2022-KR", in, out, encode);
}
HOST_EXPORT int WINAPI BKA_HZ_GB2312(LPCSTR in, LPSTR out, BOOL encode) {
    return Convert("HZ_GB2312", "HZ-GB-2312", in, out, encode);
}
HOST_EXPORT int WINAPI BKA_ISO_8859_2(LPCSTR in, LPSTR out, BOOL encode) {
    return Convert("ISO_8859_2", "ISO-8859-2", in, out, encode);
}
HOST_EXPORT int WINAPI BKA_EUC_JP(LPCSTR in, LPSTR out, BOOL encode) { return Convert("EUC_JP", "EUC-JP", in, out, encode); }
HOST_EXPORT int WINAPI BKA_UTF_7(LPCSTR in, LPSTR out, BOOL encode) { return Convert("UTF_7", "UTF-7", in, out, encode); }
HOST_EXPORT int WINAPI BKA_UTF_8(LPCSTR in, LPSTR out, BOOL encode) { return Convert("UTF_8", "UTF-8", in, out, encode); }

// File converters: out and in are file paths; the result is the size written, -1 on failure.
HOST_EXPORT int WINAPI BKA_B64Convert(LPCSTR out, LPCSTR in, BOOL encode) {
    return ConvertFile("B64Convert", out, in, encode, true);
}
HOST_EXPORT int WINAPI BKA_QPConvert(LPCSTR out, LPCSTR in, BOOL encode) {
    return ConvertFile("QPConvert", out, in, encode, false);
}

HOST_EXPORT LPSTR WINAPI BKA_MIMEHeader(LPCSTR in, LPSTR charset, int size, BOOL encode) {
    if (in == nullptr) {
        g_host.ReportCall(Call("MIMEHeader").Null("in").Null("result"), false);
        return nullptr;
    }
    std::string result;
    if (encode) {
        result = Mime::EncodeHeader(in, charset != nullptr && size > 0 ? Text(charset) : std::string());
    } else {
        std::string found;
        result = Mime::DecodeHeader(in, &found);
        if (!found.empty()) CopyOut(charset, size, found);
    }
    LPSTR memory = HandOut(result, "MIMEHeader", std::string());
    g_host.ReportCall(Call("MIMEHeader").Str("in", in).Bool("encode", encode != FALSE).Str("result", result), false);
    return memory;
}

HOST_EXPORT LPSTR WINAPI BKA_SerializeRcpts(LPCSTR in) {
    // Unfolds the address list and joins its items with ", ".
    std::string unfolded;
    for (char c : Text(in)) unfolded += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
    std::string result;
    for (const std::string& item : Mbcs::Split(unfolded, ',')) {
        const std::string trimmed = Mbcs::Trim(item);
        if (trimmed.empty()) continue;
        if (!result.empty()) result += ", ";
        result += trimmed;
    }
    g_host.ReportCall(Call("SerializeRcpts").StrOrNull("in", in).Str("result", result), false);
    return in != nullptr ? HandOut(result, "SerializeRcpts", std::string()) : nullptr;
}

HOST_EXPORT int WINAPI BKA_Connect(BOOL connect) {
    static BOOL online = FALSE;
    const BOOL previous = online;
    online = connect;
    g_host.ReportCall(Call("Connect").Bool("connect", connect != FALSE).Bool("wasOnline", previous != FALSE), true);
    return previous;
}

HOST_EXPORT BOOL WINAPI BKA_NextUnread(BOOL backScroll, BOOL goNext) {
    MailStore::Folder* folder = g_host.store.LoadFolder(g_host.store.CurrentFolder());
    std::string found;
    if (folder != nullptr && goNext) {
        long position = -1;
        MailStore::Folder* current = nullptr;
        size_t index = 0;
        if (g_host.store.Locate(g_host.store.CurrentMail(), &current, &index) && current == folder) {
            position = static_cast<long>(index);
        }
        const long count = static_cast<long>(folder->messages.size());
        const long step = backScroll ? -1 : 1;
        for (long i = position + step; i >= 0 && i < count; i += step) {
            if ((folder->messages[static_cast<size_t>(i)].status & kStatusRead) == 0) {
                found = folder->id + folder->messages[static_cast<size_t>(i)].file;
                break;
            }
        }
        if (!found.empty()) g_host.store.SetCurrentMail(found);
    }
    g_host.ReportCall(Call("NextUnread").Bool("backScroll", backScroll != FALSE).Bool("goNext", goNext != FALSE)
                          .Str("result", found), true);
    return !found.empty();
}

HOST_EXPORT int WINAPI BKA_ProcessMail(LPCSTR id, int flags) {
    g_host.ReportCall(Call("ProcessMail").StrOrNull("id", id).Int("flags", flags), true);
    return 0;
}

// The export table in the order of plugin/HostApi.h, with a compile-time check of every
// signature against the plug-in's typedefs.
#define HOST_ENTRY(name) {#name, reinterpret_cast<void*>(&BKA_##name)}
#define HOST_CHECK(name, type) static_assert(std::is_same<decltype(&BKA_##name), type>::value, "BKA_" #name)
#define HOST_CHECK_SAME(name) \
    static_assert(std::is_same<decltype(&BKA_##name), PFN_BKA_##name>::value, "BKA_" #name)
HOST_CHECK_SAME(GetVersion);
HOST_CHECK_SAME(Command);
HOST_CHECK_SAME(GetWindowHandles);
HOST_CHECK_SAME(RegisterCommand);
HOST_CHECK_SAME(RegisterUICallback);
HOST_CHECK_SAME(GetDataFolder);
HOST_CHECK_SAME(GetTempFolder);
HOST_CHECK_SAME(GetTempFileName);
HOST_CHECK_SAME(GetCurrentMailBox);
HOST_CHECK_SAME(SetCurrentMailBox);
HOST_CHECK_SAME(GetCurrentFolder);
HOST_CHECK_SAME(SetCurrentFolder);
HOST_CHECK_SAME(GetFolderDisplayName);
HOST_CHECK_SAME(SetMessageText);
HOST_CHECK_SAME(GetCurrentMail);
HOST_CHECK_SAME(SetCurrentMail);
HOST_CHECK_SAME(GetNextMail);
HOST_CHECK_SAME(SetSel);
HOST_CHECK_SAME(AppendMessage);
HOST_CHECK_SAME(MoveMessages);
HOST_CHECK_SAME(MoveSelectedMessages);
HOST_CHECK_SAME(GetStatus);
HOST_CHECK_SAME(SetStatus);
HOST_CHECK_SAME(ComposeMail);
HOST_CHECK_SAME(GetCharSet);
HOST_CHECK_SAME(GetSource);
HOST_CHECK_SAME(SetSource);
HOST_CHECK_SAME(GetSize);
HOST_CHECK_SAME(GetHeader);
HOST_CHECK_SAME(GetText);
HOST_CHECK_SAME(SetText);
HOST_CHECK_SAME(GetSpecifiedHeader);
HOST_CHECK_SAME(SetSpecifiedHeader);
HOST_CHECK_SAME(CompGetCharSet);
HOST_CHECK_SAME(CompGetSource);
HOST_CHECK_SAME(CompSetSource);
HOST_CHECK_SAME(CompGetHeader);
HOST_CHECK_SAME(CompGetSpecifiedHeader);
HOST_CHECK_SAME(CompSetSpecifiedHeader);
HOST_CHECK_SAME(CompGetText);
HOST_CHECK_SAME(CompSetText);
HOST_CHECK_SAME(CompAttachFile);
HOST_CHECK_SAME(Alloc);
HOST_CHECK_SAME(ReAlloc);
HOST_CHECK_SAME(Free);
HOST_CHECK(ISO_2022_JP, PFN_BKA_Convert);
HOST_CHECK(ISO_2022_KR, PFN_BKA_Convert);
HOST_CHECK(HZ_GB2312, PFN_BKA_Convert);
HOST_CHECK(ISO_8859_2, PFN_BKA_Convert);
HOST_CHECK(EUC_JP, PFN_BKA_Convert);
HOST_CHECK(UTF_7, PFN_BKA_Convert);
HOST_CHECK(UTF_8, PFN_BKA_Convert);
HOST_CHECK_SAME(B64Convert);
HOST_CHECK_SAME(QPConvert);
HOST_CHECK_SAME(MIMEHeader);
HOST_CHECK_SAME(SerializeRcpts);
HOST_CHECK_SAME(Connect);
HOST_CHECK_SAME(NextUnread);
HOST_CHECK_SAME(ProcessMail);

const HostExportEntry kHostExports[] = {
    HOST_ENTRY(GetVersion),          HOST_ENTRY(Command),
    HOST_ENTRY(GetWindowHandles),    HOST_ENTRY(RegisterCommand),
    HOST_ENTRY(RegisterUICallback),  HOST_ENTRY(GetDataFolder),
    HOST_ENTRY(GetTempFolder),       HOST_ENTRY(GetTempFileName),
    HOST_ENTRY(GetCurrentMailBox),   HOST_ENTRY(SetCurrentMailBox),
    HOST_ENTRY(GetCurrentFolder),    HOST_ENTRY(SetCurrentFolder),
    HOST_ENTRY(GetFolderDisplayName), HOST_ENTRY(SetMessageText),
    HOST_ENTRY(GetCurrentMail),      HOST_ENTRY(SetCurrentMail),
    HOST_ENTRY(GetNextMail),         HOST_ENTRY(SetSel),
    HOST_ENTRY(AppendMessage),       HOST_ENTRY(MoveMessages),
    HOST_ENTRY(MoveSelectedMessages), HOST_ENTRY(GetStatus),
    HOST_ENTRY(SetStatus),           HOST_ENTRY(ComposeMail),
    HOST_ENTRY(GetCharSet),          HOST_ENTRY(GetSource),
    HOST_ENTRY(SetSource),           HOST_ENTRY(GetSize),
    HOST_ENTRY(GetHeader),           HOST_ENTRY(GetText),
    HOST_ENTRY(SetText),             HOST_ENTRY(GetSpecifiedHeader),
    HOST_ENTRY(SetSpecifiedHeader),  HOST_ENTRY(CompGetCharSet),
    HOST_ENTRY(CompGetSource),       HOST_ENTRY(CompSetSource),
    HOST_ENTRY(CompGetHeader),       HOST_ENTRY(CompGetSpecifiedHeader),
    HOST_ENTRY(CompSetSpecifiedHeader), HOST_ENTRY(CompGetText),
    HOST_ENTRY(CompSetText),         HOST_ENTRY(CompAttachFile),
    HOST_ENTRY(Alloc),               HOST_ENTRY(ReAlloc),
    HOST_ENTRY(Free),                HOST_ENTRY(ISO_2022_JP),
    HOST_ENTRY(ISO_2022_KR),         HOST_ENTRY(HZ_GB2312),
    HOST_ENTRY(ISO_8859_2),          HOST_ENTRY(EUC_JP),
    HOST_ENTRY(UTF_7),               HOST_ENTRY(UTF_8),
    HOST_ENTRY(B64Convert),          HOST_ENTRY(QPConvert),
    HOST_ENTRY(MIMEHeader),          HOST_ENTRY(SerializeRcpts),
    HOST_ENTRY(Connect),             HOST_ENTRY(NextUnread),
    HOST_ENTRY(ProcessMail),
};
const size_t kHostExportCount = sizeof(kHostExports) / sizeof(kHostExports[0]);
static_assert(sizeof(kHostExports) / sizeof(kHostExports[0]) == 59, "one entry per host function");
