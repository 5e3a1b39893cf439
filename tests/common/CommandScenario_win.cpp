// The Windows side of the command scenarios: a message file the host cannot read, and no real
// bsfilter to export from.
#include "common/CommandScenario.h"

#include "platform/platform.h"

namespace testing_scenario {

UnreadableFile::UnreadableFile(const std::string& path) {
    // A file someone holds open without sharing: the host's CreateFile fails with a sharing
    // violation.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    m_ok = file != INVALID_HANDLE_VALUE;
    if (m_ok) m_handle = file;
}

UnreadableFile::~UnreadableFile() {
    if (m_handle != nullptr) CloseHandle(static_cast<HANDLE>(m_handle));
}

// Under Wine the stand-in always plays bsfilter.
std::string RealBsfilterExport(const std::string&) { return std::string(); }

}  // namespace testing_scenario
