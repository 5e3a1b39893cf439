// Shared pieces of the libFuzzer targets: a scratch folder for list files (Windows-style
// paths, as everywhere in the plug-in), whole-file writes and reads through the platform's
// file calls, and a check that aborts the run with a message when an invariant breaks.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace fuzz {

inline void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Removes the scratch folder with its files when the process ends normally.
inline void RemoveScratchFolder();

// A folder of its own under the temporary folder, made once per process (and never
// destroyed, so that the clean-up at exit can still name it).
inline const std::string& ScratchFolder() {
    static const std::string* folder = [] {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(sizeof(temp), temp);
        std::string base = temp;
        if (!base.empty() && base[base.size() - 1] == '\\') base.erase(base.size() - 1);
        for (unsigned attempt = 0;; ++attempt) {
            const std::string candidate =
                base + "\\mirvane-fuzz-" + std::to_string(GetTickCount()) + "-" + std::to_string(attempt);
            if (CreateDirectoryA(candidate.c_str(), nullptr)) {
                std::atexit(&RemoveScratchFolder);
                return new std::string(candidate);
            }
            Require(attempt < 1000, "a scratch folder can be made");
        }
    }();
    return *folder;
}

inline std::string ScratchFile(const char* name) { return ScratchFolder() + "\\" + name; }

inline void RemoveScratchFolder() {
    const std::string& folder = ScratchFolder();
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name != "." && name != "..") DeleteFileA((folder + "\\" + name).c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

inline bool WriteBytes(const std::string& path, const void* data, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = size == 0 || WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

inline std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string data;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) data.append(buffer, read);
    CloseHandle(file);
    return data;
}

}  // namespace fuzz
