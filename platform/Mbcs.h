// Scans over ANSI text in the process's double-byte code page (CP932, Shift_JIS): every
// routine here steps over a double-byte character as a whole, so the second byte of one is
// never taken for a backslash, a blank or an ASCII letter. Built on PlatformIsLeadByte.
#pragma once

#include <cstddef>
#include <string>

namespace Mbcs {

// Length in bytes of the character that starts at text[0] (1 or 2; 1 for a lead byte
// followed by the terminator, which is then a broken character).
size_t CharLength(const char* text);

// Pointer to the last (first) occurrence of the single-byte character c, or null.
const char* FindLast(const char* text, char c);
const char* FindFirst(const char* text, char c);

// Whether text ends in the single-byte character c (a trail byte equal to c does not count).
bool EndsWith(const char* text, char c);

// First occurrence of needle in text that starts on a character boundary, or null. An empty
// needle matches at text.
const char* FindSubstring(const char* text, const char* needle);

// text with every single-byte character from replaced by to (a trail byte equal to from stays).
std::string ReplaceChar(const char* text, char from, char to);

// Upper-cases in place, character by character: ASCII letters, and the full-width Latin,
// Greek and Cyrillic letters of CP932. A double-byte character is never split.
void ToUpper(std::string& text);
void ToUpper(char* text);

// Number of bytes of text that form whole characters within at most maxBytes bytes: cutting
// there never splits a double-byte character.
size_t CutLength(const char* text, size_t length, size_t maxBytes);

}  // namespace Mbcs
