// The platform extras on Windows: thin layers over the image-help library, the C runtime and
// the code-page conversions of the system.
#include "platform/platform.h"

#include <imagehlp.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <clocale>
#include <locale>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Mbcs.h"

BOOL PlatformMakeSureDirectoryPathExists(const char* path) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!MakeSureDirectoryPathExists(path)) return FALSE;
    // The library takes a file standing where a folder should be for an existing folder and
    // reports success; check that the folder part really is a folder.
    const char* last = Mbcs::FindLast(path, '\\');
    if (last == nullptr || last == path) return TRUE;
    const std::string folder(path, static_cast<size_t>(last - path));
    if (folder.size() == 2 && folder[1] == ':') return TRUE;  // a drive root
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    return TRUE;
}

bool PlatformStat(const char* path, bool* isRegular, unsigned long long* size) {
    if (path == nullptr) return false;
    struct _stati64 info;
    if (_stati64(path, &info) != 0) return false;
    if (isRegular != nullptr) *isRegular = (info.st_mode & _S_IFMT) == _S_IFREG;
    if (size != nullptr) *size = static_cast<unsigned long long>(info.st_size);
    return true;
}

BOOL PlatformReplaceFile(const char* source, const char* target) {
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// Windows has no flush of many files short of flushing the whole volume, which needs
// administrator rights: each file is moved with write-through, as one replace would be.
size_t PlatformReplaceFiles(const std::vector<std::string>& sources, const std::vector<std::string>& targets) {
    size_t done = 0;
    while (done < sources.size() && done < targets.size()) {
        if (!PlatformReplaceFile(sources[done].c_str(), targets[done].c_str())) break;
        ++done;
    }
    return done;
}

bool PlatformFreeDiskSpace(const char* folder, unsigned long long* bytes) {
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr)) return false;
    *bytes = available.QuadPart;
    return true;
}

void PlatformSetJapaneseLocale() {
    std::setlocale(LC_ALL, "japanese");
    try {
        std::locale::global(std::locale("japanese"));
    } catch (const std::runtime_error&) {
        // The C++ library of this build knows only the "C" locale; the C locale is set.
    }
}

bool PlatformIsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

bool PlatformAnsiToWide(const char* text, size_t length, std::wstring* out) {
    if (out == nullptr) return false;
    out->clear();
    if (length == 0) return true;
    if (text == nullptr) return false;
    const int count = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), nullptr, 0);
    if (count <= 0) return false;
    std::wstring result(static_cast<size_t>(count), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), &result[0], count) != count) {
        return false;
    }
    out->swap(result);
    return true;
}

namespace {

std::string WideToCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty()) return std::string();
    const int count =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (count <= 0) return std::string();
    std::string result(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &result[0], count, nullptr, nullptr);
    return result;
}

std::wstring CodePageToWide(const char* text, size_t length, UINT codePage, DWORD flags) {
    if (length == 0) return std::wstring();
    const int count = MultiByteToWideChar(codePage, flags, text, static_cast<int>(length), nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring result(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(codePage, flags, text, static_cast<int>(length), &result[0], count);
    return result;
}

}  // namespace

std::string PlatformAnsiToUtf8(const std::string& text) {
    std::wstring wide;
    if (PlatformAnsiToWide(text.data(), text.size(), &wide)) return WideToCodePage(wide, CP_UTF8);
    // Not valid in the code page as a whole: convert character by character and keep the
    // bytes of a character that does not convert as they are.
    std::string result;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) length = 2;
        if (PlatformAnsiToWide(text.data() + i, length, &wide)) {
            result += WideToCodePage(wide, CP_UTF8);
        } else {
            result.append(text, i, length);
        }
        i += length;
    }
    return result;
}

std::string PlatformUtf8ToAnsi(const std::string& text) {
    // Invalid UTF-8 becomes U+FFFD, which the ANSI code page writes as '?'.
    return WideToCodePage(CodePageToWide(text.data(), text.size(), CP_UTF8, 0), CP_ACP);
}

void PlatformConsoleWrite(const std::string& text) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD mode = 0;
    if (GetConsoleMode(error, &mode)) {
        const std::wstring wide = CodePageToWide(text.data(), text.size(), CP_ACP, 0);
        DWORD written = 0;
        WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    // Redirected: the bytes as they are, in the ANSI code page.
    DWORD done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        if (!WriteFile(error, text.data() + done, static_cast<DWORD>(text.size() - done), &written, nullptr) ||
            written == 0) {
            return;
        }
        done += written;
    }
}
