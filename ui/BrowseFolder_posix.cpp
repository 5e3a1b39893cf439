// The folder browser where there are no windows: nothing can be chosen.
#include "ui/BrowseFolder.h"

int CBrowseBeckyFolderDlg2::BrowseHostFolder(const std::string& root, const std::string& initial, HWND,
                                             const char* prompt) {
    SetFolders(root, initial, prompt);
    return IDCANCEL;
}
