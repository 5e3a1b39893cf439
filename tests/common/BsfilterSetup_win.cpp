// Windows side of the test installation: the stand-in is bsfilter.exe beside the test program.
#include "common/BsfilterSetup.h"

#include "platform/Mbcs.h"
#include "platform/platform.h"
#include "support/Util.h"

namespace testing_bsfilter {

std::string StandinProgram() {
    char path[kPathSize] = {0};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    char* slash = const_cast<char*>(Mbcs::FindLast(path, '\\'));
    if (slash != nullptr) *slash = '\0';
    return std::string(path) + "\\bsfilter.exe";
}

bool InstallProgram(const std::string& source, const std::string& target) {
    return CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
}

std::string ChildPath(const std::string& path) { return path; }

}  // namespace testing_bsfilter
