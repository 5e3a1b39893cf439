// The plug-in installed in a temporary folder as the mail client has it, driven through the
// host simulator: scenario tests of start-up, classification and the send hook.
//
//   <root>\<dll>\Mirvane.dll (.so)   a copy of the plug-in built beside the test program
//   <root>\<dll>\Mirvane\            its program folder: bsfilter.exe and iconv.dll, or the
//                                    bsfilter script
//   <root>\data\                     the host's data folder; PlugIns\Mirvane below it is the
//                                    plug-in's data folder
//
// The first host run of an installation creates two mailboxes, work.mb (Work, me@example.com)
// and home.mb (Home, me@home.example), each with a folder "spam" in its inbox.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/HostRunner.h"
#include "common/TestFiles.h"

namespace testing_install {

enum class Bsfilter { kNone, kStandin, kReal };

class PluginInstall {
public:
    // dllFolder: name of the folder that holds the plug-in; pluginName: the plug-in's file name
    // without its extension; dataFolder: name of the host's data folder (all CP932 text).
    explicit PluginInstall(const std::string& dllFolder = "dll", const std::string& pluginName = "Mirvane",
                           const std::string& dataFolder = "data");
    PluginInstall(const PluginInstall&) = delete;
    PluginInstall& operator=(const PluginInstall&) = delete;

    std::string Root() const { return m_temp.Path(); }
    std::string DllFolder() const { return m_dllFolder; }
    std::string ProgramFolder() const { return m_dllFolder + "\\Mirvane"; }
    std::string PluginFile() const { return m_pluginFile; }
    std::string Data() const { return m_data; }
    std::string PluginData() const { return Data() + "\\PlugIns\\Mirvane"; }
    std::string InData(const std::string& relative) const { return Data() + "\\" + relative; }
    std::string InPluginData(const std::string& name) const { return PluginData() + "\\" + name; }

    // bsfilter in the program folder. The stand-in runs as bsfilter.exe (with an empty
    // iconv.dll); the real bsfilter (Debian's script under Ruby, where installed) runs in
    // script mode, which Mirvane.ini then turns on. UseBestBsfilter takes the real one where it
    // can run, else the stand-in.
    bool UseStandin();
    bool UseRealBsfilter();
    bool UseBestBsfilter();
    Bsfilter Kind() const { return m_kind; }
    // Copies the database trained once per test program for the bsfilter in use (see
    // TrainedDatabase) into the plug-in's bsfilter home.
    bool UseTrainedDatabase();

    // A value of Mirvane.ini. The file is written before each host run once a value is set;
    // without any, no Mirvane.ini is made.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // Whole files in the plug-in's data folder (created with their folders).
    bool WritePluginFile(const std::string& name, const std::string& bytes);
    std::string ReadPluginFile(const std::string& name, bool* exists = nullptr) const;
    // bsfilter.conf: the default comment line and then lines (for the stand-in's "standin ...").
    bool WriteConfig(const std::string& lines);

    // A message file (CR LF) in the root folder; returns its path.
    std::string MessageFile(const std::string& name, const std::string& text);

    // Runs the host: --data, --plugin, then globals, then "script" with the steps (one verb per
    // line; the first run of the installation prefixes the mailboxes' creation).
    testing_host::Result Run(const std::vector<std::string>& steps,
                             const std::vector<std::string>& globals = std::vector<std::string>());
    // A receive into the mailbox (work.mb\ or home.mb\) with further receive options.
    testing_host::Result Receive(const std::vector<std::string>& files, const std::string& mailbox = "work.mb\\",
                                 const std::vector<std::string>& globals = std::vector<std::string>(),
                                 const std::string& options = std::string());

    // The plug-in's log, as lines without their line ends, and whether any line contains text
    // (Count: how many do).
    std::vector<std::string> LogLines() const;
    size_t Count(const std::string& text) const;
    bool Logged(const std::string& text) const { return Count(text) > 0; }

private:
    bool WriteIni();

    testing_files::TempDir m_temp;
    std::string m_dllFolder;
    std::string m_pluginFile;
    std::string m_data;
    Bsfilter m_kind = Bsfilter::kNone;
    bool m_initialised = false;
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> m_ini;
};

// Training set: spam about pills and casinos, clean mail about meetings. A message judged
// later should not be one of them: SpamMessage and CleanMessage give new ones of each kind.
std::string TrainingSpam(int i);
std::string TrainingClean(int i);
std::string SpamMessage(const std::string& from, const std::string& subject);
std::string CleanMessage(const std::string& from, const std::string& subject);

// A bsfilter home trained on five messages of each kind and updated, once per test program
// for each kind of bsfilter; returns its folder.
std::string TrainedDatabase(Bsfilter kind);

// Platform parts (PluginInstall_win.cpp / PluginInstall_posix.cpp).
std::string PluginExtension();  // ".dll" / ".so"
bool CopyPlugin(const std::string& source, const std::string& target);
// The Ruby interpreter and the bsfilter script of the system, when both are installed.
bool RealBsfilterPaths(std::string* ruby, std::string* script);

}  // namespace testing_install
