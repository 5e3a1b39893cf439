// Reading and atomic writing of list files; see ListFile.h.
#include "lists/ListFile.h"

#include <cstring>
#include <vector>

#include "support/Log.h"

static const char kLogSource[] = "Mirvane\\ListFile";

bool ReadFileLines(const char* path, const std::function<void(const std::string& line)>& onLine) {
    if (path == nullptr || path[0] == '\0') return false;
    // Shared as the C runtime's fopen shares: a file the host (or an editor) holds open for
    // writing can still be read.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A list that was never saved is the normal state of a fresh installation.
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        LOG(missing ? LOG_DEBUG : LOG_ERROR, "ReadFileLines()", "%s: LastError: [%lu], path: [%s].", "CreateFile()",
            error, path);
        return false;
    }

    std::vector<char> buffer(64 * 1024);
    std::string line;
    bool ok = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            LOG(LOG_ERROR, "ReadFileLines()", "%s: LastError: [%lu], path: [%s].", "ReadFile()", GetLastError(),
                path);
            ok = false;
            break;
        }
        if (read == 0) break;
        const char* p = buffer.data();
        const char* end = p + read;
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            const char* stop = lf != nullptr ? lf : end;
            line.append(p, stop);
            if (lf == nullptr) break;
            onLine(line.substr(0, std::strlen(line.c_str())));
            line.clear();
            p = lf + 1;
        }
    }
    if (ok && !line.empty()) onLine(line.substr(0, std::strlen(line.c_str())));
    CloseHandle(file);
    return ok;
}

bool WriteFileReplacing(const char* path, const std::string& data) {
    if (path == nullptr || path[0] == '\0') return false;
    const std::string temporary = std::string(path) + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LOG(LOG_ERROR, "WriteFileReplacing()", "%s: LastError: [%lu], path: [%s].", "CreateFile()", GetLastError(),
            temporary.c_str());
        return false;
    }

    bool ok = true;
    size_t done = 0;
    while (ok && done < data.size()) {
        const size_t rest = data.size() - done;
        const DWORD chunk = static_cast<DWORD>(rest < (1u << 20) ? rest : (1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0) {
            LOG(LOG_ERROR, "WriteFileReplacing()", "%s: LastError: [%lu], path: [%s].", "WriteFile()",
                GetLastError(), temporary.c_str());
            ok = false;
        }
        done += written;
    }
    // The bytes must be on disk before the new file takes the old one's place; otherwise a
    // crash right after the move could leave an empty list behind.
    if (ok && !FlushFileBuffers(file)) {
        LOG(LOG_ERROR, "WriteFileReplacing()", "%s: LastError: [%lu], path: [%s].", "FlushFileBuffers()",
            GetLastError(), temporary.c_str());
        ok = false;
    }
    if (!CloseHandle(file) && ok) {
        LOG(LOG_ERROR, "WriteFileReplacing()", "%s: LastError: [%lu], path: [%s].", "CloseHandle()", GetLastError(),
            temporary.c_str());
        ok = false;
    }
    if (ok && !PlatformReplaceFile(temporary.c_str(), path)) {
        LOG(LOG_ERROR, "WriteFileReplacing()", "%s: LastError: [%lu], path: [%s].", "PlatformReplaceFile()",
            GetLastError(), path);
        ok = false;
    }
    if (!ok) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    LOG(LOG_DEBUG, "WriteFileReplacing()", "%s: succeeded. path: [%s].", "PlatformReplaceFile()", path);
    return true;
}
