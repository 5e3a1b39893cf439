// Text, file, version and resource helpers shared by every part of the plug-in.
#include "support/Util.h"

#include <cstdio>
#include <cstring>

#include "platform/Mbcs.h"

namespace {
const char kLogSource[] = "Mirvane\\Util";
}

HMODULE g_resourceModule = nullptr;
HMODULE g_moduleHandle = nullptr;

// ---- settings words and paths -------------------------------------------------------------

const char* BoolText(bool flag) { return flag ? "True" : "False"; }

bool IsSubfolderPath(const char* path) {
    const char* first = Mbcs::FindFirst(path, '\\');
    if (first == nullptr) return false;
    return Mbcs::FindFirst(first + 1, '\\') != nullptr;
}

// ---- window placement ---------------------------------------------------------------------

void CentredOrigin(const ScreenRect& reference, int width, int height, const ScreenRect& work, int* x, int* y) {
    int left = reference.left + (reference.right - reference.left) / 2 - width / 2;
    int top = reference.top + (reference.bottom - reference.top) / 2 - height / 2;
    // First the right and bottom edges, then the left and top ones: a window too large for
    // the work area ends with its top-left corner (the title bar) on the screen.
    if (left + width > work.right) left = work.right - width;
    if (top + height > work.bottom) top = work.bottom - height;
    if (left < work.left) left = work.left;
    if (top < work.top) top = work.top;
    *x = left;
    *y = top;
}

// ---- files --------------------------------------------------------------------------------

bool Util::WriteToFile(HANDLE handle, const void* data, DWORD length) {
    LOG(LOG_DEBUG, "WriteToFile()", "begin.");
    const char* bytes = static_cast<const char*>(data);
    DWORD total = 0;
    while (total < length) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes + total, length - total, &written, nullptr)) {
            LOG(LOG_ERROR, "WriteToFile()", "%s: LastError: [%lu].", "WriteFile()", GetLastError());
            return false;
        }
        if (written == 0) {
            // Success without progress would loop for ever: treat it as a failed write.
            LOG(LOG_ERROR, "WriteToFile()", "%s: LastError: [%lu].", "WriteFile()",
                static_cast<DWORD>(ERROR_WRITE_FAULT));
            return false;
        }
        total += written;
    }
    LOG_DATA(LOG_DEBUG, "WriteToFile()", data, length, "[%d]/[%d] byte(s) written.", static_cast<int>(total),
             static_cast<int>(length));
    LOG(LOG_DEBUG, "WriteToFile()", "end.");
    return true;
}

// ---- version information ------------------------------------------------------------------

VersionInfo::VersionInfo(HMODULE module) {
    char path[kPathSize] = {0};
    if (GetModuleFileNameA(module, path, sizeof(path)) == 0) return;
    path[sizeof(path) - 1] = '\0';
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return;
    m_block.resize(size);
    if (!GetFileVersionInfoA(path, handle, size, m_block.data())) {
        m_block.clear();
        return;
    }
    LPVOID translation = nullptr;
    UINT length = 0;
    if (VerQueryValueA(m_block.data(), "\\VarFileInfo\\Translation", &translation, &length) &&
        translation != nullptr && length >= 4) {
        const WORD* pair = static_cast<const WORD*>(translation);
        m_language = pair[0];
        m_codePage = pair[1];
        m_hasTranslation = true;
    }
}

std::string VersionInfo::Value(const char* key) const {
    if (m_block.empty() || !m_hasTranslation) return std::string();
    char query[256];
    FormatTo(query, sizeof(query), "\\StringFileInfo\\%04x%04x\\%s", m_language, m_codePage, key);
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(m_block.data(), query, &value, &length) || value == nullptr || length == 0) {
        return std::string();
    }
    return std::string(static_cast<const char*>(value));
}

// ---- resources ----------------------------------------------------------------------------

void SelectResourceModule(const char* programFolder) {
    g_resourceModule = g_moduleHandle;
    WORD language = GetUserDefaultUILanguage();
    if (language == 0) language = GetUserDefaultLangID();
    if (language == 0) return;
    char path[kPathSize];
    FormatTo(path, sizeof(path), "%s\\%d\\Resource.dll", programFolder, static_cast<int>(language));
    HMODULE module = LoadLibraryA(path);
    if (module != nullptr) g_resourceModule = module;
}

void ReleaseResourceModule() {
    if (g_resourceModule != nullptr && g_resourceModule != g_moduleHandle) {
        FreeLibrary(g_resourceModule);
    }
    g_resourceModule = nullptr;
}

std::string LoadResString(UINT id, ...) {
    char format[kTextSize] = {0};
    int n = 0;
    if (g_resourceModule != nullptr) n = LoadStringA(g_resourceModule, id, format, sizeof(format));
    if (n <= 0 && g_moduleHandle != nullptr) n = LoadStringA(g_moduleHandle, id, format, sizeof(format));
    if (n <= 0) return std::string();
    va_list args;
    va_start(args, id);
    std::string text = FormatTextV(kTextSize, format, args);
    va_end(args);
    return text;
}

// ---- cursor -------------------------------------------------------------------------------

WaitCursor::WaitCursor() : m_previous(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}

WaitCursor::~WaitCursor() { Restore(); }

void WaitCursor::Restore() {
    if (m_restored) return;
    m_restored = true;
    if (m_previous != nullptr) SetCursor(m_previous);
}
