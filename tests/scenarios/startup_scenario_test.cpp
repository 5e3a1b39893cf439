// The plug-in's load in the host: what a fresh installation gets, what start-up logs, the
// start-up status run, the paths built from the host's data folder and from the DLL's own
// path, the host versions and host functions it accepts, and a refused load's clean unload.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/PluginInstall.h"
#include "platform/platform.h"

using testing_install::PluginInstall;

namespace {

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Index of the first line at or after from that contains text, or lines.size().
size_t Find(const std::vector<std::string>& lines, const std::string& text, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::string::npos) return i;
    }
    return lines.size();
}

// Every text appears in the log, each on a later line than the one before.
void ExpectInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const std::string& text : texts) {
        const size_t found = Find(lines, text, at);
        ASSERT_LT(found, lines.size()) << "not logged (in this order): " << text;
        at = found + 1;
    }
}

}  // namespace

TEST(StartupScenario, FreshInstallationGetsItsFoldersAndTheDefaultConfigurationOnly) {
    PluginInstall install;
    const testing_host::Result result = install.Run({"info"});
    ASSERT_EQ(0, result.exitCode) << result.output;
    EXPECT_TRUE(result.First("load")["ok"].Bool());
    EXPECT_TRUE(IsFolder(install.PluginData()));
    EXPECT_TRUE(IsFolder(install.InPluginData("bsfilterdb")));
    bool exists = false;
    EXPECT_EQ("## bsfilter.conf\r\n", install.ReadPluginFile("bsfilter.conf", &exists));
    EXPECT_TRUE(exists);
    // Settings files appear only when the settings sheet saves; the lists when they change.
    for (const char* name : {"Mirvane.ini", "MirvaneEnv.ini", "WhiteList.txt", "NgWordList.txt", "OkWordList.txt"}) {
        install.ReadPluginFile(name, &exists);
        EXPECT_FALSE(exists) << name;
    }
}

TEST(StartupScenario, TheLoadIsLoggedFromBeginToEndWithListsPathAndStatusRun) {
    PluginInstall install;
    ASSERT_TRUE(install.UseStandin());
    install.Set("Mirvane", "LogLevel", "DEBUG");
    ASSERT_TRUE(install.WriteConfig(""));
    ASSERT_TRUE(install.WritePluginFile("WhiteList.txt", "friend@example.net\tFriend\r\nexample.org\t\r\n"));
    ASSERT_TRUE(install.WritePluginFile("NgWordList.txt", "casino\tAll\tText\tIgnoreCase\r\n"));
    ASSERT_TRUE(install.WritePluginFile("OkWordList.txt", "agenda\tSubject\tText\tCase\r\n"));
    const testing_host::Result result = install.Run({"info"});
    ASSERT_EQ(0, result.exitCode) << result.output;

    const std::vector<std::string> lines = install.LogLines();
    ASSERT_FALSE(lines.empty());
    // Entries made before the log is configured are lost: the file starts with "begin.".
    EXPECT_NE(std::string::npos, lines[0].find(" DEBUG: Mirvane: ")) << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find("Initialize(): begin.")) << lines[0];
    ExpectInOrder(lines, {
        "MyMailAddressInfo::Update(): m_myEmailList: [me@example.com].",
        "Initialize(): load g_whiteList.",
        "Initialize(): g_whiteList: [friend@example.net].",
        "Initialize(): g_whiteList: [example.org].",
        "Initialize(): load g_ngWordList.",
        "Initialize(): g_ngWordList: [casino].",
        "Initialize(): load g_okWordList.",
        "Initialize(): g_okWordList: [agenda].",
        "Initialize(): GetEnvironmentVariable(): succeeded.",
        " INFO: Mirvane: ",
        "Initialize(): MakeSureDirectoryPathExists(): succeeded.",
        "ExecBsfilter(): CreateProcess(): succeeded. command: [\"" + install.ProgramFolder() + "\\bsfilter.exe\"",
        "db standin spam 0 clean 0",
        "Initialize(): ExecBsfilter(): status: [0].",
        "Initialize(): end.",
    });
    // The program folder is appended to PATH, which bsfilter inherits.
    const size_t path = Find(lines, "Initialize(): SetEnvironmentVariable(): succeeded. path: [");
    ASSERT_LT(path, lines.size());
    EXPECT_NE(std::string::npos, lines[path].find(" INFO: "));
    const std::string tail = ";" + install.ProgramFolder() + "].";
    ASSERT_GE(lines[path].size(), tail.size());
    EXPECT_EQ(tail, lines[path].substr(lines[path].size() - tail.size())) << lines[path];
    // The status run has its option and nothing else after the fixed front; the existing
    // configuration was left alone.
    EXPECT_EQ(1u, install.Count("--show-db-status]."));
    EXPECT_FALSE(install.Logged("CreateBsfilterConfig()"));
}

TEST(StartupScenario, AnExistingConfigurationIsNeverRewritten) {
    PluginInstall install;
    ASSERT_TRUE(install.WritePluginFile("bsfilter.conf", ""));
    ASSERT_EQ(0, install.Run({"info"}).exitCode);
    bool exists = false;
    EXPECT_EQ("", install.ReadPluginFile("bsfilter.conf", &exists));
    EXPECT_TRUE(exists);
    ASSERT_TRUE(install.WritePluginFile("bsfilter.conf", "# mine\n"));
    ASSERT_EQ(0, install.Run({"info"}).exitCode);
    EXPECT_EQ("# mine\n", install.ReadPluginFile("bsfilter.conf"));
}

TEST(StartupScenario, DontCheckDbOnStartStartsNoBsfilterDuringTheLoad) {
    PluginInstall install;
    ASSERT_TRUE(install.UseStandin());
    // Every run of the stand-in leaves a file in its home folder.
    ASSERT_TRUE(install.WriteConfig("standin touch started\r\n"));
    const std::string marker = install.InPluginData("bsfilterdb\\started");
    install.Set("Mirvane", "DontCheckDbOnStart", "True");
    install.Set("Mirvane", "LogLevel", "DEBUG");
    ASSERT_EQ(0, install.Run({"info"}).exitCode);
    EXPECT_FALSE(testing_files::Exists(marker));
    EXPECT_FALSE(install.Logged("ExecBsfilter()"));
    EXPECT_TRUE(install.Logged("Initialize(): end."));

    install.Set("Mirvane", "DontCheckDbOnStart", "False");
    ASSERT_EQ(0, install.Run({"info"}).exitCode);
    EXPECT_TRUE(testing_files::Exists(marker));
    EXPECT_EQ(1u, install.Count("Initialize(): ExecBsfilter(): status: [0]."));
}

TEST(StartupScenario, HostDataFolderWithOrWithoutItsBackslashGivesTheSamePaths) {
    for (const bool bare : {true, false}) {
        // The folder's name ends in "表" (95 5C), whose trail byte is no backslash.
        PluginInstall install("dll", "Mirvane", "data\x95\x5C");
        install.Set("Mirvane", "LogLevel", "DEBUG");
        std::vector<std::string> globals;
        if (bare) globals.push_back("--bare-data-folder");
        const testing_host::Result result = install.Run({"info"}, globals);
        ASSERT_EQ(0, result.exitCode) << result.output;
        EXPECT_TRUE(IsFolder(install.InPluginData("bsfilterdb"))) << bare;
        EXPECT_FALSE(testing_files::Exists(install.Data() + "PlugIns")) << bare;
        // The own addresses are found under the same folder, so it ends in one backslash.
        EXPECT_TRUE(install.Logged("MyMailAddressInfo::Update(): m_myEmailList: [me@home.example].")) << bare;
        EXPECT_TRUE(install.Logged("MyMailAddressInfo::Update(): m_myEmailList: [me@example.com].")) << bare;
        EXPECT_EQ("## bsfilter.conf\r\n", install.ReadPluginFile("bsfilter.conf")) << bare;
    }
}

TEST(StartupScenario, DllPathWithA5CTrailByteIsCutAtTheRealLastBackslash) {
    // "ソ" (83 5C) and "表" (95 5C): the second byte of each is the backslash code.
    PluginInstall install("\x83\x5C\x95\x5C", "\x95\x5C");
    ASSERT_TRUE(install.UseStandin());
    ASSERT_TRUE(install.WriteConfig(""));
    install.Set("Mirvane", "LogLevel", "DEBUG");
    const testing_host::Result result = install.Run({"info"});
    ASSERT_EQ(0, result.exitCode) << result.output;
    // bsfilter was found in "<folder of the DLL>\Mirvane" and ran.
    EXPECT_TRUE(install.Logged("ExecBsfilter(): CreateProcess(): succeeded. command: [\"" + install.ProgramFolder() +
                               "\\bsfilter.exe\""));
    EXPECT_TRUE(install.Logged("Initialize(): ExecBsfilter(): status: [0]."));
    EXPECT_TRUE(install.Logged(";" + install.ProgramFolder() + "]."));
}

TEST(StartupScenario, HostVersionsFrom250OnAreAcceptedAndOthersRefusedBeforeStartUp) {
    PluginInstall install;
    for (const char* version : {"2.50", "10.0", "3"}) {
        const testing_host::Result result = install.Run({"info"}, {"--version", version});
        EXPECT_EQ(0, result.exitCode) << version << "\n" << result.output;
        EXPECT_TRUE(result.First("load")["ok"].Bool()) << version;
    }
    PluginInstall refused;
    for (const char* version : {"2.49.99", "2.5", "2", "", "garbage"}) {
        const testing_host::Result result = refused.Run({"info"}, {"--version", version});
        EXPECT_EQ(3, result.exitCode) << "[" << version << "]\n" << result.output;
        EXPECT_EQ("refused", result.First("load")["reason"].Str()) << version;
        EXPECT_TRUE(result.Events("info").empty()) << version;
        // The load stopped before start-up: nothing was created.
        EXPECT_FALSE(testing_files::Exists(refused.InData("PlugIns"))) << version;
    }
}

TEST(StartupScenario, AMissingRequiredHostFunctionRefusesTheLoad) {
    PluginInstall install;
    for (const char* hidden : {"GetDataFolder", "Alloc", "MIMEHeader", "GetVersion"}) {
        const testing_host::Result result = install.Run({"info"}, {"--hide", hidden});
        EXPECT_EQ(3, result.exitCode) << hidden << "\n" << result.output;
        EXPECT_EQ("refused", result.First("load")["reason"].Str()) << hidden;
        EXPECT_FALSE(testing_files::Exists(install.InData("PlugIns"))) << hidden;
    }
    // The functions the plug-in can do without.
    const testing_host::Result optional = install.Run({"info"}, {"--hide", "GetSize,NextUnread,ProcessMail"});
    EXPECT_EQ(0, optional.exitCode) << optional.output;
    EXPECT_TRUE(testing_files::Exists(install.InData("PlugIns\\Mirvane\\bsfilterdb")));
}

TEST(StartupScenario, AStartUpThatFailsLateIsRefusedAndUnloadsCleanly) {
    // bsfilter's home cannot be made: a file has its name. Start-up has made its locks, loaded
    // settings and lists and set PATH by then; the refused load is unloaded at once.
    PluginInstall install;
    install.Set("Mirvane", "LogLevel", "ERROR");
    ASSERT_TRUE(install.WritePluginFile("bsfilterdb", ""));
    ASSERT_TRUE(install.WritePluginFile("WhiteList.txt", "friend@example.net\tFriend\r\n"));
    const testing_host::Result result = install.Run({"info"});
    EXPECT_EQ(3, result.exitCode) << result.output;
    EXPECT_EQ("refused", result.First("load")["reason"].Str());
    EXPECT_EQ(1u, install.Count(" ERROR: Mirvane: "));
    EXPECT_EQ(1u, install.Count("Initialize(): MakeSureDirectoryPathExists(): LastError: ["));
}
