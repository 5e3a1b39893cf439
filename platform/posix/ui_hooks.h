// The user interface of the plug-in on Linux: there are no windows, so message boxes and the
// progress of batch commands go to the console. A host program may take them over by
// exporting these functions from its executable (looked up with dlsym in the main program):
//
//   int PlatformMessageBoxHook(HWND owner, const char* text, const char* caption, unsigned type);
//       Shows (records) a message box; returns the button pressed (IDOK, IDCANCEL, IDYES,
//       IDNO), or 0 to let the platform print it and answer with the default button.
//
// Texts are ANSI (CP932).
#pragma once

#include "platform/platform.h"

extern "C" {
typedef int (*PlatformMessageBoxHookProc)(HWND owner, const char* text, const char* caption, unsigned type);
}
