// The host-folder browse dialog's window (Windows): the tree-view control behind
// FolderTreeView and the dialog procedure.
#include "ui/BrowseFolder.h"

#include "resources/resource.h"
#include "support/Util.h"
#include "ui/PageWindow_win.h"

namespace {

// FolderTreeView over the dialog's tree-view control.
class TreeViewControl : public FolderTreeView {
public:
    explicit TreeViewControl(HWND tree) : m_tree(tree) {}
    void* Root() override { return TVI_ROOT; }
    void* InsertItem(void* parent, const std::string& text) override {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = static_cast<HTREEITEM>(parent);
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText = const_cast<char*>(text.c_str());
        insert.item.iImage = 0;
        insert.item.iSelectedImage = 0;
        return reinterpret_cast<void*>(SendMessageA(m_tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    void SelectItem(void* item) override {
        SendMessageA(m_tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }

private:
    HWND m_tree;
};

typedef HRESULT(WINAPI* SetWindowThemeProc)(HWND, LPCWSTR, LPCWSTR);

void UseExplorerTheme(HWND tree) {
    if (!IsWindowsXPOrLater()) return;
    HMODULE theme = LoadLibraryA("uxtheme.dll");
    if (theme == nullptr) return;
    SetWindowThemeProc setTheme =
        reinterpret_cast<SetWindowThemeProc>(reinterpret_cast<void*>(GetProcAddress(theme, "SetWindowTheme")));
    if (setTheme != nullptr) setTheme(tree, L"explorer", nullptr);
    FreeLibrary(theme);
}

INT_PTR CALLBACK BrowseFolderProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    CBrowseBeckyFolderDlg2* self = g_browseFolderDlg;
    if (self == nullptr) return FALSE;
    static TreeViewControl* control = nullptr;
    switch (message) {
        case WM_INITDIALOG: {
            CenterWindow(GetWindow(dialog, GW_OWNER) != nullptr ? GetWindow(dialog, GW_OWNER) : GetDesktopWindow(),
                         dialog);
            SetDlgItemTextA(dialog, IDC_BROWSE_PROMPT, self->Prompt());
            HWND tree = GetDlgItem(dialog, IDC_BROWSE_TREE);
            UseExplorerTheme(tree);
            SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(self->ImageList()));
            delete control;
            control = new TreeViewControl(tree);
            self->SetTree(control);
            self->FillFolderLevel(self->Root(), TVI_ROOT, 2);
            return TRUE;
        }
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == IDC_BROWSE_TREE && header->code == TVN_ITEMEXPANDEDA) {
                const NMTREEVIEWA* view = reinterpret_cast<const NMTREEVIEWA*>(lParam);
                if (view->action & TVE_EXPAND) {
                    const std::string path = self->PathOfItem(view->itemNew.hItem);
                    if (!path.empty()) self->FillFolderLevel(path, view->itemNew.hItem, 2);
                }
            }
            return FALSE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: {
                    HTREEITEM selected = reinterpret_cast<HTREEITEM>(
                        SendDlgItemMessageA(dialog, IDC_BROWSE_TREE, TVM_GETNEXTITEM, TVGN_CARET, 0));
                    if (selected != nullptr) self->SetResult(self->PathOfItem(selected));
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                default: return FALSE;
            }
        case WM_DESTROY:
            self->SetTree(nullptr);
            delete control;
            control = nullptr;
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

int CBrowseBeckyFolderDlg2::BrowseHostFolder(const std::string& root, const std::string& initial, HWND owner,
                                             const char* prompt) {
    SetFolders(root, initial, prompt);
    g_browseFolderDlg = this;
    const INT_PTR result = DialogBoxParamA(DialogTemplateModule(IDD_BROWSE_FOLDER),
                                           MAKEINTRESOURCEA(IDD_BROWSE_FOLDER), owner, BrowseFolderProc, 0);
    return static_cast<int>(result);
}
