// Runs the host simulator (mirvane-host, built beside the test program) as a child process
// and reads its JSON lines back, for the host's own tests and for tests of the plug-in in a
// host. Every line must be valid JSON: Run records a line that is not as a failure.
#pragma once

#include <string>
#include <vector>

#include "common/JsonValue.h"

namespace testing_host {

struct Result {
    int exitCode = -1;
    std::string output;                       // standard output as printed (UTF-8)
    std::vector<testing_json::Value> lines;   // each line parsed
    std::vector<std::string> badLines;        // lines that are not valid JSON

    // The lines with this "event", in order.
    std::vector<testing_json::Value> Events(const std::string& event) const;
    // The first line with this "event" (a null value when there is none).
    testing_json::Value First(const std::string& event) const;
};

// The folder of the test program (and of the host, the plug-ins), ending in "\".
std::string ProgramFolder();
// The host program and the test plug-in beside the test program.
std::string HostProgram();
std::string TestPlugin();

// Runs the host with the given arguments (each quoted as needed) and waits for it.
Result Run(const std::vector<std::string>& arguments);

}  // namespace testing_host
