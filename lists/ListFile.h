// What the list classes share: the guard of their optional lock (the re-entrant
// g_settingsLock once start-up has attached them), line-wise reading of a list file, and the
// atomic rewrite of a whole file.
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"
#include "support/LockGuard.h"

// Reads the file at path and hands each line to onLine, without its LF (a CR before the LF
// stays; the callers trim it). A last line without LF counts; an empty file has no lines.
// A line is a C string: what follows a NUL byte in it is dropped. False when the file cannot
// be opened or a read fails (the lines read until then have been handed over).
bool ReadFileLines(const char* path, const std::function<void(const std::string& line)>& onLine);

// Replaces the file at path by data in one step: the bytes go to "<path>.tmp", are flushed,
// and that file is then moved over path. On any failure the old file is left as it was, the
// temporary file is removed, and false is returned.
bool WriteFileReplacing(const char* path, const std::string& data);
