// The set-up of the command scenarios and the readers of the host's report; see
// CommandScenario.h.
#include "common/CommandScenario.h"

#include "platform/platform.h"

namespace testing_scenario {

const char kInbox[] = "work.mb\\!!!!Inbox\\";
const char kTrash[] = "work.mb\\!Trash\\";

std::string Cp932(const std::string& utf8) { return PlatformUtf8ToAnsi(utf8); }

std::string Id(const std::string& folder, int number) {
    char name[32];
    snprintf(name, sizeof(name), "%08d.msg", number);
    return folder + name;
}

void CommandScenario::SetUp() {
    m_data = m_temp.File("data");
    m_pluginFolder = m_temp.File("plug");
    ASSERT_TRUE(testing_files::MakeFolders(ProgramFolder()));
    ASSERT_TRUE(testing_files::MakeFolders(PluginData("bsfilterdb")));
    // A copy of the plug-in: its program folder is the folder "Mirvane" beside the file.
    m_plugin = m_pluginFolder + "\\" + PluginFileName();
    const std::string built = testing_host::ProgramFolder() + PluginFileName();
    ASSERT_TRUE(CopyFileA(built.c_str(), m_plugin.c_str(), FALSE)) << built;
    m_haveBsfilter = BsfilterPresent() && InstallBsfilter(ProgramFolder(), &m_scriptSection);
    Settings("");
}

void CommandScenario::Settings(const std::string& mirvaneLines, const std::string& more) {
    std::string ini = "[Mirvane]\r\nDontCheckDbOnStart=True\r\n" + mirvaneLines + m_scriptSection + more;
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("Mirvane.ini"), Cp932(ini)));
}

bool CommandScenario::BreakBsfilter() {
    if (!BreakBsfilterProgram(ProgramFolder(), &m_scriptSection)) return false;
    Settings("");
    return true;
}

void CommandScenario::Mail(const std::string& name, const std::string& text) {
    const std::string folder = m_temp.File("mail" + std::to_string(m_mailBatch));
    ASSERT_TRUE(testing_files::MakeFolders(folder));
    ASSERT_TRUE(testing_files::WriteBytes(folder + "\\" + name, Cp932(text)));
}

std::string CommandScenario::Receive(bool throughFilter) {
    return std::string(throughFilter ? "receive" : "receive --no-filter") + " \"" +
           m_temp.File("mail" + std::to_string(m_mailBatch++)) + "\"";
}

testing_host::Result CommandScenario::Host(const std::vector<std::string>& lines, const std::vector<std::string>& options) {
    // The mailboxes are (re)made first: "init" keeps what exists.
    std::string script = "init work.mb:Work:me@example.com home.mb:Home:me@home.example\n";
    for (const std::string& line : lines) script += line + "\n";
    const std::string path = m_temp.File("script" + std::to_string(m_script++) + ".txt");
    EXPECT_TRUE(testing_files::WriteBytes(path, script));
    // --check-memory: every run also proves that the commands give back all the host's memory.
    std::vector<std::string> arguments = {"--data", m_data, "--plugin", m_plugin, "--check-memory"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("script");
    arguments.push_back(path);
    testing_host::Result result = testing_host::Run(arguments);
    EXPECT_TRUE(result.badLines.empty()) << "not JSON: " << (result.badLines.empty() ? "" : result.badLines[0]);
    // Whatever a command did, the host's main window is usable again afterwards, and it was
    // disabled while a batch showed its progress.
    for (const testing_json::Value& run : result.Events("run")) EXPECT_TRUE(run["mainWindowEnabled"].Bool()) << Report(result);
    for (const testing_json::Value& step : result.Events("progress")) EXPECT_FALSE(step["mainWindowEnabled"].Bool());
    return result;
}

std::vector<testing_json::Value> Calls(const testing_host::Result& result, const std::string& function) {
    std::vector<testing_json::Value> calls;
    for (const testing_json::Value& line : result.Events("call")) {
        if (line["function"].Str() == function) calls.push_back(line);
    }
    return calls;
}

std::vector<std::string> BoxTexts(const testing_host::Result& result) {
    std::vector<std::string> texts;
    for (const testing_json::Value& box : result.Events("messagebox")) texts.push_back(box["text"].Str());
    return texts;
}

std::vector<testing_json::Value> Listed(const testing_host::Result& result, const std::string& folder) {
    std::vector<testing_json::Value> mails;
    std::vector<testing_json::Value> current;
    for (const testing_json::Value& line : result.lines) {
        const std::string event = line["event"].Str();
        if (event == "mail") {
            current.push_back(line);
        } else if (event == "list") {
            if (line["folder"].Str() == folder) mails = current;
            current.clear();
        } else if (event == "step") {
            current.clear();
        }
    }
    return mails;
}

std::string Report(const testing_host::Result& result) {
    std::string text = "exit " + std::to_string(result.exitCode) + "\n";
    size_t start = 0;
    while (start < result.output.size()) {
        size_t end = result.output.find('\n', start);
        if (end == std::string::npos) end = result.output.size();
        const std::string line = result.output.substr(start, end - start);
        // The menu tree is long and rarely what a failure is about.
        if (line.find("\"menu-item\"") == std::string::npos) text += line + "\n";
        start = end + 1;
    }
    return text;
}

}  // namespace testing_scenario
