// The plug-in installed in a temporary folder and driven through the host; see PluginInstall.h.
#include "common/PluginInstall.h"

#include <gtest/gtest.h>

#include <memory>

#include "common/BsfilterSetup.h"
#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"
#include "settings/Profile.h"

namespace testing_install {

namespace {

// Copies the files of one folder (not its sub-folders) into another, creating it.
bool CopyFolderFiles(const std::string& from, const std::string& to) {
    if (!testing_files::MakeFolders(to)) return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string name = data.cFileName;
        ok = CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return ok;
}

// The trained homes live until every test has run.
class TrainedHomes : public ::testing::Environment {
public:
    std::map<Bsfilter, std::unique_ptr<testing_files::TempDir>> folders;
    void TearDown() override { folders.clear(); }
};

// Registered before the tests run (at static initialisation), as GoogleTest wants it.
TrainedHomes* const g_homes = static_cast<TrainedHomes*>(::testing::AddGlobalTestEnvironment(new TrainedHomes));

int Train(const std::string& message, const char* option) {
    std::string output;
    return ExecBsfilter(message.data(), static_cast<DWORD>(message.size()), &output, "%s", option);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

PluginInstall::PluginInstall(const std::string& dllFolder, const std::string& pluginName, const std::string& dataFolder)
    : m_dllFolder(m_temp.File(dllFolder)),
      m_pluginFile(m_dllFolder + "\\" + pluginName + PluginExtension()),
      m_data(m_temp.File(dataFolder)) {
    testing_files::MakeFolders(ProgramFolder());
    CopyPlugin(testing_host::ProgramFolder() + "Mirvane" + PluginExtension(), m_pluginFile);
}

bool PluginInstall::UseStandin() {
    m_kind = Bsfilter::kStandin;
    return testing_bsfilter::InstallProgram(testing_bsfilter::StandinProgram(), ProgramFolder() + "\\bsfilter.exe") &&
           testing_files::WriteBytes(ProgramFolder() + "\\iconv.dll", "");
}

bool PluginInstall::UseRealBsfilter() {
    std::string ruby;
    std::string script;
    if (!RealBsfilterPaths(&ruby, &script)) return false;
    m_kind = Bsfilter::kReal;
    Set("ExecBsfilterScript", "UseBsfilterScript", "True");
    Set("ExecBsfilterScript", "RubyModulePath", ruby);
    return CopyFileA(script.c_str(), (ProgramFolder() + "\\bsfilter").c_str(), FALSE) != 0;
}

bool PluginInstall::UseBestBsfilter() { return UseRealBsfilter() || UseStandin(); }

bool PluginInstall::UseTrainedDatabase() {
    const std::string trained = TrainedDatabase(m_kind);
    return !trained.empty() && CopyFolderFiles(trained, InPluginData("bsfilterdb"));
}

void PluginInstall::Set(const std::string& section, const std::string& key, const std::string& value) {
    for (auto& group : m_ini) {
        if (group.first != section) continue;
        for (auto& entry : group.second) {
            if (entry.first == key) {
                entry.second = value;
                return;
            }
        }
        group.second.push_back({key, value});
        return;
    }
    m_ini.push_back({section, {{key, value}}});
}

bool PluginInstall::WriteIni() {
    if (m_ini.empty()) return true;
    std::string text;
    for (const auto& group : m_ini) {
        text += "[" + group.first + "]\r\n";
        for (const auto& entry : group.second) text += entry.first + "=" + entry.second + "\r\n";
    }
    return WritePluginFile("Mirvane.ini", text);
}

bool PluginInstall::WritePluginFile(const std::string& name, const std::string& bytes) {
    const std::string path = InPluginData(name);
    return PlatformMakeSureDirectoryPathExists(path.c_str()) && testing_files::WriteBytes(path, bytes);
}

std::string PluginInstall::ReadPluginFile(const std::string& name, bool* exists) const {
    return testing_files::ReadBytes(InPluginData(name), exists);
}

bool PluginInstall::WriteConfig(const std::string& lines) {
    return WritePluginFile("bsfilter.conf", "## bsfilter.conf\r\n" + lines);
}

std::string PluginInstall::MessageFile(const std::string& name, const std::string& text) {
    const std::string path = m_temp.File(name);
    testing_files::WriteBytes(path, text);
    return path;
}

testing_host::Result PluginInstall::Run(const std::vector<std::string>& steps, const std::vector<std::string>& globals) {
    WriteIni();
    std::string script;
    if (!m_initialised) {
        script += "init work.mb:Work:me@example.com home.mb:Home:me@home.example\r\n";
        script += "mkfolder work.mb\\!!!!Inbox\\spam home.mb\\!!!!Inbox\\spam\r\n";
        m_initialised = true;
    }
    for (const std::string& step : steps) script += step + "\r\n";
    const std::string scriptPath = m_temp.File("script.txt");
    testing_files::WriteBytes(scriptPath, PlatformAnsiToUtf8(script));
    std::vector<std::string> arguments = {"--data", Data(), "--plugin", PluginFile()};
    arguments.insert(arguments.end(), globals.begin(), globals.end());
    arguments.push_back("script");
    arguments.push_back(scriptPath);
    testing_host::Result result = testing_host::Run(arguments);
    EXPECT_TRUE(result.badLines.empty()) << "not JSON: " << (result.badLines.empty() ? "" : result.badLines[0]);
    return result;
}

testing_host::Result PluginInstall::Receive(const std::vector<std::string>& files, const std::string& mailbox,
                                            const std::vector<std::string>& globals, const std::string& options) {
    std::string step = "receive --mailbox " + mailbox;
    if (!options.empty()) step += " " + options;
    for (const std::string& file : files) step += " " + Quoted(file);
    return Run({step}, globals);
}

std::vector<std::string> PluginInstall::LogLines() const {
    const std::string text = testing_files::ReadBytes(InPluginData("Mirvane.log"));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

size_t PluginInstall::Count(const std::string& text) const {
    size_t count = 0;
    for (const std::string& line : LogLines()) {
        if (line.find(text) != std::string::npos) ++count;
    }
    return count;
}

std::string TrainingSpam(int i) {
    return "From: promo" + std::to_string(i) + "@cheap-pills.example\r\nTo: me@example.com\r\nSubject: Buy cheap viagra "
           "pills now " + std::to_string(i) +
           "\r\n\r\nCheap viagra, casino bonus, free money, click here to win a prize. Limited offer viagra casino.\r\n";
}

std::string TrainingClean(int i) {
    return "From: colleague" + std::to_string(i) + "@work.example\r\nTo: me@example.com\r\nSubject: Meeting agenda for "
           "the project review " + std::to_string(i) +
           "\r\n\r\nHi, please find the agenda for tomorrow's project meeting attached. The review covers the "
           "schedule and the budget.\r\n";
}

std::string SpamMessage(const std::string& from, const std::string& subject) {
    return "From: " + from + "\r\nTo: me@example.com\r\nSubject: " + subject +
           "\r\nMessage-Id: <spam@cheap-pills.example>\r\n\r\nFree money casino bonus, click here, viagra pills prize. "
           "Cheap viagra casino offer.\r\n";
}

std::string CleanMessage(const std::string& from, const std::string& subject) {
    return "From: " + from + "\r\nTo: me@example.com\r\nSubject: " + subject +
           "\r\nMessage-Id: <clean@work.example>\r\n\r\nThe agenda for the review meeting: schedule and budget of the "
           "project. Please find it attached.\r\n";
}

std::string TrainedDatabase(Bsfilter kind) {
    std::unique_ptr<testing_files::TempDir>& home = g_homes->folders[kind];
    if (home) return home->File("bsfilterdb");
    if (kind == Bsfilter::kNone) return std::string();

    testing_bsfilter::BsfilterSetup setup("train");
    if (kind == Bsfilter::kReal) {
        std::string ruby;
        std::string script;
        if (!RealBsfilterPaths(&ruby, &script)) return std::string();
        g_scriptProfile.SetUseBsfilterScript(true);
        g_scriptProfile.SetRubyModulePath(ruby);
        if (!CopyFileA(script.c_str(), g_bsfilterScript, FALSE)) return std::string();
    } else if (!setup.InstallStandinExe()) {
        return std::string();
    }
    bool ok = true;
    for (int i = 1; i <= 5; ++i) {
        ok = Train(TrainingSpam(i), "--add-spam") == 0 && ok;
        ok = Train(TrainingClean(i), "--add-clean") == 0 && ok;
    }
    std::string output;
    ok = ExecBsfilter(nullptr, 0, &output, "--update") == 0 && ok;
    std::unique_ptr<testing_files::TempDir> folder(new testing_files::TempDir);
    ok = ok && CopyFolderFiles(g_bsfilterDbFolder, folder->File("bsfilterdb"));
    if (!ok) return std::string();
    home = std::move(folder);
    return home->File("bsfilterdb");
}

}  // namespace testing_install
