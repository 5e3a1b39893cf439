// What differs between the Windows host and the Linux host, implemented in
// HostSystem_win.cpp and HostSystem_posix.cpp: windows, the message-box watcher, hiding an
// export, the program's own folder and the text of command-line arguments.
#pragma once

#include <string>

#include "platform/platform.h"

namespace HostSystem {

// Prepares standard output for UTF-8 JSON lines (binary mode on Windows).
void PrepareConsole();

// A command-line argument as CP932 (Linux arguments are UTF-8; Windows ones are ANSI).
std::string ArgumentToCp932(const char* argument);
// A path given on the command line as an absolute Windows-style CP932 path (a Linux path
// "/tmp/x" becomes "\tmp\x", which the platform layer maps back at the OS boundary).
std::string AbsolutePath(const std::string& cp932Path);
// The folder of the host executable, ending in "\".
std::string ProgramFolder();
// The plug-in file beside the host when --plugin is not given.
const char* DefaultPluginName();

// The host's windows: a real main window with tree, list and view children on Windows;
// distinct non-null stand-ins on Linux, where the plug-in has no windows. warning is set when
// the window system is not there (Wine without a display); the handles are then null.
void CreateWindows(HWND* main, HWND* tree, HWND* list, HWND* view, std::string* warning);
void DestroyWindows();

// Message boxes of the plug-in are answered by Host::AnswerMessageBox. On Windows a watcher
// thread finds them (dialog class #32770 of this process), reads them and presses the chosen
// button; on Linux these register (and remove) the host's message-box and progress hooks with
// the platform layer.
void StartMessageBoxWatcher();
void StopMessageBoxWatcher();

// While a batch command runs (the plug-in has disabled the host's main window and shows its
// progress dialog), waits until the watcher follows that dialog, keeping the host thread's
// messages flowing, so that every step of the batch is seen and Cancel can be pressed after any
// of them. Called before the host hands a message over. Nothing to wait for on Linux, where the
// progress comes through the hook.
void AwaitProgressDialog(HWND mainWindow);

// Makes the host program stop exporting "BKA_" + name, so that GetProcAddress on the host
// fails for it as it would with a host that lacks the function. address is the function.
bool HideExport(const std::string& exportName, void* address, std::string* error);

}  // namespace HostSystem
