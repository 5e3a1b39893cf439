// The folder walk and naming rules of the host-folder browser; see BrowseFolder.h.
#include "ui/BrowseFolder.h"

#include <cstring>

#include "platform/Mbcs.h"
#include "resources/resource.h"
#include "support/Log.h"
#include "support/Util.h"
#include "ui/ListPage.h"

static const char kLogSource[] = "Mirvane\\BrowseFolder";

CBrowseBeckyFolderDlg2* g_browseFolderDlg = nullptr;

std::vector<std::string> CollectSubfolders(const std::string& folder) {
    std::vector<std::string> names;
    char pattern[kPathSize];
    FormatTo(pattern, sizeof(pattern), "%s\\*.*", folder.c_str());
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
        names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

std::string FolderDisplayText(const HostApi* hostApi, const std::string& name, const std::string& folderId,
                              bool atRoot) {
    if (name.compare(0, 1, "!") == 0 || atRoot) {
        const char* shown = nullptr;
        if (hostApi != nullptr && hostApi->GetFolderDisplayName != nullptr) {
            shown = hostApi->GetFolderDisplayName(folderId.c_str());
        }
        if (shown == nullptr || shown[0] == '\0') return std::string();
        std::string text = shown;
        if (!atRoot) {
            // "[mailbox] parent/child" names the folder by its last step.
            const char* bracket = Mbcs::FindFirst(text.c_str(), ']');
            if (bracket != nullptr) {
                text = std::string(bracket + 1);
            } else {
                text = Trim(text, kBlanks);
            }
            const char* slash = Mbcs::FindLast(text.c_str(), '/');
            if (slash != nullptr) text = std::string(slash + 1);
        }
        return Trim(text, kBlanks);
    }
    if (name.compare(0, 1, "#") == 0 || name.compare(0, 1, ".") == 0) return std::string();
    return name;
}

namespace {

// Drops one trailing backslash.
std::string WithoutTrailingSeparator(const std::string& path) {
    if (Mbcs::EndsWith(path.c_str(), '\\')) return path.substr(0, path.size() - 1);
    return path;
}

// Whether the first len(prefix) characters of text equal prefix, case-insensitive.
bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    return lstrcmpiA(text.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0;
}

}  // namespace

CBrowseBeckyFolderDlg2::CBrowseBeckyFolderDlg2(HostApi* hostApi)
    : m_prompt(""), m_imageList(nullptr), m_hostApi(hostApi), m_tree(nullptr) {
    static const UINT icons[] = {IDI_FOLDER};
    m_imageList = CreateIconImageList(16, 16, icons, 1);
    g_browseFolderDlg = this;
}

CBrowseBeckyFolderDlg2::~CBrowseBeckyFolderDlg2() {
    DestroyIconImageList(m_imageList);
    if (g_browseFolderDlg == this) g_browseFolderDlg = nullptr;
}

void CBrowseBeckyFolderDlg2::SetFolders(const std::string& root, const std::string& initial, const char* prompt) {
    m_root = WithoutTrailingSeparator(root);
    m_initial = WithoutTrailingSeparator(initial);
    m_prompt = prompt != nullptr ? prompt : "";
}

void CBrowseBeckyFolderDlg2::FillFolderLevel(const std::string& folder, void* parent, int depth) {
    if (m_tree == nullptr) return;
    if (depth <= 0 && !StartsWithNoCase(m_initial, folder)) return;
    const bool atRoot = parent == m_tree->Root();
    for (const std::string& name : CollectSubfolders(folder)) {
        char buffer[kPathSize];
        FormatTo(buffer, sizeof(buffer), "%s\\%s", folder.c_str(), name.c_str());
        const std::string path = buffer;
        void* item = nullptr;
        auto known = m_items.find(path);
        if (known != m_items.end()) {
            item = known->second;
        } else {
            std::string folderId = path.size() > m_root.size() + 1 ? path.substr(m_root.size() + 1) : std::string();
            folderId += '\\';
            const std::string text = FolderDisplayText(m_hostApi, name, folderId, atRoot);
            if (!text.empty()) item = m_tree->InsertItem(parent, text);
            // Recorded before the selection: selecting opens the parents, and the tree reports
            // each opening back into this function, which must find the item already known.
            m_items[path] = item;
            LOG(LOG_DEBUG, "FillFolderLevel()", "folder: [%s], text: [%s].", path.c_str(), text.c_str());
            if (item != nullptr && lstrcmpiA(path.c_str(), m_initial.c_str()) == 0) m_tree->SelectItem(item);
        }
        if (item != nullptr) FillFolderLevel(path, item, depth - 1);
    }
}

std::string CBrowseBeckyFolderDlg2::PathOfItem(void* item) const {
    if (item == nullptr) return std::string();
    for (const auto& entry : m_items) {
        if (entry.second == item) return entry.first;
    }
    return std::string();
}
