// The user interface of the plug-in on Linux: there are no windows, so message boxes and the
// progress of batch commands go to the console. A host program (the host simulator, a test)
// takes them over by registering its functions here at start; the platform layer never looks
// anything up in the program.
//
//   int MessageBoxHook(HWND owner, const char* text, const char* caption, unsigned type);
//       Shows (records) a message box; returns the button pressed (IDOK, IDCANCEL, IDYES,
//       IDNO), or 0 to let the platform print it and answer with the default button.
//
//   int ProgressHook(int current, int total);
//       Asked by the progress display of the batch commands after each message (current of
//       total done); a non-zero answer cancels the batch there, as the dialog's Cancel button
//       does on Windows (commands/Progress_posix.cpp).
//
// Texts are ANSI (CP932). The platform layer is one shared library, so the host program and
// the plug-in it loads see the same registration.
#pragma once

#include "platform/platform.h"

typedef int (*PlatformMessageBoxHookProc)(HWND owner, const char* text, const char* caption, unsigned type);
typedef int (*PlatformProgressHookProc)(int current, int total);

// Registers the hook (null removes it); returns the one registered before.
PlatformMessageBoxHookProc SetMessageBoxHook(PlatformMessageBoxHookProc hook);
PlatformProgressHookProc SetProgressHook(PlatformProgressHookProc hook);

// The registered progress hook, or null.
PlatformProgressHookProc GetProgressHook();
