// The platform seam: every operating-system call the portable code makes goes through the
// names declared here. Windows builds get them from <windows.h> and friends; Linux builds get
// a stand-in with the same names, types and guarantees (platform/posix/win32.h, implemented in
// platform/*_posix.cpp). The build system picks the side; subsystem code never tests it.
//
// Paths are Windows-style on both sides: backslash separators, ANSI text in code page 932.
// The POSIX side converts them at the OS boundary (CP932 -> UTF-8, "\" -> "/", stepping over
// double-byte characters), so path strings and test expectations are the same text everywhere.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#else
#include "posix/win32.h"
#endif

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Calls that are not plain Win32 (or that Win32 only has in helper libraries). Both sides
// implement them with the same guarantees.

// Creates every missing folder of path. A path that does not end in a backslash is taken to
// name a file: only the folders before its last backslash are made. True when they all exist.
BOOL PlatformMakeSureDirectoryPathExists(const char* path);

// File-status query: true when path exists. isRegular tells whether it is a regular file
// (not a folder or device), size its length in bytes. Either out-pointer may be null.
bool PlatformStat(const char* path, bool* isRegular, unsigned long long* size);

// Replaces target by source in one step (the POSIX side uses rename(2), Windows
// MoveFileExA with MOVEFILE_REPLACE_EXISTING). Used for atomic saves: the new file is
// written beside the old one and then moved over it, so an interrupted save never loses data.
BOOL PlatformReplaceFile(const char* source, const char* target);

// Replaces each targets[i] by sources[i], in order, as PlatformReplaceFile does, but with one
// flush for the lot where the platform allows: the new files' data is flushed together before
// the first rename and each folder that received a file once after the last, instead of one
// flush per file. Stops at the first failure (last error set). Returns how many were replaced.
size_t PlatformReplaceFiles(const std::vector<std::string>& sources, const std::vector<std::string>& targets);

// The bytes the caller may still write on the volume that holds folder. False when it cannot
// be told.
bool PlatformFreeDiskSpace(const char* folder, unsigned long long* bytes);

// Makes the process-wide runtime locale Japanese (all categories, C and C++). Failure is
// harmless: the plug-in's own text routines do not depend on the C locale.
void PlatformSetJapaneseLocale();

// Lead-byte test of the process's ANSI code page (CP932 on Linux; IsDBCSLeadByte on Windows).
bool PlatformIsLeadByte(unsigned char c);

// ANSI (CP932) -> wide conversion. False when the text is not valid in the code page; out is
// then left empty.
bool PlatformAnsiToWide(const char* text, size_t length, std::wstring* out);

// ANSI (CP932) -> UTF-8 and back, for consoles, JSON and file names on POSIX. Invalid bytes
// are kept as they are (AnsiToUtf8) or replaced by '?' (Utf8ToAnsi).
std::string PlatformAnsiToUtf8(const std::string& text);
std::string PlatformUtf8ToAnsi(const std::string& text);

// Writes ANSI text to the console (standard error), converted for the terminal.
void PlatformConsoleWrite(const std::string& text);
