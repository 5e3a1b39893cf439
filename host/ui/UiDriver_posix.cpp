// The UI driver where there are no windows: the plug-in shows no sheet, so there is nothing
// to drive.
#include "host/ui/UiDriver.h"

namespace UiDriver {

bool Start(const std::string&, std::string* error) {
    *error = "the UI driver needs windows (the Windows host)";
    return false;
}

int Finish() { return 0; }

}  // namespace UiDriver
