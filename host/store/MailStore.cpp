// The host's data folder; see MailStore.h.
#include "host/store/MailStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "host/store/Charset.h"
#include "platform/Mbcs.h"
#include "platform/platform.h"

namespace {

const char kFolderList[] = "Folder.lst";
const char kMailboxIni[] = "Mailbox.ini";
const char kIndexFile[] = "Messages.idx";
const char kStateFile[] = "HostState.txt";
const char kMessageSuffix[] = ".msg";

// The host's own folders: directory name and display name (UTF-8 here, CP932 in use).
struct SpecialFolder {
    const char* dir;
    const char* name;
};
const SpecialFolder kSpecialFolders[] = {
    {"!!!!Inbox", "受信箱"},
    {"!!!!Outbox", "送信箱"},
    {"!!!Draft", "下書き"},
    {"!Trash", "ごみ箱"},
};

std::string FolderLabel(const std::string& dir) {
    for (const SpecialFolder& special : kSpecialFolders) {
        if (Mbcs::EqualsAsciiNoCase(dir, special.dir)) return Charset::Utf8ToCp932(special.name);
    }
    size_t start = 0;
    while (start < dir.size() && dir[start] == '!') ++start;
    return start < dir.size() ? dir.substr(start) : dir;
}

bool IsPrivateName(const std::string& name) { return name.empty() || name[0] == '#' || name[0] == '.'; }

// The folder-path pieces of an id ("a\b\c\" -> a, b, c); false when the id is not of that form.
bool Components(const std::string& id, std::vector<std::string>* parts) {
    if (id.empty() || !Mbcs::EndsWith(id, '\\')) return false;
    *parts = Mbcs::Split(id.substr(0, id.size() - 1), '\\');
    for (const std::string& part : *parts) {
        if (part.empty() || part == "." || part == "..") return false;
    }
    return true;
}

bool IsMessageFile(const std::string& name) {
    return name.size() > 4 && Mbcs::EqualsAsciiNoCase(name.substr(name.size() - 4), kMessageSuffix);
}

unsigned long NumberOf(const std::string& file) { return strtoul(file.c_str(), nullptr, 10); }

}  // namespace

// ---- files -------------------------------------------------------------------------------

namespace HostFiles {

bool ReadAll(const std::string& path, std::string* data) {
    data->clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer, sizeof(buffer), &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0) break;
        data->append(buffer, read);
    }
    CloseHandle(file);
    return ok;
}

namespace {
bool WriteNew(const std::string& path, const std::string& data, DWORD disposition) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
        if (!WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0) {
            ok = false;
            break;
        }
        done += written;
    }
    if (!CloseHandle(file)) ok = false;
    if (!ok) DeleteFileA(path.c_str());
    return ok;
}
}  // namespace

bool WriteAtomic(const std::string& path, const std::string& data) {
    const std::string temporary = path + ".new";
    if (!WriteNew(temporary, data, CREATE_ALWAYS)) return false;
    if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool MakeDirectories(const std::string& path) {
    std::string folder = path;
    if (Mbcs::EndsWith(folder, '\\')) folder.pop_back();
    if (folder.empty() || IsDirectory(folder)) return true;
    const size_t slash = Mbcs::LastIndexOf(folder, '\\');
    if (slash != std::string::npos && slash > 0 && folder[slash - 1] != ':') {
        if (!MakeDirectories(folder.substr(0, slash))) return false;
    }
    return CreateDirectoryA(folder.c_str(), nullptr) || IsDirectory(folder);
}

void List(const std::string& folder, std::vector<std::string>* directories, std::vector<std::string>* files) {
    std::string pattern = folder;
    if (!Mbcs::EndsWith(pattern, '\\')) pattern += "\\";
    pattern += "*";
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (directories != nullptr) directories->push_back(name);
        } else if (files != nullptr) {
            files->push_back(name);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    if (directories != nullptr) std::sort(directories->begin(), directories->end());
    if (files != nullptr) std::sort(files->begin(), files->end());
}

}  // namespace HostFiles

// ---- mailboxes and folders ---------------------------------------------------------------

void MailStore::SetDataFolder(const std::string& path) {
    m_dataFolder = Mbcs::ReplaceChar(path, '/', '\\');
    if (!Mbcs::EndsWith(m_dataFolder, '\\')) m_dataFolder += "\\";
    m_folders.clear();
    m_stateLoaded = false;
}

void MailStore::Refresh() {
    m_mailboxesRead = false;
    m_mailboxes.clear();
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        it = it->second.dirty ? std::next(it) : m_folders.erase(it);
    }
}

bool MailStore::Initialized() const { return HostFiles::IsFile(m_dataFolder + kFolderList); }

bool MailStore::Initialize(std::string* error) {
    if (!HostFiles::MakeDirectories(m_dataFolder)) {
        *error = "cannot create the data folder " + m_dataFolder;
        return false;
    }
    if (!Initialized() && !HostFiles::WriteAtomic(m_dataFolder + kFolderList, std::string())) {
        *error = "cannot write " + m_dataFolder + kFolderList;
        return false;
    }
    return true;
}

std::vector<MailStore::Mailbox> MailStore::Mailboxes() const {
    if (m_mailboxesRead) return m_mailboxes;
    std::vector<Mailbox> mailboxes;
    std::string list;
    if (!HostFiles::ReadAll(m_dataFolder + kFolderList, &list)) return mailboxes;
    for (const std::string& rawLine : Mbcs::Split(list, '\n')) {
        std::string dir = Mbcs::Trim(rawLine);
        if (Mbcs::EndsWith(dir, '\\')) dir.pop_back();
        if (dir.empty()) continue;
        Mailbox mailbox;
        mailbox.dir = dir;
        const std::string ini = m_dataFolder + dir + "\\" + kMailboxIni;
        char buffer[2048];
        GetPrivateProfileStringA("Account", "Name", "", buffer, sizeof(buffer), ini.c_str());
        mailbox.name = buffer;
        GetPrivateProfileStringA("Account", "MailAddress", "", buffer, sizeof(buffer), ini.c_str());
        mailbox.address = buffer;
        if (mailbox.name.empty()) mailbox.name = dir;
        mailboxes.push_back(mailbox);
    }
    m_mailboxes = mailboxes;
    m_mailboxesRead = true;
    return mailboxes;
}

bool MailStore::AddMailbox(const Mailbox& mailbox, std::string* error) {
    if (!Initialize(error)) return false;
    std::vector<std::string> parts;
    if (!Components(mailbox.dir + "\\", &parts) || parts.size() != 1 || IsPrivateName(mailbox.dir)) {
        *error = "not a mailbox folder name: " + mailbox.dir;
        return false;
    }
    const std::string folder = m_dataFolder + mailbox.dir + "\\";
    if (!HostFiles::MakeDirectories(folder)) {
        *error = "cannot create " + folder;
        return false;
    }
    const std::string ini = folder + kMailboxIni;
    m_mailboxesRead = false;
    if (!WritePrivateProfileStringA("Account", "Name", mailbox.name.c_str(), ini.c_str()) ||
        !WritePrivateProfileStringA("Account", "MailAddress", mailbox.address.c_str(), ini.c_str())) {
        *error = "cannot write " + ini;
        return false;
    }
    for (const SpecialFolder& special : kSpecialFolders) {
        if (!HostFiles::MakeDirectories(folder + special.dir + "\\")) {
            *error = "cannot create " + folder + special.dir;
            return false;
        }
    }
    if (!IsMailbox(mailbox.Id())) {
        std::string list;
        HostFiles::ReadAll(m_dataFolder + kFolderList, &list);
        if (!list.empty() && list.back() != '\n') list += "\r\n";
        list += mailbox.dir + "\r\n";
        if (!HostFiles::WriteAtomic(m_dataFolder + kFolderList, list)) {
            *error = "cannot write " + m_dataFolder + kFolderList;
            return false;
        }
        m_mailboxesRead = false;
    }
    return true;
}

bool MailStore::MakeFolder(const std::string& folderId, std::string* error) {
    const std::string id = NormalizeFolderId(folderId);
    std::vector<std::string> parts;
    if (!Components(id, &parts) || parts.size() < 2) {
        *error = "not a folder id (mailbox\\folder\\...): " + folderId;
        return false;
    }
    if (!IsMailbox(parts[0] + "\\")) {
        *error = "no such mailbox: " + parts[0];
        return false;
    }
    for (const std::string& part : parts) {
        if (IsPrivateName(part)) {
            *error = "folder names may not begin with \"#\" or \".\": " + part;
            return false;
        }
    }
    if (!HostFiles::MakeDirectories(m_dataFolder + id)) {
        *error = "cannot create " + m_dataFolder + id;
        return false;
    }
    return true;
}

std::string MailStore::NormalizeFolderId(const std::string& text) const {
    std::string id = Mbcs::ReplaceChar(text, '/', '\\');
    if (Mbcs::StartsWithAsciiNoCase(id, m_dataFolder)) id = id.substr(m_dataFolder.size());
    while (!id.empty() && id[0] == '\\') id.erase(0, 1);
    if (!id.empty() && !Mbcs::EndsWith(id, '\\')) id += "\\";
    return id;
}

bool MailStore::FindMailbox(const std::string& mailboxId, Mailbox* mailbox) const {
    std::vector<std::string> parts;
    if (!Components(mailboxId, &parts) || parts.size() != 1) return false;
    for (const Mailbox& candidate : Mailboxes()) {
        if (Mbcs::EqualsAsciiNoCase(candidate.dir, parts[0]) && HostFiles::IsDirectory(m_dataFolder + candidate.dir)) {
            if (mailbox != nullptr) *mailbox = candidate;
            return true;
        }
    }
    return false;
}

bool MailStore::IsMailbox(const std::string& id) const { return FindMailbox(id, nullptr); }

bool MailStore::IsFolder(const std::string& id) const {
    if (m_folders.count(id) != 0) return true;
    std::vector<std::string> parts;
    if (!Components(id, &parts) || parts.size() < 2) return false;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (IsPrivateName(parts[i])) return false;
    }
    return IsMailbox(parts[0] + "\\") && HostFiles::IsDirectory(m_dataFolder + id);
}

std::string MailStore::MailboxOf(const std::string& folderId) const {
    std::vector<std::string> parts;
    if (!Components(folderId, &parts)) return std::string();
    return parts[0] + "\\";
}

std::string MailStore::InboxOf(const std::string& mailboxId) const { return mailboxId + kSpecialFolders[0].dir + "\\"; }

bool MailStore::DisplayName(const std::string& id, std::string* name) const {
    std::vector<std::string> parts;
    if (!Components(id, &parts)) return false;
    Mailbox mailbox;
    if (!FindMailbox(parts[0] + "\\", &mailbox)) return false;
    if (parts.size() > 1 && !IsFolder(id)) return false;
    *name = "[" + mailbox.name + "]";
    for (size_t i = 1; i < parts.size(); ++i) *name += (i == 1 ? " " : "/") + FolderLabel(parts[i]);
    return true;
}

std::vector<std::string> MailStore::FoldersOf(const std::string& mailboxId) const {
    std::vector<std::string> result;
    std::vector<std::string> pending{mailboxId};
    while (!pending.empty()) {
        const std::string folder = pending.back();
        pending.pop_back();
        if (folder != mailboxId) result.push_back(folder);
        std::vector<std::string> directories;
        HostFiles::List(m_dataFolder + folder, &directories, nullptr);
        for (auto it = directories.rbegin(); it != directories.rend(); ++it) {
            if (!IsPrivateName(*it)) pending.push_back(folder + *it + "\\");
        }
    }
    return result;
}

// ---- messages ----------------------------------------------------------------------------

void MailStore::Reindex(Folder& folder) {
    folder.positions.clear();
    for (size_t i = 0; i < folder.messages.size(); ++i) folder.positions[folder.messages[i].file] = i;
}

MailStore::Folder* MailStore::LoadFolder(const std::string& folderId) {
    auto found = m_folders.find(folderId);
    if (found != m_folders.end()) return &found->second;
    if (!IsFolder(folderId)) return nullptr;
    Folder folder;
    folder.id = folderId;
    const std::string path = m_dataFolder + folderId;
    std::vector<std::string> files;
    HostFiles::List(path, nullptr, &files);
    std::set<std::string> present;
    for (const std::string& file : files) {
        if (IsMessageFile(file)) present.insert(file);
    }
    std::string index;
    HostFiles::ReadAll(path + kIndexFile, &index);
    std::set<std::string> listed;
    for (const std::string& rawLine : Mbcs::Split(index, '\n')) {
        const std::string line = Mbcs::Trim(rawLine);
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::string file = line.substr(0, tab);
        if (present.count(file) == 0 || listed.count(file) != 0) {
            folder.dirty = true;
            continue;
        }
        listed.insert(file);
        folder.messages.push_back(Message{file, strtoul(line.c_str() + tab + 1, nullptr, 16)});
    }
    for (const std::string& file : present) {
        if (listed.count(file) == 0) {
            folder.messages.push_back(Message{file, 0});
            folder.dirty = true;
        }
    }
    for (const std::string& file : present) folder.nextNumber = std::max(folder.nextNumber, NumberOf(file) + 1);
    Reindex(folder);
    return &(m_folders[folderId] = folder);
}

bool MailStore::SplitId(const std::string& id, std::string* folderId, std::string* file) const {
    const size_t slash = Mbcs::LastIndexOf(id, '\\');
    if (slash == std::string::npos || slash + 1 >= id.size()) return false;
    *folderId = id.substr(0, slash + 1);
    *file = id.substr(slash + 1);
    return true;
}

bool MailStore::Locate(const std::string& id, Folder** folder, size_t* index) {
    std::string folderId;
    std::string file;
    if (!SplitId(id, &folderId, &file)) return false;
    Folder* loaded = LoadFolder(folderId);
    if (loaded == nullptr) return false;
    auto found = loaded->positions.find(file);
    if (found == loaded->positions.end()) return false;
    *folder = loaded;
    *index = found->second;
    return true;
}

bool MailStore::Add(const std::string& folderId, const std::string& text, unsigned long status, std::string* id,
                    std::string* error) {
    Folder* folder = LoadFolder(folderId);
    if (folder == nullptr) {
        *error = "no such folder: " + folderId;
        return false;
    }
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[32];
        snprintf(name, sizeof(name), "%08lu%s", folder->nextNumber++, kMessageSuffix);
        const std::string path = m_dataFolder + folderId + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (HostFiles::IsFile(path)) continue;  // a file put there by hand
            *error = "cannot create " + path;
            return false;
        }
        DWORD written = 0;
        bool ok = text.empty() || (WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                                   written == text.size());
        if (!CloseHandle(file)) ok = false;
        if (!ok) {
            DeleteFileA(path.c_str());
            *error = "cannot write " + path;
            return false;
        }
        folder->messages.push_back(Message{name, status});
        folder->positions[name] = folder->messages.size() - 1;
        folder->dirty = true;
        *id = folderId + name;
        return true;
    }
    *error = "no free message file name in " + folderId;
    return false;
}

bool MailStore::Read(const std::string& id, std::string* text) {
    Folder* folder = nullptr;
    size_t index = 0;
    if (!Locate(id, &folder, &index)) return false;
    return HostFiles::ReadAll(PathOf(id), text);
}

bool MailStore::Write(const std::string& id, const std::string& text) {
    Folder* folder = nullptr;
    size_t index = 0;
    if (!Locate(id, &folder, &index)) return false;
    return HostFiles::WriteAtomic(PathOf(id), text);
}

bool MailStore::Move(const std::vector<std::string>& ids, const std::string& target, bool copy,
                     std::vector<std::string>* newIds, std::string* error) {
    newIds->assign(ids.size(), std::string());
    Folder* destination = LoadFolder(target);
    if (destination == nullptr) {
        *error = "no such folder: " + target;
        return false;
    }
    bool allMoved = true;
    std::map<Folder*, std::set<std::string>> removed;  // source folder -> files that left it
    for (size_t k = 0; k < ids.size(); ++k) {
        Folder* source = nullptr;
        size_t index = 0;
        if (!Locate(ids[k], &source, &index)) {
            *error = "no such message: " + ids[k];
            allMoved = false;
            continue;
        }
        const Message message = source->messages[index];
        if (removed[source].count(message.file) != 0) continue;  // listed twice
        if (source == destination && !copy) {
            (*newIds)[k] = ids[k];
            continue;
        }
        std::string newFile;
        for (int attempt = 0; attempt < 1000 && newFile.empty(); ++attempt) {
            char name[32];
            snprintf(name, sizeof(name), "%08lu%s", destination->nextNumber++, kMessageSuffix);
            if (!HostFiles::IsFile(m_dataFolder + target + name)) newFile = name;
        }
        const std::string from = PathOf(ids[k]);
        const std::string to = m_dataFolder + target + newFile;
        const bool done = !newFile.empty() &&
                          (copy ? CopyFileA(from.c_str(), to.c_str(), TRUE) : MoveFileA(from.c_str(), to.c_str()));
        if (!done) {
            *error = "cannot move " + from + " to " + to;
            allMoved = false;
            continue;
        }
        destination->messages.push_back(Message{newFile, message.status});
        destination->positions[newFile] = destination->messages.size() - 1;
        destination->dirty = true;
        (*newIds)[k] = target + newFile;
        if (!copy) {
            removed[source].insert(message.file);
            if (source->id == m_currentFolder) m_selection.erase(message.file);
            if (m_currentMail == ids[k]) m_currentMail.clear();
            m_stateDirty = true;
        }
    }
    for (auto& entry : removed) {
        Folder* source = entry.first;
        const std::set<std::string>& gone = entry.second;
        source->messages.erase(std::remove_if(source->messages.begin(), source->messages.end(),
                                              [&](const Message& m) { return gone.count(m.file) != 0; }),
                               source->messages.end());
        Reindex(*source);
        source->dirty = true;
    }
    return allMoved;
}

unsigned long MailStore::Status(const std::string& id) {
    Folder* folder = nullptr;
    size_t index = 0;
    if (!Locate(id, &folder, &index)) return 0xFFFFFFFFul;
    return folder->messages[index].status;
}

bool MailStore::SetStatus(const std::string& id, unsigned long set, unsigned long reset, unsigned long* after) {
    Folder* folder = nullptr;
    size_t index = 0;
    if (!Locate(id, &folder, &index)) return false;
    unsigned long& status = folder->messages[index].status;
    const unsigned long updated = (status & ~reset) | set;
    if (updated != status) {
        status = updated;
        folder->dirty = true;
    }
    if (after != nullptr) *after = status;
    return true;
}

bool MailStore::SaveFolder(Folder& folder, std::string* error) {
    std::string index;
    index.reserve(folder.messages.size() * 24);
    char status[16];
    for (const Message& message : folder.messages) {
        snprintf(status, sizeof(status), "%08lx", message.status);
        index += message.file + "\t" + status + "\r\n";
    }
    const std::string path = m_dataFolder + folder.id + kIndexFile;
    if (!HostFiles::WriteAtomic(path, index)) {
        *error = "cannot write " + path;
        return false;
    }
    folder.dirty = false;
    return true;
}

// ---- state -------------------------------------------------------------------------------

std::string MailStore::DefaultFolder() const {
    const std::vector<Mailbox> mailboxes = Mailboxes();
    if (mailboxes.empty()) return std::string();
    return InboxOf(mailboxes.front().Id());
}

void MailStore::LoadState() {
    if (m_stateLoaded) return;
    m_stateLoaded = true;
    m_currentFolder.clear();
    m_currentMail.clear();
    m_selection.clear();
    std::string text;
    HostFiles::ReadAll(m_dataFolder + kStateFile, &text);
    std::vector<std::string> selected;
    for (const std::string& rawLine : Mbcs::Split(text, '\n')) {
        const std::string line = Mbcs::Trim(rawLine, "\r\n");
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "Folder") m_currentFolder = value;
        if (key == "Mail") m_currentMail = value;
        if (key == "Selected") selected.push_back(value);
    }
    // What no longer exists is forgotten: a folder removed by hand, messages moved away.
    Folder* folder = m_currentFolder.empty() ? nullptr : LoadFolder(m_currentFolder);
    if (folder == nullptr) {
        m_currentFolder = DefaultFolder();
        m_currentMail.clear();
        return;
    }
    for (const std::string& file : selected) {
        if (folder->positions.count(file) != 0) m_selection.insert(file);
    }
    Folder* mailFolder = nullptr;
    size_t index = 0;
    if (!m_currentMail.empty() && !Locate(m_currentMail, &mailFolder, &index)) m_currentMail.clear();
}

const std::string& MailStore::CurrentFolder() {
    LoadState();
    if (m_currentFolder.empty() || !IsFolder(m_currentFolder)) m_currentFolder = DefaultFolder();
    return m_currentFolder;
}

void MailStore::SetCurrentFolder(const std::string& folderId) {
    LoadState();
    if (folderId != m_currentFolder) {
        m_currentFolder = folderId;
        m_selection.clear();
    }
    m_stateDirty = true;
}

void MailStore::SetCurrentMail(const std::string& id) {
    LoadState();
    m_currentMail = id;
    m_stateDirty = true;
}

void MailStore::Select(const std::string& file, bool selected) {
    LoadState();
    if (selected) {
        m_selection.insert(file);
    } else {
        m_selection.erase(file);
    }
    m_stateDirty = true;
}

void MailStore::ClearSelection() {
    LoadState();
    m_selection.clear();
    m_stateDirty = true;
}

std::vector<std::string> MailStore::SelectedIds() {
    std::vector<std::string> ids;
    Folder* folder = LoadFolder(CurrentFolder());
    if (folder == nullptr) return ids;
    for (const Message& message : folder->messages) {
        if (m_selection.count(message.file) != 0) ids.push_back(folder->id + message.file);
    }
    return ids;
}

bool MailStore::Flush(std::string* error) {
    bool ok = true;
    for (auto& entry : m_folders) {
        if (entry.second.dirty && !SaveFolder(entry.second, error)) ok = false;
    }
    if (m_stateDirty && m_stateLoaded) {
        std::string text = "Folder=" + m_currentFolder + "\r\nMail=" + m_currentMail + "\r\n";
        for (const std::string& file : m_selection) text += "Selected=" + file + "\r\n";
        if (HostFiles::WriteAtomic(m_dataFolder + kStateFile, text)) {
            m_stateDirty = false;
        } else {
            *error = "cannot write " + m_dataFolder + kStateFile;
            ok = false;
        }
    }
    return ok;
}
