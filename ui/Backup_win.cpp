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

}  // namespace

void BackupDatabase(HWND page, PageState* pageState) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string path = TimeStampedName("bsfilterdb_%04d%02d%02d_%02d%02d%02d.zip", now);
    if (!ChooseFile(page, true, LoadFilterText(IDS_BACKUP_FILTER), LoadResString(IDS_BACKUP_TITLE),
                    LoadResString(IDS_BACKUP_EXT), OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN,
                    &path)) {
        return;
    }
    std::vector<std::string> names;
    bool ok;
    {
        WaitCursor wait;
        ok = BackupDatabaseTo(PathsOf(pageState->settings), path, &names);
    }
    if (ok) {
        PageMessage(page, pageState->title,
                    DatabaseResultText(IDS_BACKUP_DONE, pageState->settings->dataFolder, names), MB_ICONINFORMATION);
    } else {
        PageMessage(page, pageState->title, LoadResString(IDS_BACKUP_FAILED), MB_ICONERROR);
    }
}

void RestoreDatabase(HWND page, PageState* pageState) {
    std::string path = "bsfilterdb_*.zip";
    if (!ChooseFile(page, false, LoadFilterText(IDS_RESTORE_FILTER), LoadResString(IDS_RESTORE_TITLE),
                    LoadResString(IDS_RESTORE_EXT),
                    OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR, &path)) {
        return;
    }
    std::vector<std::string> names;
    bool ok;
    {
        WaitCursor wait;
        ok = RestoreDatabaseFrom(PathsOf(pageState->settings), path, &names);
    }
    if (ok) {
        PageMessage(page, pageState->title,
                    DatabaseResultText(IDS_RESTORE_DONE, pageState->settings->dataFolder, names), MB_ICONINFORMATION);
    } else {
        PageMessage(page, pageState->title, LoadResString(IDS_RESTORE_FAILED), MB_ICONERROR);
    }
}
