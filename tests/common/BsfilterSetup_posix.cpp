// POSIX side of the test installation: the stand-in is bsfilter-standin in the build's bin
// folder, and programs are installed as symbolic links so that they stay executable.
#include "common/BsfilterSetup.h"

#include <unistd.h>

#include <algorithm>

#include "platform/platform.h"

namespace testing_bsfilter {

namespace {
// A native path: CP932 text in UTF-8 as the platform layer names files (converted first, so
// that the second byte of a double-byte character is not taken for a backslash), "/" for "\".
std::string ToPosix(const std::string& path) {
    std::string native = PlatformAnsiToUtf8(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}
std::string ToWindows(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}
}  // namespace

std::string StandinProgram() { return ToWindows(MIRVANE_BINARY_DIR "/bin/bsfilter-standin"); }

bool InstallProgram(const std::string& source, const std::string& target) {
    const std::string to = ToPosix(target);
    unlink(to.c_str());
    return symlink(ToPosix(source).c_str(), to.c_str()) == 0;
}

std::string ChildPath(const std::string& path) { return ToPosix(path); }

}  // namespace testing_bsfilter
