// Scans over ANSI text in the process's double-byte code page (CP932, Shift_JIS): every
// routine here steps over a double-byte character as a whole, so the second byte of one is
// never taken for a backslash, a blank or an ASCII letter. Built on PlatformIsLeadByte.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Mbcs {

// Length in bytes of the character that starts at text[0] (1 or 2; 1 for a lead byte
// followed by the terminator, which is then a broken character).
size_t CharLength(const char* text);

// Length in bytes of the character at offset i of a counted text of length bytes (1 or 2; 1
// for a lead byte in the last position). Text may hold NUL bytes.
size_t CharLengthAt(const char* text, size_t length, size_t i);
inline size_t CharLengthAt(const std::string& text, size_t i) { return CharLengthAt(text.data(), text.size(), i); }

// Pointer to the last (first) occurrence of the single-byte character c, or null.
const char* FindLast(const char* text, char c);
const char* FindFirst(const char* text, char c);

// Offset of the last single-byte c in text (the first one at or after from), or npos.
size_t LastIndexOf(const std::string& text, char c);
size_t IndexOf(const std::string& text, char c, size_t from = 0);

// Whether text ends in the single-byte character c (a trail byte equal to c does not count).
bool EndsWith(const char* text, char c);
inline bool EndsWith(const std::string& text, char c) { return EndsWith(text.c_str(), c); }

// First occurrence of needle in text that starts on a character boundary, or null. An empty
// needle matches at text.
const char* FindSubstring(const char* text, const char* needle);

// text with every single-byte character from replaced by to (a trail byte equal to from stays).
std::string ReplaceChar(const char* text, char from, char to);
inline std::string ReplaceChar(const std::string& text, char from, char to) { return ReplaceChar(text.c_str(), from, to); }

// Upper-cases in place, character by character: ASCII letters, and the full-width Latin,
// Greek and Cyrillic letters of CP932. A double-byte character is never split.
void ToUpper(std::string& text);
void ToUpper(char* text);

// text without the leading and trailing characters that occur in set. Characters are
// compared whole: a double-byte character goes only if the same two bytes are in set.
std::string Trim(const std::string& text, const char* set = " \t\r\n");

// The pieces between the single-byte separators, empty ones included; "" gives one empty
// piece. A trail byte equal to separator separates nothing.
std::vector<std::string> Split(const std::string& text, char separator);

// text with its ASCII letters in lower case (double-byte characters unchanged).
std::string ToLowerAscii(std::string text);
// Whether text starts with prefix, ASCII letters compared without case.
bool StartsWithAsciiNoCase(const std::string& text, const std::string& prefix);

// Whether a and b are the same text when ASCII letters are compared without case (the bytes of
// a double-byte character always exactly): how mail domains compare.
bool EqualsAsciiNoCase(const std::string& a, const std::string& b);

// Number of bytes of text that form whole characters within at most maxBytes bytes: cutting
// there never splits a double-byte character.
size_t CutLength(const char* text, size_t length, size_t maxBytes);

}  // namespace Mbcs
