// The general page's backup and restore buttons (Windows): the file dialogs, the wait cursor
// and the result messages around the archive work of Backup.cpp.
#include "ui/Backup.h"

#include <commdlg.h>

#include "resources/resource.h"
#include "support/Util.h"
#include "ui/ListPage.h"
#include "ui/PageWindow_win.h"
#include "ui/Setup.h"

namespace {

DatabasePaths PathsOf(const SetupSettings* settings) {
    DatabasePaths paths;
    paths.dataFolder = settings->dataFolder;
    paths.bsfilterConfig = settings->bsfilterConfig;
    paths.bsfilterDbFolder = settings->bsfilterDbFolder;
    paths.lock = settings->bsfilterLock;
    return paths;
}

// Shows the outcome of a backup or restore: text on success, the failure string otherwise.
void ShowOutcome(HWND page, PageState* pageState, bool ok, const std::string& text, UINT failedId) {
    if (ok) {
        PageMessage(page, pageState->title, text, MB_ICONINFORMATION);
    } else {
        PageMessage(page, pageState->title, LoadResString(failedId), MB_ICONERROR);
    }
}

}  // namespace

void BackupDatabase(HWND page, PageState* pageState) {
    std::string path;
    if (!ChooseExportFile(page, "bsfilterdb_%04d%02d%02d_%02d%02d%02d.zip", IDS_BACKUP_FILTER, IDS_BACKUP_TITLE,
                          IDS_BACKUP_EXT, &path)) {
        return;
    }
    std::vector<std::string> names;
    bool ok;
    {
        WaitCursor wait;
        ok = BackupDatabaseTo(PathsOf(pageState->settings), path, &names);
    }
    ShowOutcome(page, pageState, ok, DatabaseResultText(IDS_BACKUP_DONE, pageState->settings->dataFolder, names),
                IDS_BACKUP_FAILED);
}

void RestoreDatabase(HWND page, PageState* pageState) {
    std::string path = "bsfilterdb_*.zip";
    if (!ChooseFile(page, false, LoadFilterText(IDS_RESTORE_FILTER), LoadResString(IDS_RESTORE_TITLE),
                    LoadResString(IDS_RESTORE_EXT),
                    OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR, &path)) {
        return;
    }
    std::vector<std::string> names;
    size_t skipped = 0;
    bool ok;
    {
        WaitCursor wait;
        ok = RestoreDatabaseFrom(PathsOf(pageState->settings), path, &names, &skipped);
    }
    ShowOutcome(page, pageState, ok, RestoreResultText(pageState->settings->dataFolder, names, skipped),
                IDS_RESTORE_FAILED);
}
