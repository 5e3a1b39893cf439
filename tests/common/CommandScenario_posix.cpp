// The Linux side of the command scenarios: a message file the host cannot read.
#include "common/CommandScenario.h"

#include <unistd.h>

#include "common/BsfilterSetup.h"

namespace testing_scenario {

UnreadableFile::UnreadableFile(const std::string& path) {
    // File permissions do not keep root out; a link that leads nowhere cannot be read by anyone.
    const std::string native = testing_bsfilter::ChildPath(path);
    m_ok = unlink(native.c_str()) == 0 && symlink("/nonexistent/message", native.c_str()) == 0;
}

UnreadableFile::~UnreadableFile() {}

}  // namespace testing_scenario
