// Windows side of the scenario installation: the plug-in is Mirvane.dll, copied; there is no
// real bsfilter, so the scenarios run with the stand-in.
#include "common/PluginInstall.h"

#include "platform/platform.h"

namespace testing_install {

std::string PluginExtension() { return ".dll"; }

bool CopyPlugin(const std::string& source, const std::string& target) {
    return CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
}

bool RealBsfilterPaths(std::string*, std::string*) { return false; }

}  // namespace testing_install
