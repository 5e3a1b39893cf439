// Small helpers every part uses (with the text helpers of Text.h): the boolean words of the
// settings files, complete writes to a handle, the
// version strings of the plug-in's own file, the language resource DLL, string-table texts,
// window centring, the wait cursor and two platform probes.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/Log.h"
#include "support/Text.h"

// "True" or "False".
const char* BoolText(bool flag);

// True when path holds at least two backslashes (double-byte aware).
bool IsSubfolderPath(const char* path);

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

// Looks for "<programFolder>\<language>\Resource.dll" for the user's UI language and makes it
// g_resourceModule when it loads.
void SelectResourceModule(const char* programFolder);
// Frees the resource DLL if it is not the plug-in itself.
void ReleaseResourceModule();

// A string-table text (from g_resourceModule, else the plug-in), used as a printf format with
// the further arguments (8191 characters at most). An id neither module has gives "".
std::string LoadResString(UINT id, ...);

// Whether the common controls are version 6 or later; whether Windows is XP or later.
bool IsComctl6();
bool IsWindowsXPOrLater();

// Moves window so that its centre lies on the centre of reference, then as little as needed to
// keep it inside the work area of the monitor reference is on (the primary monitor's when
// reference is on none); a window larger than the work area keeps its top-left corner, and so
// its title bar, inside. Size, z-order and the active window stay unchanged.
void CenterWindow(HWND reference, HWND window);

// A rectangle in screen coordinates, as Win32's RECT (right and bottom exclusive).
struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};
// The placement rule of CenterWindow: the top-left corner of a window of width x height
// centred on reference and kept inside work.
void CentredOrigin(const ScreenRect& reference, int width, int height, const ScreenRect& work, int* x, int* y);

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
