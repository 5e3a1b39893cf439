// Load and unload of the plug-in, the host version check and the plug-in information.
#include "plugin/DllMain.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/Mirvane.h"
#include "plugin/HostApi.h"
#include "support/Util.h"

bool g_setupOpen = false;

namespace {

// A piece of the version text as a decimal number from its start: white space skipped, an
// optional sign, then digits up to the first non-digit; no digits give 0.
long VersionNumber(const std::string& piece) {
    return std::strtol(piece.c_str(), nullptr, 10);
}

void CopyField(char* field, size_t size, const std::string& value) { CopyTo(field, size, value.c_str()); }

}  // namespace

bool CheckHostVersion(const char* versionText) {
    if (versionText == nullptr) return false;
    const std::vector<std::string> pieces = Split(versionText, '.');
    const long major = VersionNumber(pieces[0]);
    const long minor = pieces.size() > 1 ? VersionNumber(pieces[1]) : 0;
    return major > 2 || (major == 2 && minor >= 50);
}

BOOL PluginProcessAttach(HMODULE module) {
    g_moduleHandle = module;
    if (!g_hostApi.Load()) return FALSE;
    if (!CheckHostVersion(g_hostApi.GetVersion())) return FALSE;
    if (!Initialize()) return FALSE;
    return TRUE;
}

BOOL PluginProcessDetach(HMODULE module) {
    g_moduleHandle = module;
    ReleaseResourceModule();
    DeleteLocks();
    return TRUE;
}

int OnPlugInInfo(LPBKPLUGININFO info) {
    if (info == nullptr) return 0;
    const VersionInfo version(g_moduleHandle);
    CopyField(info->szPlugInName, sizeof(info->szPlugInName), version.ProductName());
    CopyField(info->szVendor, sizeof(info->szVendor), version.CompanyName());
    CopyField(info->szVersion, sizeof(info->szVersion), version.ProductVersion());
    CopyField(info->szDescription, sizeof(info->szDescription), version.Comments());
    return 0;
}
