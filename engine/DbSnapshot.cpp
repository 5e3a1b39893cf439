// Copies of bsfilter's database files around runs that may spoil them; see DbSnapshot.h.
#include "engine/DbSnapshot.h"

#include <algorithm>

#include "engine/Mirvane.h"
#include "platform/platform.h"
#include "support/Log.h"

namespace {

const char kLogSource[] = "Mirvane\\Mirvane";

std::string InFolder(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

}  // namespace

bool IsProbabilityTableFile(const std::string& name) { return name.find(".prob.") != std::string::npos; }

bool IsTokenTableFile(const std::string& name) { return !IsProbabilityTableFile(name); }

DbSnapshot::DbSnapshot(const char* suffix, bool (*belongs)(const std::string& name))
    : m_folder(std::string(g_bsfilterDbFolder) + suffix), m_belongs(belongs) {}

DbSnapshot::~DbSnapshot() {
    if (m_held) Discard();
}

std::vector<std::string> DbSnapshot::CoveredFiles(const std::string& folder) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(InFolder(folder, "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        if (m_belongs(data.cFileName)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

void DbSnapshot::Clear() {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(InFolder(m_folder, "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileA(InFolder(m_folder, data.cFileName).c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(m_folder.c_str());
}

bool DbSnapshot::Take() {
    if (m_held) Discard();
    Clear();
    if (!CreateDirectoryA(m_folder.c_str(), nullptr)) {
        LOG(LOG_ERROR, "DbSnapshot::Take()", "%s: LastError: [%lu], path: [%s].", "CreateDirectory()", GetLastError(),
            m_folder.c_str());
        return false;
    }
    m_names = CoveredFiles(g_bsfilterDbFolder);
    for (const std::string& name : m_names) {
        if (!CopyFileA(InFolder(g_bsfilterDbFolder, name).c_str(), InFolder(m_folder, name).c_str(), FALSE)) {
            LOG(LOG_ERROR, "DbSnapshot::Take()", "%s: LastError: [%lu], file: [%s].", "CopyFile()", GetLastError(),
                name.c_str());
            Clear();
            m_names.clear();
            return false;
        }
    }
    m_held = true;
    LOG(LOG_DEBUG, "DbSnapshot::Take()", "succeeded. files: [%lu], folder: [%s].",
        static_cast<unsigned long>(m_names.size()), m_folder.c_str());
    return true;
}

bool DbSnapshot::Restore() {
    if (!m_held) return false;
    bool restored = true;
    for (const std::string& name : CoveredFiles(g_bsfilterDbFolder)) {
        if (std::find(m_names.begin(), m_names.end(), name) != m_names.end()) continue;
        if (!DeleteFileA(InFolder(g_bsfilterDbFolder, name).c_str())) {
            LOG(LOG_ERROR, "DbSnapshot::Restore()", "%s: LastError: [%lu], file: [%s].", "DeleteFile()", GetLastError(),
                name.c_str());
            restored = false;
        }
    }
    for (const std::string& name : m_names) {
        if (!CopyFileA(InFolder(m_folder, name).c_str(), InFolder(g_bsfilterDbFolder, name).c_str(), FALSE)) {
            LOG(LOG_ERROR, "DbSnapshot::Restore()", "%s: LastError: [%lu], file: [%s].", "CopyFile()", GetLastError(),
                name.c_str());
            restored = false;
        }
    }
    // A copy that could not be put back in full stays on disk for the user (the README says
    // where), and is replaced only by the next Take.
    if (restored) {
        Discard();
    } else {
        m_held = false;
    }
    return restored;
}

void DbSnapshot::Discard() {
    Clear();
    m_names.clear();
    m_held = false;
}
