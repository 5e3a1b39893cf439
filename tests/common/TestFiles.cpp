// Test helpers for temporary folders and whole-file access.
#include "common/TestFiles.h"

#include <atomic>

#include "platform/platform.h"
#include "support/Util.h"

namespace testing_files {

namespace {
std::atomic<unsigned> g_counter{0};
}

TempDir::TempDir() {
    char base[kPathSize] = {0};
    GetTempPathA(sizeof(base), base);
    for (;;) {
        char name[kPathSize];
        FormatTo(name, sizeof(name), "%smirvane-test-%lu-%lu-%u", base, static_cast<unsigned long>(GetTickCount()),
                 static_cast<unsigned long>(GetCurrentThreadId()), g_counter++);
        if (CreateDirectoryA(name, nullptr)) {
            m_path = name;
            break;
        }
    }
}

TempDir::~TempDir() { RemoveTree(m_path); }

std::string TempDir::File(const std::string& name) const { return m_path + "\\" + name; }

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size());
    CloseHandle(file);
    return ok;
}

std::string ReadBytes(const std::string& path, bool* exists) {
    if (exists != nullptr) *exists = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    if (exists != nullptr) *exists = true;
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) content.append(buffer, read);
    CloseHandle(file);
    return content;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::string& path) {
    if (path.empty()) return;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

bool MakeFolders(const std::string& path) { return PlatformMakeSureDirectoryPathExists((path + "\\").c_str()) != 0; }

}  // namespace testing_files
