// The plug-in's outer shell: load and unload, the host version check, the plug-in
// information and the send hook. The exported BKC_ functions (plugin/Exports.cpp) call these.
#pragma once

#include "platform/platform.h"
#include "plugin/Exports.h"

// Accepts host versions 2.50 and later ("major.minor[.build]", each piece a decimal number).
bool CheckHostVersion(const char* versionText);

// The load step: binds the host API, checks the version, runs Initialize. FALSE refuses.
BOOL PluginProcessAttach(HMODULE module);
// The unload step: frees the resource DLL and deletes the locks; safe after a refused load.
BOOL PluginProcessDetach(HMODULE module);

// Fills the host's information record from the DLL's version resource.
int OnPlugInInfo(LPBKPLUGININFO info);

// True while the settings sheet is open: the send hook then collects recipients in
// g_pendingWhiteList instead of g_whiteList.
extern bool g_setupOpen;

// The send hook: adds the recipients of an outgoing message to the white list.
int OnSend(LPCSTR message);
