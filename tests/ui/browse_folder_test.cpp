// The host-folder browser's walk: which directories show and under which names, how deep the
// tree is filled at start and towards the initial folder, what expanding adds, and that
// nothing is inserted twice. The tree is an in-memory FolderTreeView.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "ui/BrowseFolder.h"

using testing_files::MakeFolders;
using testing_files::TempDir;

namespace {

// The host's names: mailboxes as "[Name]", folders as "[Name] path/of/folders".
LPCSTR WINAPI DisplayName(LPCSTR folder) {
    static const std::map<std::string, std::string> names = {
        {"main.mb\\", "[Main]"},
        {"work.mb\\", "  [Work]  "},
        {"main.mb\\!!!!Inbox\\", "[Main] " "\x8E\xF3\x90\x4D\x94\xA0"},
        {"main.mb\\!Trash\\", "[Main] " "\x82\xB2\x82\xDD\x94\xA0"},
        {"main.mb\\!!!!Inbox\\!sub\\", "[Main] " "\x8E\xF3\x90\x4D\x94\xA0" "/" "\x93\xC1\x95\xCA"},
        {"work.mb\\!!!!Inbox\\", "no bracket here "},
        {"work.mb\\!empty\\", ""},
    };
    auto it = names.find(folder);
    return it != names.end() ? it->second.c_str() : nullptr;
}

struct Node {
    std::string text;
    void* parent;
};

class MemoryTree : public FolderTreeView {
public:
    void* Root() override { return &m_root; }
    void* InsertItem(void* parent, const std::string& text) override {
        m_nodes.push_back(new Node{text, parent});
        return m_nodes.back();
    }
    // Selecting opens the item's parents, and the dialog hears of each opening and fills the
    // level below it, while the walk that selected is still running.
    void SelectItem(void* item) override {
        selected = item;
        std::vector<void*> parents;
        for (void* p = static_cast<Node*>(item)->parent; p != &m_root; p = static_cast<Node*>(p)->parent) {
            parents.insert(parents.begin(), p);
        }
        for (void* parent : parents) {
            if (dialog != nullptr && m_expanded.insert(parent).second) {
                dialog->FillFolderLevel(dialog->PathOfItem(parent), parent, 2);
            }
        }
    }
    CBrowseBeckyFolderDlg2* dialog = nullptr;
    ~MemoryTree() override {
        for (Node* node : m_nodes) delete node;
    }
    // "parent text/child text" of every item, in insertion order.
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (Node* node : m_nodes) paths.push_back(PathOf(node));
        return paths;
    }
    std::string PathOf(const void* item) const {
        if (item == &m_root || item == nullptr) return std::string();
        const Node* node = static_cast<const Node*>(item);
        const std::string parent = PathOf(node->parent);
        return parent.empty() ? node->text : parent + "/" + node->text;
    }
    void* Find(const std::string& path) const {
        for (Node* node : m_nodes) {
            if (PathOf(node) == path) return node;
        }
        return nullptr;
    }
    void* selected = nullptr;

private:
    Node m_root{"", nullptr};
    std::vector<Node*> m_nodes;
    std::set<void*> m_expanded;
};

class BrowseFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        api.GetFolderDisplayName = DisplayName;
        for (const char* folder :
             {"main.mb\\!!!!Inbox\\!sub\\deep\\deeper", "main.mb\\!Trash", "main.mb\\Archive\\2024\\Q1",
              "main.mb\\#hidden\\child", "main.mb\\.dot", "work.mb\\!!!!Inbox", "work.mb\\!empty",
              "not-a-mailbox\\inner"}) {
            ASSERT_TRUE(MakeFolders(data.File(folder)));
        }
    }
    std::vector<std::string> Sorted(std::vector<std::string> paths) const {
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    TempDir data;
    HostApi api = {};
    MemoryTree tree;
};

}  // namespace

TEST_F(BrowseFolderTest, DisplayTextRules) {
    // Root level: the host's name, trimmed, brackets kept; a name the host does not know hides.
    EXPECT_EQ(FolderDisplayText(&api, "main.mb", "main.mb\\", true), "[Main]");
    EXPECT_EQ(FolderDisplayText(&api, "work.mb", "work.mb\\", true), "[Work]");
    EXPECT_EQ(FolderDisplayText(&api, "other", "other\\", true), "");
    // "!" folders: after the first "]" and the last "/".
    EXPECT_EQ(FolderDisplayText(&api, "!!!!Inbox", "main.mb\\!!!!Inbox\\", false), "\x8E\xF3\x90\x4D\x94\xA0");
    EXPECT_EQ(FolderDisplayText(&api, "!sub", "main.mb\\!!!!Inbox\\!sub\\", false), "\x93\xC1\x95\xCA");
    EXPECT_EQ(FolderDisplayText(&api, "!!!!Inbox", "work.mb\\!!!!Inbox\\", false), "no bracket here");
    EXPECT_EQ(FolderDisplayText(&api, "!empty", "work.mb\\!empty\\", false), "");
    EXPECT_EQ(FolderDisplayText(&api, "!unknown", "main.mb\\!unknown\\", false), "");
    // Other folders show their own names, except "#" and "." ones.
    EXPECT_EQ(FolderDisplayText(&api, "Archive", "main.mb\\Archive\\", false), "Archive");
    EXPECT_EQ(FolderDisplayText(&api, "#hidden", "main.mb\\#hidden\\", false), "");
    EXPECT_EQ(FolderDisplayText(&api, ".dot", "main.mb\\.dot\\", false), "");
    EXPECT_EQ(FolderDisplayText(nullptr, "main.mb", "main.mb\\", true), "");
}

TEST_F(BrowseFolderTest, StartShowsMailboxesAndTheirFoldersTwoLevelsDeep) {
    CBrowseBeckyFolderDlg2 dialog(&api);
    EXPECT_EQ(g_browseFolderDlg, &dialog);
    dialog.SetFolders(data.Path() + "\\", "", "prompt");
    EXPECT_EQ(dialog.Root(), data.Path());
    dialog.SetTree(&tree);
    dialog.FillFolderLevel(dialog.Root(), tree.Root(), 2);
    EXPECT_EQ(Sorted(tree.Paths()),
              (std::vector<std::string>{"[Main]", "[Main]/Archive", "[Main]/" "\x82\xB2\x82\xDD\x94\xA0", "[Main]/" "\x8E\xF3\x90\x4D\x94\xA0", "[Work]",
                                        "[Work]/no bracket here"}));
    EXPECT_EQ(tree.selected, nullptr);

    // Expanding "[Main]" fills the level below its folders, so they show expand buttons;
    // expanding twice inserts nothing twice.
    void* mainItem = tree.Find("[Main]");
    ASSERT_NE(mainItem, nullptr);
    EXPECT_EQ(dialog.PathOfItem(mainItem), data.Path() + "\\main.mb");
    dialog.FillFolderLevel(dialog.PathOfItem(mainItem), mainItem, 2);
    const std::vector<std::string> once = tree.Paths();
    EXPECT_NE(std::find(once.begin(), once.end(), "[Main]/" "\x8E\xF3\x90\x4D\x94\xA0" "/" "\x93\xC1\x95\xCA"), once.end());
    EXPECT_NE(std::find(once.begin(), once.end(), "[Main]/Archive/2024"), once.end());
    EXPECT_EQ(std::find(once.begin(), once.end(), "[Main]/Archive/2024/Q1"), once.end());
    dialog.FillFolderLevel(dialog.PathOfItem(mainItem), mainItem, 2);
    EXPECT_EQ(tree.Paths(), once);
    for (const std::string& path : once) {
        EXPECT_EQ(path.find("hidden"), std::string::npos);
        EXPECT_EQ(path.find("dot"), std::string::npos);
        EXPECT_EQ(path.find("not-a-mailbox"), std::string::npos);
    }
}

TEST_F(BrowseFolderTest, InitialFolderIsFilledAlongItsPathAndSelected) {
    CBrowseBeckyFolderDlg2 dialog(&api);
    dialog.SetFolders(data.Path(), data.Path() + "\\MAIN.mb\\!!!!Inbox\\!sub\\deep\\deeper\\", "prompt");
    dialog.SetTree(&tree);
    tree.dialog = &dialog;
    dialog.FillFolderLevel(dialog.Root(), tree.Root(), 2);
    // Nothing is inserted twice although the openings re-entered the walk.
    std::vector<std::string> all = tree.Paths();
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    ASSERT_NE(tree.selected, nullptr);
    EXPECT_EQ(tree.PathOf(tree.selected), "[Main]/" "\x8E\xF3\x90\x4D\x94\xA0" "/" "\x93\xC1\x95\xCA" "/deep/deeper");
    EXPECT_EQ(dialog.PathOfItem(tree.selected), data.Path() + "\\main.mb\\!!!!Inbox\\!sub\\deep\\deeper");
    // Branches off the path are filled only as far as the openings reach.
    EXPECT_NE(std::find(all.begin(), all.end(), "[Main]/Archive/2024"), all.end());
    EXPECT_EQ(std::find(all.begin(), all.end(), "[Main]/Archive/2024/Q1"), all.end());
}

TEST_F(BrowseFolderTest, ResultIsEmptyUntilChosen) {
    CBrowseBeckyFolderDlg2 dialog(&api);
    EXPECT_EQ(dialog.Result(), "");
    EXPECT_EQ(dialog.PathOfItem(nullptr), "");
    dialog.SetResult("x");
    EXPECT_EQ(dialog.Result(), "x");
}
