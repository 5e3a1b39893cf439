// The UI driver of the host's "setup" and "run" verbs: while BKC_OnPlugInSetup shows the
// plug-in's settings sheet (or a command shows its progress), a watcher thread follows a
// script of steps as a user would (switch pages,
// type into edits, click buttons, answer file dialogs and message boxes, press OK or Cancel)
// and reports every step and what it saw as JSON lines ("ui" events, then one "ui-done").
//
// Script: UTF-8 text, one step per line, "#" starts a comment, blanks separate words and
// double quotes group them. Control ids are decimal. Steps (ID = control id on the current
// page, or in the current dialog after "dialog"):
//   sheet                      wait for the settings sheet
//   page N                     show page N (0 general, 1 other, 2 white list, 3 OK, 4 NG, 5 ack)
//   click ID | ctrl-click ID | settext ID TEXT | check ID 0|1
//   window CLASS [TEXT]        wait for another program's window (the editor), check that its
//                              title holds TEXT, close it
//   expect ID TEXT | expect-checked ID 0|1 | expect-enabled ID 0|1 | read ID
//   msgbox ANSWER [TEXT]       wait for a message box, report it (and check its text; a TEXT
//                              ending in "*" is a prefix), press ANSWER (ok, yes, no, cancel)
//   file PATH | file-cancel    wait for an open/save dialog; choose PATH (CP932 via UTF-8) or
//                              cancel it
//   dialog CAPTION | dialog-end   make a modal dialog (the folder browser) the current window,
//                              and go back to the sheet's page
//   progress                   make the batch commands' progress dialog the current window
//   tree ID | tree-select ID PATH | tree-expand ID PATH   (PATH: item texts joined by "/")
//   expect-tree ID PATH [0|1]  whether the item is there | expect-tree-selected ID PATH
//   list ID | list-select ID N | list-clear ID | list-dblclick ID N | list-column ID N
//   list-key ID VK | expect-count ID N | expect-row ID ROW COLUMN TEXT
//   expect-sort ID COLUMN [up|down]   only that header column carries the sort mark
//   send FILE                  BKC_OnSend with the file's message, on the host's UI thread
//   shot FILE                  a BMP picture of the top window (sheet or dialog, with frame)
//   ok | cancel                press the sheet's OK or Cancel
//   closed                     wait until the sheet has gone
//   sleep MS
// A step that fails (a check that does not hold, a window that does not come) is reported
// with "ok": false; a window that never comes ends the script, and the driver then closes
// every dialog of the plug-in with Cancel so that the verb returns.
#pragma once

#include <string>

namespace UiDriver {

// Reads the script and starts the watcher thread (call on the host's UI thread, before
// BKC_OnPlugInSetup). False with error when the script cannot be read or the platform has no
// windows.
bool Start(const std::string& scriptPath, std::string* error);

// Waits for the script to finish (or gives up after its time-out), reports "ui-done" and
// returns the number of failed steps.
int Finish();

}  // namespace UiDriver
