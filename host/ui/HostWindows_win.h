// Window helpers of the Windows host: the host's message-box watcher and its UI driver both
// find the plug-in's dialogs, read their windows and press their buttons.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace HostWindows {

// The window's class name (up to 63 characters) and its text.
std::string ClassOf(HWND window);
std::string TextOf(HWND window);

// This process's visible top-level dialogs (class #32770), topmost first.
std::vector<HWND> ProcessDialogs();

// Presses a button of a dialog as a click does: posts its BN_CLICKED.
void PressButton(HWND dialog, int id);

}  // namespace HostWindows
