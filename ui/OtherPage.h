// The other-settings page (dialog 160, second page of the sheet): where the plug-in's submenu
// goes in the host's context menu, and bsfilter's script mode under ruby.exe. The window-free
// part is here: applying and validating the page's values. OtherPage_win.cpp has the dialog
// procedure.
#pragma once

#include <string>

#include "platform/platform.h"
#include "settings/Profile.h"

// What the page's controls hold when OK is pressed.
struct OtherPageValues {
    bool menuTop = false;       // 1601
    bool menuBottom = false;    // 1602
    bool menuPosition = false;  // 1603
    std::string position;       // 1606, as typed
    bool upperSeparator = false;  // 1604
    bool lowerSeparator = false;  // 1605
    bool useScript = false;       // 1608
    std::string rubyPath;         // 1610, as typed
};

// Stores the values into the copies and validates the ruby.exe path when script mode is on.
// position and rubyPath come back as the edits must show them (trimmed; an empty position
// becomes "0"). Returns 0, 2244 (no path) or 2245 (not an existing regular file ending in
// "\ruby.exe").
UINT ApplyOtherPage(OtherPageValues& values, ContextMenuProfile& contextMenu, ExecBsfilterScriptProfile& script);

// The decimal value of the leading digits of text (an optional sign first); 0 without any.
int LeadingNumber(const std::string& text);

// Whether path names an existing regular file whose name ends in "\ruby.exe" exactly.
bool IsRubyPath(const std::string& path);

// The page's dialog procedure (Windows).
INT_PTR CALLBACK OtherPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
