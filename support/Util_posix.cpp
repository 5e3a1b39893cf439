// The window helpers on a system without the plug-in's windows: there are no common controls
// and no windows to centre.
#include "support/Util.h"

bool IsComctl6() { return false; }

bool IsWindowsXPOrLater() { return false; }

void CenterWindow(HWND, HWND) {}
