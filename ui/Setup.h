// The settings property sheet.
#pragma once

#include "platform/platform.h"

// Shows the settings sheet on a working copy of the settings and lists; commits on OK.
int OnPlugInSetup(HWND parent);
