// Text helpers below the log, which formats with them: the printf-format check, bounded
// formatting and copying, trimming (double-byte aware), replacing, line-end normalisation and
// splitting.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

#if defined(__GNUC__) || defined(__clang__)
#define MV_PRINTF(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define MV_PRINTF(fmt, first)
#endif

// Fixed buffer sizes of the plug-in: paths hold at most 1039 characters, command lines and
// formatted texts at most 8191.
constexpr size_t kPathSize = 1040;
constexpr size_t kTextSize = 8192;

// The trimming sets: blanks and line ends, and the set for text typed into the list pages
// (blank, tab and the ideographic space of CP932, 0x81 0x40).
extern const char kBlanks[];      // " \t\r\n"
extern const char kInputBlanks[]; // " \t\x81\x40"

// Mbcs::Trim with the blanks as the default set.
std::string Trim(const std::string& text, const char* set = kBlanks);
std::string Trim(const char* text, const char* set = kBlanks);  // null gives ""

// In place: every occurrence of from becomes to, searching on after the inserted text.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);

// In place: CR LF, lone CR and lone LF all become CR LF.
void NormalizeLineEnds(std::string& text);

// Mbcs::Split: the pieces between the separators, empty ones included.
std::vector<std::string> Split(const std::string& text, char separator);

// printf into buffer of size bytes: at most size - 1 characters, always terminated, an
// over-long text cut. Returns the length written.
size_t FormatTo(char* buffer, size_t size, const char* format, ...) MV_PRINTF(3, 4);
size_t FormatToV(char* buffer, size_t size, const char* format, va_list args);
// The same into a string, as if through a buffer of bufferSize bytes.
std::string FormatText(size_t bufferSize, const char* format, ...) MV_PRINTF(2, 3);
std::string FormatTextV(size_t bufferSize, const char* format, va_list args);

// Copies text into a fixed buffer of size bytes, cut to size - 1 and terminated.
void CopyTo(char* buffer, size_t size, const char* text);
