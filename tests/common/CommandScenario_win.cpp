// The Windows side of the command scenarios: the bsfilter stand-in as bsfilter.exe beside an
// empty iconv.dll.
#include "common/CommandScenario.h"

#include <cstdio>

#include "common/BsfilterSetup.h"
#include "platform/platform.h"

namespace testing_scenario {

std::string PluginFileName() { return "Mirvane.dll"; }

bool BsfilterPresent() { return testing_files::Exists(testing_bsfilter::StandinProgram()); }

bool InstallBsfilter(const std::string& programFolder, std::string* section) {
    section->clear();
    return CopyFileA(testing_bsfilter::StandinProgram().c_str(), BsfilterProgramFile(programFolder).c_str(), FALSE) &&
           testing_files::WriteBytes(programFolder + "\\iconv.dll", "");
}

std::string BsfilterProgramFile(const std::string& programFolder) { return programFolder + "\\bsfilter.exe"; }

bool BreakBsfilterProgram(const std::string& programFolder, std::string* section) {
    // A file that is no program in the place of bsfilter.exe: found, but it cannot start.
    section->clear();
    return testing_files::WriteBytes(BsfilterProgramFile(programFolder), "this is not a program\r\n");
}

bool BlockDatabaseUpdate(const std::string& databaseFolder) {
    // The stand-in writes its probability table on "--update"; a folder in its place makes that
    // fail, while training writes only the token counts.
    return testing_files::MakeFolders(databaseFolder + "\\standin-prob.txt");
}

bool ParseDbStatus(const std::string& report, long* spam, long* clean) {
    // "db standin spam <n> clean <n> tokens <n> probabilities <n>"
    const size_t at = report.find("db standin ");
    return at != std::string::npos && sscanf(report.c_str() + at, "db standin spam %ld clean %ld", spam, clean) == 2;
}

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

}  // namespace testing_scenario
