// The verbs of the host's command line (see the --help text in Cli.cpp). Each takes its
// arguments (CP932) and returns a process exit code; every result is reported as JSON lines.
#pragma once

#include <map>
#include <string>
#include <vector>

enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1,  // a verb could not do what it was asked (file missing, unknown folder...)
    kExitUsage = 2,   // bad command line
    kExitPlugin = 3,  // the plug-in is missing or refused to load
    kExitMemory = 4,  // with --check-memory: the plug-in leaked host memory or freed it wrongly
};

struct VerbArgs {
    std::string verb;
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& fallback = std::string()) const;
    // Every value of a repeatable option, comma-separated lists split.
    std::vector<std::string> List(const std::string& name) const;
};

// A count of 1 or more, written in decimal digits.
bool ParseCount(const std::string& text, int* count);

// Reports an error line and returns code.
int Fail(const std::string& cp932Message, int code = kExitFailed);

int VerbInit(const VerbArgs& args);
int VerbMakeFolder(const VerbArgs& args);
int VerbFolders(const VerbArgs& args);
int VerbList(const VerbArgs& args);
int VerbState(const VerbArgs& args);
int VerbSelect(const VerbArgs& args);
int VerbDisplayName(const VerbArgs& args);
int VerbDecode(const VerbArgs& args);
int VerbReceive(const VerbArgs& args);
int VerbSend(const VerbArgs& args);
int VerbInfo(const VerbArgs& args);
int VerbMenu(const VerbArgs& args);
int VerbRun(const VerbArgs& args);
int VerbSetup(const VerbArgs& args);

// Runs the host with the process's command line.
int RunHost(int argc, char** argv);
