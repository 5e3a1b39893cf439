// The mail commands end to end: the real plug-in installed as the mail client has it
// (PluginInstall: a copy in a folder of its own with bsfilter in its program folder "Mirvane",
// a data folder of its own) and driven by host scripts. bsfilter is Debian's bsfilter script
// under Ruby where it is installed, the stand-in elsewhere (always under Wine); what differs
// between the two is behind the few functions of the second half of this file.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/HostRunner.h"
#include "common/JsonValue.h"
#include "common/PluginInstall.h"

namespace testing_scenario {

// UTF-8 (the tests' sources, the host's JSON) -> CP932 (the plug-in's files, the host's input).
std::string Cp932(const std::string& utf8);

// Message id of the file in a folder id, such as Id("work.mb\\!!!!Inbox\\", 3).
std::string Id(const std::string& folder, int number);
extern const char kInbox[];  // the inbox of the mailbox "work.mb" (Work, me@example.com)
extern const char kTrash[];  // its trash

// The name of the n-th message file of a test: "01.eml", "02.eml", ...
std::string Name(int n);
// The script line that runs a menu item; options go before the "--" that lets a text start
// with "--".
std::string RunItem(const std::string& text, const std::string& options = std::string());

// In a CommandScenario test: skips it where no bsfilter (real or stand-in) is installed.
#define NEED_BSFILTER()                                                     \
    do {                                                                    \
        if (!m_haveBsfilter) GTEST_SKIP() << "bsfilter is not installed"; \
    } while (0)

class CommandScenario : public ::testing::Test {
protected:
    void SetUp() override;

    // Mirvane.ini: DontCheckDbOnStart=True and the given "key=value" lines of section [Mirvane]
    // (UTF-8, each ended by CR LF; "[Section]" lines switch to another section), replacing the
    // values an earlier call set. bsfilter's own settings stay.
    void Settings(const std::string& lines, const std::string& more = std::string());
    // Makes bsfilter present but impossible to start: every run then fails with -1.
    bool BreakBsfilter();
    // Makes "--update" fail (and judging and the status report with the real bsfilter) while
    // training still works.
    bool BlockDatabaseUpdate();
    // The file whose absence makes bsfilter unavailable.
    std::string BsfilterProgramFile() const;
    // Makes every later "--update" write part of the probability table and then fail: the real
    // bsfilter behind a wrapper that empties each "*.prob.*" file (as a failed SDBM update
    // leaves a few dozen tokens of the table it cleared), adds a file and exits 1;
    // the stand-in by its "fail-update" action.
    bool BreakDatabaseUpdateHalfWay();
    // Makes training fail at a message containing text, after the messages before it in the
    // same run were trained (the stand-in only: false with the real bsfilter).
    bool FailTrainingOn(const std::string& text);
    // What the database holds: the real bsfilter's three exports (clean, spam, probability),
    // or the stand-in's two tables.
    std::string DatabaseExport() const;
    // Empties bsfilter's database folder.
    void RemoveDatabase();

    // A message file for "receive --no-filter" (UTF-8 text with LF line ends; the host makes
    // them CR LF), in the folder that Receive() names; files are received in name order.
    void Mail(const std::string& name, const std::string& text);
    // The script line that receives every message written with Mail() since the last call:
    // stored as they are, or handed to the plug-in's filter first.
    std::string Receive(bool throughFilter = false);
    // Runs the host with a script (UTF-8 lines), with --check-memory and the given global
    // options. Checks what holds after every run: the host's main window is enabled again
    // after each command and was disabled while a batch showed its progress.
    testing_host::Result Host(const std::vector<std::string>& lines,
                              const std::vector<std::string>& options = std::vector<std::string>());

    // Files of the plug-in's data folder ("PlugIns\Mirvane") and the host's data folder.
    std::string PluginData(const std::string& name) const { return m_install.InPluginData(name); }
    std::string DataFile(const std::string& relative) const { return m_install.InData(relative); }
    std::string ReadPluginData(const std::string& name) const { return m_install.ReadPluginFile(name); }
    // Writes a file of the plug-in's data folder (UTF-8 text, written in CP932).
    bool WritePluginData(const std::string& name, const std::string& text) {
        return m_install.WritePluginFile(name, Cp932(text));
    }
    std::string ReadMessage(const std::string& id) const;

    // Whether a bsfilter (real or stand-in) is installed; tests that need it skip without.
    bool m_haveBsfilter = false;

private:
    testing_install::PluginInstall m_install;
    std::vector<std::pair<std::string, std::string>> m_keysSet;  // section and key of each value set
    int m_mailBatch = 0;
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
// The message counts in a "--show-db-status" report (the real bsfilter's or the stand-in's);
// false when there are none.
bool ParseDbStatus(const std::string& report, long* spam, long* clean);

// ---- what differs per system (CommandScenario_posix.cpp, CommandScenario_win.cpp) ------------

// The real bsfilter's --export-clean, --export-spam and --export-probability of a database
// folder, one after the other (empty where there is no real bsfilter).
std::string RealBsfilterExport(const std::string& dbFolder);

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
