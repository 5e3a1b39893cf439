// The other-settings page's dialog procedure (Windows).
#include "ui/OtherPage.h"

#include <commdlg.h>

#include "resources/resource.h"
#include "support/Util.h"
#include "ui/ListPage.h"
#include "ui/PageWindow_win.h"
#include "ui/Setup.h"

namespace {

void EnablePositionControls(HWND page) {
    const bool position = IsChecked(page, IDC_MENU_POSITION);
    EnableControl(page, IDC_MENU_POSITION_EDIT, position);
    EnableControl(page, IDC_MENU_POSITION_SPIN, position);
}

void EnableScriptControls(HWND page) {
    const bool script = IsChecked(page, IDC_USE_SCRIPT);
    EnableControl(page, IDC_RUBY_PATH, script);
    EnableControl(page, IDC_RUBY_BROWSE, script);
}

BOOL OnInitDialog(HWND page, PageState* state) {
    GetWindowTextA(page, state->title, sizeof(state->title));
    const ContextMenuProfile& menu = state->settings->contextMenu;
    const ExecBsfilterScriptProfile& script = state->settings->script;
    int radio = IDC_MENU_BOTTOM;
    if (menu.ContextMenuPosition() == kMenuTop) radio = IDC_MENU_TOP;
    if (menu.ContextMenuPosition() == kMenuPosition) radio = IDC_MENU_POSITION;
    CheckRadioButton(page, IDC_MENU_TOP, IDC_MENU_POSITION, radio);
    SetDlgItemTextA(page, IDC_MENU_POSITION_EDIT, FormatText(1024, "%d", menu.MenuPosition()).c_str());
    EnablePositionControls(page);
    SetChecked(page, IDC_UPPER_SEPARATOR, menu.UpperSeparator());
    SetChecked(page, IDC_LOWER_SEPARATOR, menu.LowerSeparator());
    SetChecked(page, IDC_USE_SCRIPT, script.UseBsfilterScript());
    EnableScriptControls(page);
    SetDlgItemTextA(page, IDC_RUBY_PATH, script.RubyModulePath().c_str());
    SetChecked(page, IDC_BATCH_LEARNING, state->settings->profile.BatchLearning());
    return TRUE;
}

void ChooseRuby(HWND page) {
    std::string path = "ruby.exe";
    if (ChooseFile(page, false, LoadFilterText(IDS_RUBY_FILTER), LoadResString(IDS_RUBY_TITLE),
                   LoadResString(IDS_RUBY_EXT),
                   OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR, &path)) {
        SetDlgItemTextA(page, IDC_RUBY_PATH, path.c_str());
    }
}

BOOL OnApply(HWND page, PageState* state) {
    OtherPageValues values;
    values.menuTop = IsChecked(page, IDC_MENU_TOP);
    values.menuBottom = IsChecked(page, IDC_MENU_BOTTOM);
    values.menuPosition = IsChecked(page, IDC_MENU_POSITION);
    values.position = ControlText(page, IDC_MENU_POSITION_EDIT);
    values.upperSeparator = IsChecked(page, IDC_UPPER_SEPARATOR);
    values.lowerSeparator = IsChecked(page, IDC_LOWER_SEPARATOR);
    values.useScript = IsChecked(page, IDC_USE_SCRIPT);
    values.rubyPath = ControlText(page, IDC_RUBY_PATH);
    state->settings->profile.SetBatchLearning(IsChecked(page, IDC_BATCH_LEARNING));
    const UINT failure = ApplyOtherPage(values, state->settings->contextMenu, state->settings->script);
    SetDlgItemTextA(page, IDC_MENU_POSITION_EDIT, values.position.c_str());
    SetDlgItemTextA(page, IDC_RUBY_PATH, values.rubyPath.c_str());
    return EndApply(page, state->title, failure);
}

void OnCommand(HWND page, PageState*, int id) {
    switch (id) {
        case IDC_MENU_TOP:
        case IDC_MENU_BOTTOM:
        case IDC_MENU_POSITION: EnablePositionControls(page); break;
        case IDC_USE_SCRIPT: EnableScriptControls(page); break;
        case IDC_RUBY_BROWSE: ChooseRuby(page); break;
        default: break;
    }
}

}  // namespace

INT_PTR CALLBACK OtherPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_setupSheet == nullptr) return FALSE;
    static const PageHandlers kHandlers = {OnInitDialog, OnCommand, OnApply};
    return RunPageProc(&g_setupSheet->other, kHandlers, page, message, wParam, lParam);
}
