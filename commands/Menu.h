// The plug-in's submenu in the host's message-list context menu.
#pragma once

#include "platform/platform.h"

// The host's menu-initialisation event; acts only for the message-list context menu (type 1).
int OnMenuInit(HWND window, HMENU menu, int type);
