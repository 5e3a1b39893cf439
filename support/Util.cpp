// Text, file, version and resource helpers shared by every part of the plug-in.
#include "support/Util.h"

#include <cstdio>
#include <cstring>

#include "platform/Mbcs.h"

namespace {
const char kLogSource[] = "Mirvane\\Util";
}

const char kBlanks[] = " \t\r\n";
const char kInputBlanks[] = " \t\x81\x40";

HMODULE g_resourceModule = nullptr;
HMODULE g_moduleHandle = nullptr;

// ---- text ---------------------------------------------------------------------------------

namespace {

// Whether the character of length len at p is one of the characters of set.
bool InSet(const char* p, size_t len, const char* set) {
    for (const char* s = set; *s != '\0';) {
        const size_t slen = Mbcs::CharLength(s);
        if (slen == len && std::memcmp(s, p, len) == 0) return true;
        s += slen;
    }
    return false;
}

}  // namespace

std::string Trim(const std::string& text, const char* set) {
    if (set == nullptr) set = kBlanks;
    const char* data = text.c_str();
    const size_t size = text.size();
    // Walk the characters once: the first one outside the set starts the result, the end of
    // the last one outside the set ends it.
    size_t begin = size;
    size_t end = 0;
    for (size_t i = 0; i < size;) {
        size_t len = 1;
        if (PlatformIsLeadByte(static_cast<unsigned char>(data[i])) && i + 1 < size) len = 2;
        if (data[i] == '\0' || !InSet(data + i, len, set)) {
            if (begin == size) begin = i;
            end = i + len;
        }
        i += len;
    }
    if (begin >= end) return std::string();
    return text.substr(begin, end - begin);
}

std::string Trim(const char* text, const char* set) {
    if (text == nullptr) return std::string();
    return Trim(std::string(text), set);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (text.empty() || from.empty()) return;
    size_t pos = text.find(from);
    if (pos == std::string::npos) return;
    // Built anew in one pass: replacing in place would move the rest of the text at every
    // hit, which makes a long text with many hits (a big message's line ends) quadratic.
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    for (; pos != std::string::npos; pos = text.find(from, start)) {
        result.append(text, start, pos - start);
        result += to;
        start = pos + from.size();
    }
    result.append(text, start, std::string::npos);
    text.swap(result);
}

void NormalizeLineEnds(std::string& text) {
    ReplaceAll(text, "\r\n", "\n");
    ReplaceAll(text, "\r", "\n");
    ReplaceAll(text, "\n", "\r\n");
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t pos = text.find(separator, start);
        if (pos == std::string::npos) {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    return pieces;
}

const char* BoolText(bool flag) { return flag ? "True" : "False"; }

bool IsSubfolderPath(const char* path) {
    const char* first = Mbcs::FindFirst(path, '\\');
    if (first == nullptr) return false;
    return Mbcs::FindFirst(first + 1, '\\') != nullptr;
}

size_t FormatToV(char* buffer, size_t size, const char* format, va_list args) {
    if (buffer == nullptr || size == 0) return 0;
    const int n = std::vsnprintf(buffer, size, format != nullptr ? format : "", args);
    buffer[size - 1] = '\0';
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

size_t FormatTo(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const size_t n = FormatToV(buffer, size, format, args);
    va_end(args);
    return n;
}

std::string FormatTextV(size_t bufferSize, const char* format, va_list args) {
    std::vector<char> buffer(bufferSize > 0 ? bufferSize : 1);
    const size_t n = FormatToV(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), n);
}

std::string FormatText(size_t bufferSize, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(bufferSize, format, args);
    va_end(args);
    return text;
}

void CopyTo(char* buffer, size_t size, const char* text) {
    if (buffer == nullptr || size == 0) return;
    if (text == nullptr) text = "";
    const size_t n = std::strlen(text);
    const size_t keep = n < size - 1 ? n : size - 1;
    std::memcpy(buffer, text, keep);
    buffer[keep] = '\0';
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
    // The library of the exact language first, then the one of its language's default variant:
    // the English library (1033) also serves an English (United Kingdom, 2057) Windows.
    const WORD candidates[] = {language, MAKELANGID(PRIMARYLANGID(language), SUBLANG_DEFAULT)};
    for (size_t i = 0; i < 2; ++i) {
        if (i > 0 && candidates[i] == candidates[0]) break;
        char path[kPathSize];
        FormatTo(path, sizeof(path), "%s\\%d\\Resource.dll", programFolder, static_cast<int>(candidates[i]));
        HMODULE module = LoadLibraryA(path);
        if (module != nullptr) {
            g_resourceModule = module;
            return;
        }
    }
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
