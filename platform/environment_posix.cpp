// The environment on the POSIX side. "PATH" is translated at the boundary, so that portable
// code can read and extend it as on Windows: read, it is a ";"-separated list of
// Windows-style folders; written, the list is turned back into ":"-separated native folders
// (empty entries dropped: on POSIX an empty entry would mean the current folder). The name
// "PATH" is matched without regard to case, as Windows matches every variable name. Other
// variables pass through unchanged.
#include <stdlib.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/posix_internal.h"

extern char** environ;

namespace posix {

namespace {

std::mutex g_environmentLock;

bool IsPathVariable(const char* name) {
    return std::strlen(name) == 4 && lstrcmpiA(name, "PATH") == 0;
}

std::string PathListToWindows(const std::string& list) {
    std::string result;
    size_t start = 0;
    for (;;) {
        const size_t colon = list.find(':', start);
        const std::string entry = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!result.empty() || start > 0) result += ';';
        result += FromNativePath(entry);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return result;
}

std::string PathListToNative(const char* list) {
    std::string result;
    std::string entry;
    auto flush = [&result, &entry]() {
        // Windows tolerates quotes around an entry ("C:\Program Files\x"); they are not part of it.
        if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"') entry = entry.substr(1, entry.size() - 2);
        if (!entry.empty()) {
            if (!result.empty()) result += ':';
            result += ToNativePath(entry.c_str());
        }
        entry.clear();
    };
    for (const char* p = list; *p != '\0'; ++p) {
        if (*p == ';') {
            flush();
        } else {
            entry += *p;  // ';' is never the second byte of a double-byte character
        }
    }
    flush();
    return result;
}

}  // namespace

std::vector<std::string> EnvironmentSnapshot() {
    std::lock_guard<std::mutex> guard(g_environmentLock);
    std::vector<std::string> copy;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) copy.emplace_back(*entry);
    return copy;
}

}  // namespace posix

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    const bool isPath = posix::IsPathVariable(name);
    std::string value;
    {
        std::lock_guard<std::mutex> guard(posix::g_environmentLock);
        const char* raw = getenv(isPath ? "PATH" : name);
        if (raw == nullptr) {
            SetLastError(ERROR_ENVVAR_NOT_FOUND);
            return 0;
        }
        value = raw;
    }
    if (isPath) value = posix::PathListToWindows(value);
    if (value.empty()) {
        if (buffer != nullptr && size > 0) buffer[0] = '\0';
        SetLastError(ERROR_SUCCESS);
        return 0;
    }
    return posix::CopyOutWin32(value, buffer, size);
}

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
    if (name == nullptr || *name == '\0' || std::strchr(name, '=') != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool isPath = posix::IsPathVariable(name);
    const char* variable = isPath ? "PATH" : name;
    std::lock_guard<std::mutex> guard(posix::g_environmentLock);
    int result;
    if (value == nullptr) {
        result = unsetenv(variable);
    } else if (isPath) {
        result = setenv(variable, posix::PathListToNative(value).c_str(), 1);
    } else {
        result = setenv(variable, value, 1);
    }
    if (result != 0) {
        posix::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}
