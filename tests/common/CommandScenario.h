// The mail commands end to end: the real plug-in (a copy in a folder of its own, with bsfilter in
// its program folder "Mirvane") loaded by the host simulator over a data folder of its own, driven
// by host scripts. On Linux bsfilter is Debian's bsfilter script run by Ruby (script mode); on
// Windows it is the stand-in bsfilter.exe with an empty iconv.dll. What differs between the two
// is behind the few functions of the second half of this file.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/HostRunner.h"
#include "common/JsonValue.h"
#include "common/TestFiles.h"

namespace testing_scenario {

// UTF-8 (the tests' sources, the host's JSON) -> CP932 (the plug-in's files).
std::string Cp932(const std::string& utf8);

// Message id of the file in a folder id, such as Id("work.mb\\!!!!Inbox\\", 3).
std::string Id(const std::string& folder, int number);
extern const char kInbox[];  // the inbox of the mailbox "work.mb" (Work, me@example.com)
extern const char kTrash[];  // its trash

class CommandScenario : public ::testing::Test {
protected:
    void SetUp() override;

    // Writes Mirvane.ini (in CP932): section [Mirvane] with DontCheckDbOnStart=True and the
    // given lines (each ended by CR LF), then the side's [ExecBsfilterScript], then more (whole
    // sections).
    void Settings(const std::string& mirvaneLines, const std::string& more = std::string());
    // Makes bsfilter present but impossible to start (BreakBsfilterProgram) and rewrites the
    // settings without lines of the test's own.
    bool BreakBsfilter();
    // A message file for "receive --no-filter" (LF line ends, the host makes them CR LF), in the
    // folder that Receive() names; files are received in name order.
    void Mail(const std::string& name, const std::string& text);
    // The script line that receives every message written with Mail() since the last call:
    // stored as they are, or handed to the plug-in's filter first.
    std::string Receive(bool throughFilter = false);
    // Runs the host with a script (lines joined by line feeds, UTF-8); global options first.
    testing_host::Result Host(const std::vector<std::string>& lines,
                              const std::vector<std::string>& options = std::vector<std::string>());

    // Files of the plug-in's data folder ("PlugIns\Mirvane") and the host's data folder.
    std::string PluginData(const std::string& name) const { return m_data + "\\PlugIns\\Mirvane\\" + name; }
    std::string DataFile(const std::string& relative) const { return m_data + "\\" + relative; }
    std::string ReadPluginData(const std::string& name) const { return testing_files::ReadBytes(PluginData(name)); }
    std::string ReadMessage(const std::string& id) const { return testing_files::ReadBytes(DataFile(id)); }
    // The plug-in's program folder and its bsfilter database folder.
    std::string ProgramFolder() const { return m_pluginFolder + "\\Mirvane"; }
    std::string DatabaseFolder() const { return PluginData("bsfilterdb"); }

    // Whether the bsfilter of this side is there to be installed; tests that need it skip without.
    bool m_haveBsfilter = false;

private:
    testing_files::TempDir m_temp;
    std::string m_data;
    std::string m_pluginFolder;
    std::string m_plugin;
    std::string m_scriptSection;
    int m_mailBatch = 0;
    int m_script = 0;
};

// ---- reading the host's report --------------------------------------------------------------

// The "call" lines of one host function, in order.
std::vector<testing_json::Value> Calls(const testing_host::Result& result, const std::string& function);
// The texts of the message boxes, in order.
std::vector<std::string> BoxTexts(const testing_host::Result& result);
// The "mail" lines of the last "list" of a folder in the report.
std::vector<testing_json::Value> Listed(const testing_host::Result& result, const std::string& folder);
// The result's lines as text, for failure messages.
std::string Report(const testing_host::Result& result);

// ---- what differs per side (CommandScenario_posix.cpp, CommandScenario_win.cpp) --------------

// The plug-in file of this build.
std::string PluginFileName();
// Whether bsfilter (with Ruby) or the stand-in is present to be installed.
bool BsfilterPresent();
// Puts bsfilter into the program folder; section gets the INI lines ([ExecBsfilterScript]...)
// that make the plug-in use it ("" when the defaults do).
bool InstallBsfilter(const std::string& programFolder, std::string* section);
// The file whose absence makes bsfilter unavailable.
std::string BsfilterProgramFile(const std::string& programFolder);
// Makes the program present but impossible to start (every run then fails with -1); section
// is updated as for InstallBsfilter.
bool BreakBsfilterProgram(const std::string& programFolder, std::string* section);
// Makes "--update" fail while training still works (database folder given).
bool BlockDatabaseUpdate(const std::string& databaseFolder);
// The message counts in a "--show-db-status" report; false when there are none.
bool ParseDbStatus(const std::string& report, long* spam, long* clean);

// Makes a message file impossible for the host to read (its GetSource then gives null) while
// the object lives: a dangling link on Linux, a file held open without sharing on Windows.
class UnreadableFile {
public:
    explicit UnreadableFile(const std::string& path);
    ~UnreadableFile();
    UnreadableFile(const UnreadableFile&) = delete;
    UnreadableFile& operator=(const UnreadableFile&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
    void* m_handle = nullptr;
};

}  // namespace testing_scenario
