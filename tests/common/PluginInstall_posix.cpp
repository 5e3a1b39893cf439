// POSIX side of the scenario installation: the plug-in is Mirvane.so, put in place as a hard
// link when it can be (the loader reports a module by its real path, so a symbolic link would
// name the build folder), and the real bsfilter is Debian's script under /usr/bin/ruby.
#include "common/PluginInstall.h"

#include <unistd.h>

#include <algorithm>

#include "platform/platform.h"

namespace testing_install {

namespace {
// CP932 to UTF-8 first, so that a trail byte 5C stays part of its character.
std::string Native(const std::string& path) {
    std::string native = PlatformAnsiToUtf8(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}
}  // namespace

std::string PluginExtension() { return ".so"; }

bool CopyPlugin(const std::string& source, const std::string& target) {
    unlink(Native(target).c_str());
    if (link(Native(source).c_str(), Native(target).c_str()) == 0) return true;
    return CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
}

bool RealBsfilterPaths(std::string* ruby, std::string* script) {
    *ruby = "\\usr\\bin\\ruby";
    *script = "\\usr\\bin\\bsfilter";
    bool regular = false;
    return PlatformStat(ruby->c_str(), &regular, nullptr) && regular && PlatformStat(script->c_str(), &regular, nullptr) &&
           regular;
}

}  // namespace testing_install
