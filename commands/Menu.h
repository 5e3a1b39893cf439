// The plug-in's submenu in the host's message-list context menu.
#pragma once

#include "platform/platform.h"
#include "plugin/HostApi.h"

// The host's menu-initialisation event; acts only for the message-list context menu (type 1):
// inserts the submenu "bsfilter (Mirvane)" where the settings place it and registers its
// eighteen commands. Returns 0.
int OnMenuInit(HWND window, HMENU menu, int type);

// State callback of the commands that need a selection: 1 (disabled) while no message is
// selected, else 0.
UINT CALLBACK HasSelectedMailUI(HWND window, LPARAM lParam);

// Registers a command with the host under the text of textId, appends it to submenu with the
// identifier the host gave it, and binds the state callback (when one is given).
void AddMenuCommand(HMENU submenu, int target, UINT textId, BkCommandCallback handler, BkUICallback stateCallback);
