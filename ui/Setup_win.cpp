// The modal property sheet with its six pages (Windows).
#include "ui/Setup.h"

#include "resources/resource.h"
#include "support/Log.h"
#include "support/Util.h"
#include "ui/GeneralPage.h"
#include "ui/OtherPage.h"
#include "ui/PageWindow_win.h"

static const char kLogSource[] = "Mirvane\\Setup";

namespace {

INT_PTR CALLBACK WhiteListPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_setupSheet == nullptr) return FALSE;
    return g_setupSheet->whiteList.OnMessage(page, message, wParam, lParam);
}

INT_PTR CALLBACK OkWordPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_setupSheet == nullptr) return FALSE;
    return g_setupSheet->okWord.OnMessage(page, message, wParam, lParam);
}

INT_PTR CALLBACK NgWordPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_setupSheet == nullptr) return FALSE;
    return g_setupSheet->ngWord.OnMessage(page, message, wParam, lParam);
}

struct PageDefinition {
    UINT templateId;
    DLGPROC procedure;
};

}  // namespace

int RunSetupSheet(SetupSheet* setupSheet, HWND parent) {
    LOG(LOG_DEBUG, "RunSetupSheet()", "begin.");
    if (setupSheet == nullptr) return -1;
    const PageDefinition pages[] = {
        {IDD_GENERAL, GeneralPageProc},      {IDD_OTHER_SETTINGS, OtherPageProc},
        {IDD_WHITELIST, WhiteListPageProc},  {IDD_OKWORD, OkWordPageProc},
        {IDD_NGWORD, NgWordPageProc},        {IDD_ACKNOWLEDGEMENTS, AcknowledgementsPageProc},
    };
    const int pageCount = static_cast<int>(sizeof(pages) / sizeof(pages[0]));
    HPROPSHEETPAGE handles[6] = {};
    for (int i = 0; i < pageCount; ++i) {
        PROPSHEETPAGEA page = {};
        page.dwSize = sizeof(page);
        page.dwFlags = PSP_DEFAULT;
        page.hInstance = DialogTemplateModule(pages[i].templateId);
        page.pszTemplate = MAKEINTRESOURCEA(pages[i].templateId);
        page.pfnDlgProc = pages[i].procedure;
        page.lParam = 0;
        handles[i] = CreatePropertySheetPageA(&page);
        if (handles[i] == nullptr) {
            LOG(LOG_ERROR, "RunSetupSheet()", "%s: LastError: [%lu].", "CreatePropertySheetPage()", GetLastError());
            for (int j = 0; j < i; ++j) DestroyPropertySheetPage(handles[j]);
            return -1;
        }
    }

    const VersionInfo version(g_moduleHandle);
    const std::string caption = LoadResString(IDS_SHEET_CAPTION, version.ProductVersion().c_str());

    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
    header.hwndParent = parent;
    header.hInstance = g_moduleHandle;
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(pageCount);
    header.nStartPage = 0;
    header.phpage = handles;
    const INT_PTR result = PropertySheetA(&header);
    LOG(LOG_DEBUG, "RunSetupSheet()", "end. result: [%d].", static_cast<int>(result));
    return static_cast<int>(result);
}
