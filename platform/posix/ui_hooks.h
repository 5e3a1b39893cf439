// The user interface of the plug-in on Linux: there are no windows, so message boxes and the
// progress of batch commands go to the console. A host program may take them over by
// exporting these functions from its executable (looked up with dlsym in the main program):
//
//   int PlatformMessageBoxHook(HWND owner, const char* text, const char* caption, unsigned type);
//       Shows (records) a message box; returns the button pressed (IDOK, IDCANCEL, IDYES,
//       IDNO), or 0 to let the platform print it and answer with the default button.
//
//   int PlatformProgressCancelHook(int current, int total);
//       Asked by the progress display of the batch commands after each message (current of
//       total done); a non-zero answer cancels the batch there, as the dialog's Cancel button
//       does on Windows (commands/Progress_posix.cpp).
//
// Texts are ANSI (CP932).
#pragma once

#include "platform/platform.h"

extern "C" {
typedef int (*PlatformMessageBoxHookProc)(HWND owner, const char* text, const char* caption, unsigned type);
typedef int (*PlatformProgressCancelHookProc)(int current, int total);
}
