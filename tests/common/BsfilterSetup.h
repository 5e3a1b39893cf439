// A plug-in installation in a temporary folder, for tests that run bsfilter (or its stand-in)
// through the runner: the path globals, the locks, the script-mode settings and the log point
// into it while the object lives, and are put back when it goes.
#pragma once

#include <string>

#include "common/TestFiles.h"

namespace testing_bsfilter {

class BsfilterSetup {
public:
    // folderName: the name of the folder (under a fresh temporary folder) that holds both the
    // DLL's folder ("<folderName>\dll") and the host data folder ("<folderName>\data").
    explicit BsfilterSetup(const std::string& folderName = "setup");
    ~BsfilterSetup();
    BsfilterSetup(const BsfilterSetup&) = delete;
    BsfilterSetup& operator=(const BsfilterSetup&) = delete;

    // Executable mode with the stand-in as bsfilter.exe and an empty iconv.dll beside it.
    bool InstallStandinExe();
    // Script mode: the stand-in plays the Ruby interpreter and the script is a text file.
    bool InstallStandinScript();
    // Writes bsfilter.conf: the default comment line, then lines (each ended by a line feed).
    bool WriteConfig(const std::string& lines);

    // Sends the log to Mirvane.log in the data folder at the given level ("DEBUG", "ERROR").
    void LogAt(const char* level);
    std::string LogText() const;

    const testing_files::TempDir& Temp() const { return m_temp; }

private:
    testing_files::TempDir m_temp;
};

// The stand-in program of this build (a Windows-style path).
std::string StandinProgram();
// Makes target run source: a copy on Windows, a symbolic link elsewhere (keeps it executable).
bool InstallProgram(const std::string& source, const std::string& target);
// A Windows-style path as the child process sees it in its arguments.
std::string ChildPath(const std::string& path);

// Byte k of the stand-in's "write N" pattern.
char StandinPatternByte(size_t k);
std::string StandinPattern(size_t length);
// The digest line the stand-in's "input-digest" writes for input.
std::string StandinDigest(const std::string& input);

}  // namespace testing_bsfilter
