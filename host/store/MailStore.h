// The host's data folder, laid out as the mail client keeps it:
//
//   <data>\Folder.lst                 one mailbox folder per line, relative to <data>
//   <data>\<mb>\Mailbox.ini           [Account] Name= (display name), MailAddress=
//   <data>\<mb>\!!!!Inbox\            folders are directories; nested folders are nested ones
//   <data>\<mb>\!!!!Inbox\00000001.msg  one file per message (CR LF text)
//   <data>\<mb>\!!!!Inbox\Messages.idx  the folder's message order and status flags
//   <data>\HostState.txt              current folder, current message and selection
//
// Folder ids are paths relative to <data> that end in "\" ("work.mb\!!!!Inbox\spam\"); a
// mailbox id is its folder's ("work.mb\"). A message id is its folder id followed by the
// message's file name ("work.mb\!!!!Inbox\00000001.msg"). Folder names that begin with "!" are
// the host's own folders and get its names (受信箱, ごみ箱...); directories whose names begin
// with "#" or "." are the host's private ones and are no folders.
//
// Status flags are the host's DWORD per message; bit 1 is the read mark. The index file keeps
// them with the order; message files that appear in a folder without an index entry are
// taken in (unread, by name) and entries whose file has gone are dropped, so a folder can be
// filled or tidied by hand. Changes are kept in memory and written by Flush (atomically, file
// by file), which the host calls after every verb.
#pragma once

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

const unsigned long kStatusRead = 1;

class MailStore {
public:
    struct Mailbox {
        std::string dir;  // as listed in Folder.lst
        std::string name;
        std::string address;
        std::string Id() const { return dir + "\\"; }
    };
    struct Message {
        std::string file;
        unsigned long status;
    };
    struct Folder {
        std::string id;
        std::vector<Message> messages;
        std::unordered_map<std::string, size_t> positions;  // file -> index
        unsigned long nextNumber = 1;
        bool dirty = false;
    };

    // path: CP932, Windows-style, absolute; a trailing backslash is added when missing.
    void SetDataFolder(const std::string& path);
    const std::string& DataFolder() const { return m_dataFolder; }
    bool Initialized() const;  // Folder.lst exists
    // Forgets what was read of Folder.lst, the mailbox files and the folders (after a Flush),
    // so that changes made by others since are seen.
    void Refresh();

    // Creates the data folder and Folder.lst when missing.
    bool Initialize(std::string* error);
    std::vector<Mailbox> Mailboxes() const;
    // Adds a mailbox with the host's default folders; an existing one keeps its folders and
    // gets the given name and address.
    bool AddMailbox(const Mailbox& mailbox, std::string* error);
    // Creates a folder (and the folders above it) inside an existing mailbox.
    bool MakeFolder(const std::string& folderId, std::string* error);

    // Ids. NormalizeFolderId turns "/" into "\", drops a leading data folder path and appends
    // "\"; it does not check that the folder exists.
    std::string NormalizeFolderId(const std::string& text) const;
    bool FindMailbox(const std::string& mailboxId, Mailbox* mailbox) const;
    bool IsMailbox(const std::string& id) const;
    bool IsFolder(const std::string& id) const;
    std::string MailboxOf(const std::string& folderId) const;  // "" when none
    std::string InboxOf(const std::string& mailboxId) const;
    // The host's display name: "[Mailbox]" for a mailbox, "[Mailbox] 受信箱/spam" for a
    // folder; false for an unknown id.
    bool DisplayName(const std::string& id, std::string* name) const;
    // Every folder of a mailbox, depth first in name order.
    std::vector<std::string> FoldersOf(const std::string& mailboxId) const;

    // Messages.
    Folder* LoadFolder(const std::string& folderId);  // null when it is no folder
    bool SplitId(const std::string& id, std::string* folderId, std::string* file) const;
    bool Locate(const std::string& id, Folder** folder, size_t* index);
    bool Add(const std::string& folderId, const std::string& text, unsigned long status, std::string* id,
             std::string* error);
    bool Read(const std::string& id, std::string* text);
    bool Write(const std::string& id, const std::string& text);
    // Moves (or copies) messages into target; newIds gets the new id of each message moved,
    // in order ("" for one that could not be moved). False when any failed.
    bool Move(const std::vector<std::string>& ids, const std::string& target, bool copy,
              std::vector<std::string>* newIds, std::string* error);
    unsigned long Status(const std::string& id);  // 0xFFFFFFFF for an unknown id
    bool SetStatus(const std::string& id, unsigned long set, unsigned long reset, unsigned long* after);
    std::string PathOf(const std::string& id) const { return m_dataFolder + id; }

    // Host state: the current folder, message and the selection (files of the current folder).
    void LoadState();
    const std::string& CurrentFolder();
    void SetCurrentFolder(const std::string& folderId);  // clears the selection
    const std::string& CurrentMail() const { return m_currentMail; }
    void SetCurrentMail(const std::string& id);
    bool IsSelected(const std::string& file) const { return m_selection.count(file) != 0; }
    void Select(const std::string& file, bool selected);
    void ClearSelection();
    std::vector<std::string> SelectedIds();

    // Writes every changed index and the state.
    bool Flush(std::string* error);

private:
    bool SaveFolder(Folder& folder, std::string* error);
    void Reindex(Folder& folder);
    std::string DefaultFolder() const;

    std::string m_dataFolder;
    mutable std::vector<Mailbox> m_mailboxes;
    mutable bool m_mailboxesRead = false;
    std::map<std::string, Folder> m_folders;
    bool m_stateLoaded = false;
    bool m_stateDirty = false;
    std::string m_currentFolder;
    std::string m_currentMail;
    std::set<std::string> m_selection;
};

// File helpers of the host (Win32 calls, Windows-style paths on both sides).
namespace HostFiles {
bool ReadAll(const std::string& path, std::string* data);
// Writes data beside path and moves it over path in one step.
bool WriteAtomic(const std::string& path, const std::string& data);
bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);
bool MakeDirectories(const std::string& path);  // path ends in "\" or names a folder
// Entries of a folder (without "." and ".."), sorted by name.
void List(const std::string& folder, std::vector<std::string>* directories, std::vector<std::string>* files);
}  // namespace HostFiles
