// Fuzzes the INI reader of the platform layer with the settings load on top, the input being
// Mirvane.ini (and, from its second half, MirvaneEnv.ini): loading never fails or crashes,
// the getters keep their bounds, and what is saved loads back to the same settings (saving
// a loaded file twice gives the same bytes).
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "settings/Profile.h"

namespace {

std::string SaveAndRead(ProfileList& list, const std::string& path) {
    ProfileIo io;
    io.path = path;
    fuzz::Require(SaveProfiles(list, io), "the settings save");
    return fuzz::ReadBytes(path);
}

void CheckBounds() {
    fuzz::Require(g_profile.SpamHeaderFieldName().size() <= kHeaderTextMax, "the header name keeps its bound");
    fuzz::Require(g_profile.SpamHeaderFieldBody().size() <= kHeaderTextMax, "the header body keeps its bound");
    const int action = g_profile.ProcessSpamMail();
    fuzz::Require(action >= kGoTrash && action <= kAddHeader, "the spam action is one of the four");
    g_profile.SpamFolder();
    g_scriptProfile.RubyModulePath();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string ini = fuzz::ScratchFile("Mirvane.ini");
    static const std::string env = fuzz::ScratchFile("MirvaneEnv.ini");
    static const std::string saved = fuzz::ScratchFile("Saved.ini");
    static const std::string savedEnv = fuzz::ScratchFile("SavedEnv.ini");
    static const bool registered = (RegisterProfiles(), true);
    (void)registered;
    const size_t half = size / 2;
    fuzz::Require(fuzz::WriteBytes(ini, data, size), "the input file is written");
    fuzz::Require(fuzz::WriteBytes(env, data + half, size - half), "the second input file is written");

    // The reader itself, with keys and sections that the input may or may not hold.
    char buffer[1040];
    GetPrivateProfileStringA("Mirvane", "ProcessSpamMail", "x", buffer, sizeof(buffer), ini.c_str());
    GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof(buffer), ini.c_str());
    GetPrivateProfileStringA("Mirvane", nullptr, "", buffer, sizeof(buffer), ini.c_str());
    GetPrivateProfileStringA("Mirvane", "SpamFolder", "", buffer, 3, ini.c_str());
    GetPrivateProfileIntA("ExecBsfilterScriptProfile", "UseBsfilterScript", 7, ini.c_str());

    LoadProfiles(ini.c_str(), g_profiles, g_profileIo);
    LoadProfiles(env.c_str(), g_envProfiles, g_envProfileIo);
    CheckBounds();

    DeleteFileA(saved.c_str());
    DeleteFileA(savedEnv.c_str());
    const std::string first = SaveAndRead(g_profiles, saved);
    const std::string firstEnv = SaveAndRead(g_envProfiles, savedEnv);
    LoadProfiles(saved.c_str(), g_profiles, g_profileIo);
    LoadProfiles(savedEnv.c_str(), g_envProfiles, g_envProfileIo);
    CheckBounds();
    DeleteFileA(saved.c_str());
    DeleteFileA(savedEnv.c_str());
    fuzz::Require(SaveAndRead(g_profiles, saved) == first, "saved settings load back unchanged");
    fuzz::Require(SaveAndRead(g_envProfiles, savedEnv) == firstEnv, "saved list settings load back unchanged");
    return 0;
}
