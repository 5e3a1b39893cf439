// Helpers for tests that work with files: a temporary folder removed at the end of the test,
// and whole-file reads and writes. Paths are Windows-style, as everywhere in the plug-in.
#pragma once

#include <string>

namespace testing_files {

// A fresh, empty folder under the system's temporary folder; removed with everything in it
// when the object goes. Path() has no trailing backslash.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "\" + name.
    std::string File(const std::string& name) const;

private:
    std::string m_path;
};

// Writes bytes to path (created or truncated); true on success.
bool WriteBytes(const std::string& path, const std::string& bytes);
// The whole content of path; empty when it cannot be read. exists (optional) tells which.
std::string ReadBytes(const std::string& path, bool* exists = nullptr);
// Whether path names an existing file or folder.
bool Exists(const std::string& path);
// Removes a folder and everything below it.
void RemoveTree(const std::string& path);
// Creates a folder and its missing parents.
bool MakeFolders(const std::string& path);

}  // namespace testing_files
