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

typedef bool (*DatabaseWork)(const DatabasePaths& paths, const std::string& archive, std::vector<std::string>* names);

// Runs the backup or the restore under the wait cursor, then tells the user the outcome: the
// files it took on success.
void RunDatabaseWork(HWND page, PageState* pageState, DatabaseWork work, const std::string& path, UINT doneId,
                     UINT failedId) {
    std::vector<std::string> names;
    bool ok;
    {
        WaitCursor wait;
        ok = work(PathsOf(pageState->settings), path, &names);
    }
    if (ok) {
        PageMessage(page, pageState->title, DatabaseResultText(doneId, pageState->settings->dataFolder, names),
                    MB_ICONINFORMATION);
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
    RunDatabaseWork(page, pageState, BackupDatabaseTo, path, IDS_BACKUP_DONE, IDS_BACKUP_FAILED);
}

void RestoreDatabase(HWND page, PageState* pageState) {
    std::string path = "bsfilterdb_*.zip";
    if (!ChooseFile(page, false, LoadFilterText(IDS_RESTORE_FILTER), LoadResString(IDS_RESTORE_TITLE),
                    LoadResString(IDS_RESTORE_EXT),
                    OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR, &path)) {
        return;
    }
    RunDatabaseWork(page, pageState, RestoreDatabaseFrom, path, IDS_RESTORE_DONE, IDS_RESTORE_FAILED);
}
