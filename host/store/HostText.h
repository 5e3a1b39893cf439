// Text helpers of the host simulator. Host text is ANSI in code page 932 whatever the system
// says, so the lead-byte test is fixed here rather than asked of the system; every scan steps
// over double-byte characters, so a trail byte 0x5C is never taken for a backslash.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace HostText {

inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Offset of the last (first) single-byte c in text at or after from, or npos.
size_t FindLast(const std::string& text, char c);
size_t FindFirst(const std::string& text, char c, size_t from = 0);
bool EndsWithChar(const std::string& text, char c);

// The pieces between separators (double-byte aware); empty pieces are kept.
std::vector<std::string> Split(const std::string& text, char separator);

// The words of a script line (the host's script verb and the UI driver's steps): blanks, tabs
// and CRs separate them, double quotes group them ("" inside quotes is a quote; "" alone is an
// empty word).
std::vector<std::string> SplitWords(const std::string& line);

// Line ends: CR LF, lone CR and lone LF all become CR LF.
std::string ToCrLf(const std::string& text);

std::string Trim(const std::string& text, const char* set = " \t\r\n");
std::string ToLowerAscii(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

// "/" becomes "\" (double-byte aware).
std::string Backslashes(const std::string& path);

// The header block of a message (up to and including the CR LF before the empty line), or ""
// when the text has no empty line.
std::string HeaderBlock(const std::string& message);
// Value of the first header field called name (case-insensitive), unfolded and trimmed; found
// tells whether the field exists.
std::string HeaderValue(const std::string& message, const std::string& name, bool* found = nullptr);
// The complete lines (folded continuations joined with CR LF kept) of every header field.
std::vector<std::string> HeaderLines(const std::string& message);
// message with line (no line end) added as the last field of its header block.
std::string AddHeaderLine(const std::string& message, const std::string& line);

}  // namespace HostText
