// The temporary plug-in installation for the runner's tests.
#include "common/BsfilterSetup.h"

#include <cstdint>
#include <cstdio>

#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"
#include "settings/Profile.h"
#include "support/Log.h"

namespace testing_bsfilter {

BsfilterSetup::BsfilterSetup(const std::string& folderName) {
    const std::string root = m_temp.File(folderName);
    BuildProgramPaths((root + "\\dll").c_str());
    BuildDataPaths((root + "\\data").c_str());
    testing_files::MakeFolders(g_pluginFolder);
    testing_files::MakeFolders(g_bsfilterDbFolder);
    CreateLocks();
    g_scriptProfile.Reset();
    g_scriptProfile.SetLock(&g_settingsLock);
    LogAt("ERROR");
    WriteConfig("");
}

BsfilterSetup::~BsfilterSetup() {
    g_logger.Configure("ERROR", "", "");
    SetBsfilterRunLimitForTesting(0);
    g_scriptProfile.Reset();
    g_scriptProfile.SetLock(nullptr);
}

bool BsfilterSetup::InstallStandinExe() {
    return InstallProgram(StandinProgram(), g_bsfilterExe) && testing_files::WriteBytes(g_iconvDll, "");
}

bool BsfilterSetup::InstallStandinScript() {
    g_scriptProfile.SetUseBsfilterScript(true);
    g_scriptProfile.SetRubyModulePath(StandinProgram());
    return testing_files::WriteBytes(g_bsfilterScript, "# the bsfilter script\n");
}

bool BsfilterSetup::WriteConfig(const std::string& lines) {
    return testing_files::WriteBytes(g_bsfilterConfig, "## bsfilter.conf\r\n" + lines);
}

void BsfilterSetup::LogAt(const char* level) { g_logger.Configure(level, g_pluginDataFolder, g_logPath); }

std::string BsfilterSetup::LogText() const { return testing_files::ReadBytes(g_logPath); }

char StandinPatternByte(size_t k) { return k % 64 == 63 ? '\n' : static_cast<char>('a' + k % 26); }

std::string StandinPattern(size_t length) {
    std::string text(length, '\0');
    for (size_t k = 0; k < length; ++k) text[k] = StandinPatternByte(k);
    return text;
}

std::string StandinDigest(const std::string& input) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : input) {
        hash ^= c;
        hash *= 16777619u;
    }
    char text[96];
    std::snprintf(text, sizeof(text), "input bytes=%lu fnv1a=%08lx\n", static_cast<unsigned long>(input.size()),
                  static_cast<unsigned long>(hash));
    return text;
}

}  // namespace testing_bsfilter
