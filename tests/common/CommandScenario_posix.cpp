// The Linux side of the command scenarios: a message file the host cannot read, and the real
// bsfilter's exports of a database.
#include "common/CommandScenario.h"

#include <cstdio>

#include <unistd.h>

#include "common/BsfilterSetup.h"

namespace testing_scenario {

UnreadableFile::UnreadableFile(const std::string& path) {
    // File permissions do not keep root out; a link that leads nowhere cannot be read by anyone.
    const std::string native = testing_bsfilter::ChildPath(path);
    m_ok = unlink(native.c_str()) == 0 && symlink("/nonexistent/message", native.c_str()) == 0;
}

UnreadableFile::~UnreadableFile() {}

std::string RealBsfilterExport(const std::string& dbFolder) {
    const std::string home = testing_bsfilter::ChildPath(dbFolder);
    std::string all;
    for (const char* what : {"--export-clean", "--export-spam", "--export-probability"}) {
        const std::string command = "ruby /usr/bin/bsfilter --homedir '" + home + "' " + what + " 2>&1";
        all += std::string(what) + "\n";
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[65536];
            size_t n;
            while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) all.append(buffer, n);
            all += "exit " + std::to_string(pclose(pipe)) + "\n";
        }
    }
    return all;
}

}  // namespace testing_scenario
