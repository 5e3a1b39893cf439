// The set-up of the command scenarios and the readers of the host's report; see
// CommandScenario.h.
#include "common/CommandScenario.h"

#include <cstdio>
#include <sstream>

#include "platform/platform.h"

namespace testing_scenario {

using testing_install::Bsfilter;

const char kInbox[] = "work.mb\\!!!!Inbox\\";
const char kTrash[] = "work.mb\\!Trash\\";

std::string Cp932(const std::string& utf8) { return PlatformUtf8ToAnsi(utf8); }

std::string Id(const std::string& folder, int number) {
    char name[32];
    snprintf(name, sizeof(name), "%08d.msg", number);
    return folder + name;
}

std::string Name(int n) {
    char name[16];
    snprintf(name, sizeof(name), "%02d.eml", n);
    return name;
}

std::string RunItem(const std::string& text, const std::string& options) {
    return "run " + (options.empty() ? std::string() : options + " ") + "-- \"" + text + "\"";
}

void CommandScenario::SetUp() {
    m_haveBsfilter = m_install.UseBestBsfilter();
    Settings("");
}

void CommandScenario::Settings(const std::string& lines, const std::string& more) {
    std::vector<std::pair<std::string, std::string>> keys = {{"Mirvane", "DontCheckDbOnStart"}};
    m_install.Set("Mirvane", "DontCheckDbOnStart", "True");
    std::istringstream in(lines + more);
    std::string section = "Mirvane";
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        m_install.Set(section, key, Cp932(line.substr(equals + 1)));
        keys.push_back({section, key});
    }
    // A value set before and not now goes back to its default: an empty entry reads as the
    // default for every kind of value.
    for (const auto& earlier : m_keysSet) {
        bool again = false;
        for (const auto& key : keys) again = again || key == earlier;
        if (!again) m_install.Set(earlier.first, earlier.second, "");
    }
    m_keysSet = keys;
}

bool CommandScenario::BreakBsfilter() {
    if (m_install.Kind() == Bsfilter::kReal) {
        // A regular file that is no program stands in for the interpreter: the plug-in finds both
        // files, but no run can start.
        const std::string notAProgram = m_install.ProgramFolder() + "\\not-a-program";
        m_install.Set("ExecBsfilterScript", "RubyModulePath", notAProgram);
        return testing_files::WriteBytes(notAProgram, "this is not a program\n");
    }
    // A file that is no program in the place of bsfilter.exe: found, but it cannot start.
    const std::string program = BsfilterProgramFile();
    DeleteFileA(program.c_str());  // a link to the stand-in on Linux: not the stand-in itself
    return testing_files::WriteBytes(program, "this is not a program\r\n");
}

bool CommandScenario::BlockDatabaseUpdate() {
    // "--update" writes the probability table (which judging and, with the real bsfilter, the
    // status report read); a folder in the place of its file makes that fail, while training
    // writes only the token counts.
    const char* table = m_install.Kind() == Bsfilter::kReal ? "C.prob.sdbm.pag" : "standin.prob.txt";
    return testing_files::MakeFolders(PluginData("bsfilterdb") + "\\" + table);
}

bool CommandScenario::BreakDatabaseUpdateHalfWay() {
    if (m_install.Kind() != Bsfilter::kReal) return m_install.WriteConfig("standin fail-update\r\n");
    const std::string program = BsfilterProgramFile();
    DeleteFileA(program.c_str());
    return testing_files::WriteBytes(
        program,
        "# bsfilter whose --update fails after writing part of the probability table.\n"
        "if ARGV.include?('--update')\n"
        "  home = ARGV[ARGV.index('--homedir') + 1]\n"
        "  Dir.glob(File.join(home, '*.prob.*')).each { |f| File.truncate(f, 0) }\n"
        "  File.write(File.join(home, 'C.prob.sdbm.partial'), 'half')\n"
        "  $stderr.puts 'sdbm_store failed (SDBMError)'\n"
        "  exit 1\n"
        "end\n"
        "$0 = '/usr/bin/bsfilter'\n"
        "load '/usr/bin/bsfilter'\n");
}

bool CommandScenario::FailTrainingOn(const std::string& text) {
    return m_install.Kind() == Bsfilter::kStandin && m_install.WriteConfig("standin fail-on " + text + "\r\n");
}

std::string CommandScenario::DatabaseExport() const {
    if (m_install.Kind() == Bsfilter::kReal) return RealBsfilterExport(PluginData("bsfilterdb"));
    return ReadPluginData("bsfilterdb\\standin-corpus.txt") + "--\n" + ReadPluginData("bsfilterdb\\standin.prob.txt");
}

void CommandScenario::RemoveDatabase() {
    testing_files::RemoveTree(PluginData("bsfilterdb"));
    testing_files::MakeFolders(PluginData("bsfilterdb"));
}

std::string CommandScenario::BsfilterProgramFile() const {
    return m_install.ProgramFolder() + (m_install.Kind() == Bsfilter::kReal ? "\\bsfilter" : "\\bsfilter.exe");
}

std::string CommandScenario::ReadMessage(const std::string& id) const {
    return testing_files::ReadBytes(DataFile(id));
}

void CommandScenario::Mail(const std::string& name, const std::string& text) {
    const std::string folder = m_install.Root() + "\\mail" + std::to_string(m_mailBatch);
    ASSERT_TRUE(testing_files::MakeFolders(folder));
    ASSERT_TRUE(testing_files::WriteBytes(folder + "\\" + name, Cp932(text)));
}

std::string CommandScenario::Receive(bool throughFilter) {
    return std::string(throughFilter ? "receive" : "receive --no-filter") + " \"" + m_install.Root() + "\\mail" +
           std::to_string(m_mailBatch++) + "\"";
}

testing_host::Result CommandScenario::Host(const std::vector<std::string>& lines, const std::vector<std::string>& options) {
    std::vector<std::string> steps;
    for (const std::string& line : lines) steps.push_back(Cp932(line));
    // --check-memory: every run also proves that the commands give back all the host's memory.
    std::vector<std::string> globals = {"--check-memory"};
    globals.insert(globals.end(), options.begin(), options.end());
    testing_host::Result result = m_install.Run(steps, globals);
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

bool ParseDbStatus(const std::string& report, long* spam, long* clean) {
    // The stand-in: "db standin spam <n> clean <n> tokens <n> probabilities <n>".
    const size_t standin = report.find("db standin ");
    if (standin != std::string::npos) {
        return sscanf(report.c_str() + standin, "db standin spam %ld clean %ld", spam, clean) == 2;
    }
    // bsfilter: "db C <a> <clean messages> <b> <spam messages> <c>" for the language-neutral
    // tables.
    const size_t at = report.find("db C ");
    if (at == std::string::npos) return false;
    std::istringstream fields(report.substr(at + 5, report.find('\n', at) - at - 5));
    long numbers[4] = {0, 0, 0, 0};
    for (long& number : numbers) {
        if (!(fields >> number)) return false;
    }
    *clean = numbers[1];
    *spam = numbers[3];
    return true;
}

}  // namespace testing_scenario
