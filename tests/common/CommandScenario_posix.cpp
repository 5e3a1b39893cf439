// The Linux side of the command scenarios: Debian's bsfilter script run by Ruby in script mode.
#include "common/CommandScenario.h"

#include <unistd.h>

#include <sstream>

#include "common/BsfilterSetup.h"
#include "platform/platform.h"

namespace testing_scenario {

namespace {

const char kRuby[] = "/usr/bin/ruby";
const char kBsfilter[] = "\\usr\\bin\\bsfilter";

std::string ScriptSection(const std::string& ruby) {
    return "[ExecBsfilterScript]\r\nUseBsfilterScript=True\r\nRubyModulePath=" + ruby + "\r\n";
}

}  // namespace

std::string PluginFileName() { return "Mirvane.so"; }

bool BsfilterPresent() {
    bool regular = false;
    return PlatformStat(kRuby, &regular, nullptr) && regular && PlatformStat(kBsfilter, &regular, nullptr) && regular;
}

bool InstallBsfilter(const std::string& programFolder, std::string* section) {
    *section = ScriptSection(kRuby);
    return CopyFileA(kBsfilter, BsfilterProgramFile(programFolder).c_str(), FALSE) != 0;
}

std::string BsfilterProgramFile(const std::string& programFolder) { return programFolder + "\\bsfilter"; }

bool BreakBsfilterProgram(const std::string& programFolder, std::string* section) {
    // A regular file that is no program stands in for the interpreter: the plug-in finds both
    // files, but no run can start.
    const std::string notAProgram = programFolder + "\\not-a-program";
    *section = ScriptSection(notAProgram);
    return testing_files::WriteBytes(notAProgram, "this is not a program\n");
}

bool BlockDatabaseUpdate(const std::string& databaseFolder) {
    // bsfilter writes its probability table on "--update" (and reads it to judge and to report);
    // a folder in the place of the table's file makes those fail, while training writes only
    // the token tables.
    return testing_files::MakeFolders(databaseFolder + "\\C.prob.sdbm.pag");
}

bool ParseDbStatus(const std::string& report, long* spam, long* clean) {
    // "db C <a> <clean messages> <b> <spam messages> <c>" for the language-neutral tables.
    const size_t at = report.find("db C ");
    if (at == std::string::npos) return false;
    std::istringstream fields(report.substr(at + 5, report.find('\n', at) - at - 5));
    long numbers[4] = {0, 0, 0, 0};
    for (long& number : numbers) {
        if (!(fields >> number)) return false;
    }
    *clean = numbers[1];
    *spam = numbers[3];
    return true;
}

UnreadableFile::UnreadableFile(const std::string& path) {
    // File permissions do not keep root out; a link that leads nowhere cannot be read by anyone.
    const std::string native = testing_bsfilter::ChildPath(path);
    m_ok = unlink(native.c_str()) == 0 && symlink("/nonexistent/message", native.c_str()) == 0;
}

UnreadableFile::~UnreadableFile() {}

}  // namespace testing_scenario
