// The host-folder browse dialog (dialog 140): the host's mailboxes and folders, which are
// directories below its data folder, as a tree named as the host names them; returns the full
// path of the chosen directory.
//
// The folder walk (FillFolderLevel) and its naming rules run without windows: the tree is
// reached through FolderTreeView, which the dialog (BrowseFolder_win.cpp) implements with the
// tree-view control and tests implement in memory.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/HostApi.h"

// The tree the folders are put into. Items are opaque; null is "no item", and Root() is the
// tree's invisible root.
class FolderTreeView {
public:
    virtual ~FolderTreeView() = default;
    virtual void* Root() = 0;
    // Appends an item with text under parent (after its last child); returns it.
    virtual void* InsertItem(void* parent, const std::string& text) = 0;
    // Selects the item, opening its parents.
    virtual void SelectItem(void* item) = 0;
};

// The names of the directories directly inside folder ("." and ".." left out), in the order
// the system lists them. A folder that cannot be listed has none.
std::vector<std::string> CollectSubfolders(const std::string& folder);

// The text a folder is shown with; empty: not shown. name is the directory's name, folderId
// its path below the host data folder with a backslash appended. At the root level (mailboxes)
// and for names beginning with "!", the host's display name is used: below the root it is cut
// after the first "]" (or else trimmed) and then after the last "/"; at every level it is
// trimmed of blanks and line ends. Other names beginning with "#" or "." are hidden; the rest
// show as they are.
std::string FolderDisplayText(const HostApi* hostApi, const std::string& name, const std::string& folderId,
                              bool atRoot);

class CBrowseBeckyFolderDlg2 {
public:
    explicit CBrowseBeckyFolderDlg2(HostApi* hostApi);
    virtual ~CBrowseBeckyFolderDlg2();
    CBrowseBeckyFolderDlg2(const CBrowseBeckyFolderDlg2&) = delete;
    CBrowseBeckyFolderDlg2& operator=(const CBrowseBeckyFolderDlg2&) = delete;

    // Runs dialog 140 modally over owner: IDOK or IDCANCEL (Windows; elsewhere IDCANCEL).
    int BrowseHostFolder(const std::string& root, const std::string& initial, HWND owner, const char* prompt);

    // The full path of the chosen folder; empty when nothing was chosen.
    const std::string& Result() const { return m_result; }

    // Sets root and initial folder (one trailing backslash dropped from each) and the prompt.
    void SetFolders(const std::string& root, const std::string& initial, const char* prompt);

    // Puts the subfolders of folder under parent: only while depth is above 0 or folder lies
    // on the way to the initial folder, so two levels are always filled and deeper levels
    // only towards the initial folder. Folders already looked at are not inserted again.
    void FillFolderLevel(const std::string& folder, void* parent, int depth);
    // The path whose item is item; empty when none.
    std::string PathOfItem(void* item) const;

    void SetTree(FolderTreeView* tree) { m_tree = tree; }
    void SetResult(const std::string& result) { m_result = result; }
    const std::string& Root() const { return m_root; }
    const char* Prompt() const { return m_prompt; }
    HANDLE ImageList() const { return m_imageList; }

private:
    std::string m_root;      // host data folder, no trailing backslash
    std::string m_initial;   // folder to select at start, no trailing backslash; may be empty
    const char* m_prompt;
    HANDLE m_imageList;      // icon 501, 16 x 16
    std::map<std::string, void*> m_items;  // every path looked at; null: not shown
    std::string m_result;
    HostApi* m_hostApi;
    FolderTreeView* m_tree;
};

// The dialog object constructed last; the dialog procedure takes its object from here.
extern CBrowseBeckyFolderDlg2* g_browseFolderDlg;
