// Small helpers every part uses: trimming and replacing text, line-end normalisation, the
// boolean words of the settings files, bounded formatting, complete writes to a handle, the
// version strings of the plug-in's own file, the language resource DLL, string-table texts,
// window centring, the wait cursor and two platform probes.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/Log.h"

// Fixed buffer sizes of the plug-in: paths hold at most 1039 characters, command lines and
// formatted texts at most 8191.
constexpr size_t kPathSize = 1040;
constexpr size_t kTextSize = 8192;

// The trimming sets: blanks and line ends, and the set for text typed into the list pages
// (blank, tab and the ideographic space of CP932, 0x81 0x40).
extern const char kBlanks[];      // " \t\r\n"
extern const char kInputBlanks[]; // " \t\x81\x40"

// text without the leading and trailing characters that occur in set. Characters are
// compared whole: a double-byte character goes only if the same two bytes are in set.
std::string Trim(const std::string& text, const char* set = kBlanks);
std::string Trim(const char* text, const char* set = kBlanks);  // null gives ""

// In place: every occurrence of from becomes to, searching on after the inserted text.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);

// In place: CR LF, lone CR and lone LF all become CR LF.
void NormalizeLineEnds(std::string& text);

// The pieces between the separators, empty ones included; "" gives one empty piece.
std::vector<std::string> Split(const std::string& text, char separator);

// "True" or "False".
const char* BoolText(bool flag);

// True when path holds at least two backslashes (double-byte aware).
bool IsSubfolderPath(const char* path);

// printf into buffer of size bytes: at most size - 1 characters, always terminated, an
// over-long text cut. Returns the length written.
size_t FormatTo(char* buffer, size_t size, const char* format, ...) MV_PRINTF(3, 4);
size_t FormatToV(char* buffer, size_t size, const char* format, va_list args);
// The same into a string, as if through a buffer of bufferSize bytes.
std::string FormatText(size_t bufferSize, const char* format, ...) MV_PRINTF(2, 3);
std::string FormatTextV(size_t bufferSize, const char* format, va_list args);

// Copies text into a fixed buffer of size bytes, cut to size - 1 and terminated.
void CopyTo(char* buffer, size_t size, const char* text);

namespace Util {
// Writes all length bytes to an open file or pipe handle, looping over partial writes. A write
// that reports success with no byte written is a failure (the loop could not advance).
bool WriteToFile(HANDLE handle, const void* data, DWORD length);
}  // namespace Util

// The version strings of a module (the plug-in's own), from its version resource: the first
// language and code page of its translation list is used for every key.
class VersionInfo {
public:
    explicit VersionInfo(HMODULE module);
    std::string CompanyName() const { return Value("CompanyName"); }
    std::string ProductName() const { return Value("ProductName"); }
    std::string ProductVersion() const { return Value("ProductVersion"); }
    std::string Comments() const { return Value("Comments"); }
    std::string Value(const char* key) const;

private:
    std::vector<unsigned char> m_block;
    unsigned m_language = 0;
    unsigned m_codePage = 0;
    bool m_hasTranslation = false;
};

// The module that texts, dialogs, icons and bitmaps are looked up in first: the language
// resource DLL when one was found, else the plug-in itself.
extern HMODULE g_resourceModule;
// The plug-in's own module handle, stored by the load/unload entry.
extern HMODULE g_moduleHandle;

// Looks for "<programFolder>\<language>\Resource.dll" for the user's UI language (then for its
// language's default variant, e.g. 1033 for 2057) and makes it g_resourceModule when it loads.
void SelectResourceModule(const char* programFolder);
// Frees the resource DLL if it is not the plug-in itself.
void ReleaseResourceModule();

// A string-table text (from g_resourceModule, else the plug-in), used as a printf format with
// the further arguments (8191 characters at most). An id neither module has gives "".
std::string LoadResString(UINT id, ...);

// Whether the common controls are version 6 or later; whether Windows is XP or later.
bool IsComctl6();
bool IsWindowsXPOrLater();

// Moves window so that its centre lies on the centre of reference (size, z-order and the
// active window unchanged).
void CenterWindow(HWND reference, HWND window);

// Shows the wait cursor for its lifetime and restores the previous one.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    void Restore();  // restores early; the destructor then does nothing
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
    bool m_restored = false;
};
