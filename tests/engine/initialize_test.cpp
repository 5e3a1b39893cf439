// Start-up called directly, with a fake host that names a temporary data folder: the effects
// of a full start-up, PATH that is missing, empty or too long, folders that cannot be made,
// and the default bsfilter configuration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "engine/Mirvane.h"
#include "lists/AddressInfo.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "platform/Mbcs.h"
#include "plugin/HostApi.h"
#include "settings/Profile.h"
#include "support/Log.h"

namespace {

std::string g_dataFolder;

LPCSTR WINAPI FakeGetDataFolder() { return g_dataFolder.c_str(); }
LPCSTR WINAPI NoDataFolder() { return nullptr; }

// The path globals as they were, put back after each test.
struct SavedPaths {
    std::vector<std::string> values;
    static std::vector<char*> Globals() {
        return {g_pluginFolder, g_bsfilterExe,       g_bsfilterScript, g_iconvDll,      g_hostDataFolder,
                g_pluginDataFolder, g_iniPath,       g_envIniPath,     g_bsfilterConfig, g_bsfilterDbFolder,
                g_logPath,       g_whiteListPath,    g_ngWordListPath, g_okWordListPath};
    }
    SavedPaths() {
        for (char* global : Globals()) values.push_back(global);
    }
    ~SavedPaths() {
        std::vector<char*> globals = Globals();
        for (size_t i = 0; i < globals.size(); ++i) CopyTo(globals[i], kPathSize, values[i].c_str());
    }
};

std::string GetPath(bool* exists) {
    std::vector<char> buffer(65536);
    SetLastError(0);
    const DWORD length = GetEnvironmentVariableA("PATH", buffer.data(), static_cast<DWORD>(buffer.size()));
    *exists = length > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    return std::string(buffer.data(), length < buffer.size() ? length : 0);
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::vector<MirvoProfileBase*> AllProfiles() {
    std::vector<MirvoProfileBase*> all = {&g_profile, &g_contextMenuProfile, &g_scriptProfile, &g_ngWordProfile,
                                          &g_okWordProfile, &g_whiteListEnv, &g_ngWordEnv, &g_okWordEnv};
    return all;
}

class InitializeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedApi = g_hostApi;
        g_hostApi = HostApi();
        g_hostApi.GetDataFolder = FakeGetDataFolder;
        m_path = GetPath(&m_hadPath);
        // As at a fresh load: the log has no file yet.
        g_logger.Configure("ERROR", "", "");
        // The host's data folder (given without its trailing backslash) with one mailbox.
        g_dataFolder = dir.File("data");
        testing_files::MakeFolders(dir.File("data\\box1"));
        testing_files::WriteBytes(dir.File("data\\Folder.lst"), "box1\r\n");
        testing_files::WriteBytes(dir.File("data\\box1\\Mailbox.ini"), "[Account]\r\nMailAddress=me@home.example\r\n");
        char exe[kPathSize] = {0};
        GetModuleFileNameA(nullptr, exe, sizeof(exe));
        *const_cast<char*>(Mbcs::FindLast(exe, '\\')) = '\0';
        programFolder = std::string(exe) + "\\Mirvane";
    }

    void TearDown() override {
        SetEnvironmentVariableA("PATH", m_hadPath ? m_path.c_str() : nullptr);
        g_hostApi = m_savedApi;
        g_logger.Configure("ERROR", "", "");
        for (MirvoProfileBase* profile : AllProfiles()) {
            profile->SetLock(nullptr);
            profile->Reset();
        }
        for (WordList* list : {&g_ngWordList, &g_okWordList}) {
            list->SetLock(nullptr);
            list->Clear();
        }
        g_whiteList.SetLock(nullptr);
        g_whiteList.Clear();
        g_myMailAddressInfo = MyMailAddressInfo();
    }

    std::string PluginData(const std::string& name = std::string()) const {
        return dir.File("data\\PlugIns\\Mirvane") + (name.empty() ? "" : "\\" + name);
    }
    std::string Log() const { return testing_files::ReadBytes(PluginData("Mirvane.log")); }

    void SetPath(const std::string& value) { ASSERT_TRUE(SetEnvironmentVariableA("PATH", value.c_str())); }

    testing_files::TempDir dir;
    std::string programFolder;

private:
    SavedPaths m_savedPaths;
    HostApi m_savedApi;
    std::string m_path;
    bool m_hadPath = false;
};

}  // namespace

TEST_F(InitializeTest, AFullStartUpBuildsEverythingAndLogsIt) {
    ASSERT_TRUE(testing_files::MakeFolders(PluginData()));
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("Mirvane.ini"),
                                          "[Mirvane]\r\nLogLevel=DEBUG\r\nProcessSpamMail=AddHeader\r\n"
                                          "[NgWord]\r\nUseNgWord=True\r\n"));
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("MirvaneEnv.ini"), "[WhiteListUISettings]\r\nSortItemName=Note\r\n"));
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("WhiteList.txt"), "b@example.net\tB\r\nexample.org\t\r\n"));
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("NgWordList.txt"), "casino\r\n"));
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("OkWordList.txt"), "agenda\tSubject\r\nminutes\r\n"));
    SetPath("\\usr\\bin;\\bin");

    ASSERT_TRUE(Initialize());

    // Paths: the DLL's folder (the test program's here) and the host's data folder, which got
    // its trailing backslash.
    EXPECT_EQ(programFolder, g_pluginFolder);
    EXPECT_EQ(g_dataFolder + "\\", g_hostDataFolder);
    EXPECT_EQ(PluginData(), g_pluginDataFolder);
    // Locks made and attached; settings, own addresses and lists loaded.
    EXPECT_TRUE(g_locksCreated);
    for (MirvoProfileBase* profile : AllProfiles()) EXPECT_EQ(&g_settingsLock, profile->Lock());
    EXPECT_EQ(&g_settingsLock, g_whiteList.Lock());
    EXPECT_EQ(&g_settingsLock, g_ngWordList.Lock());
    EXPECT_EQ(&g_settingsLock, g_okWordList.Lock());
    EXPECT_EQ(kAddHeader, g_profile.ProcessSpamMail());
    EXPECT_TRUE(g_ngWordProfile.Enabled());
    EXPECT_FALSE(g_okWordProfile.Enabled());
    EXPECT_EQ(2, g_whiteListEnv.SortColumn());
    EXPECT_TRUE(g_myMailAddressInfo.Contains("me@home.example"));
    EXPECT_EQ(2, g_whiteList.Count());
    EXPECT_EQ(1, g_ngWordList.Count());
    EXPECT_EQ(2, g_okWordList.Count());
    // PATH extended; bsfilter's configuration and home made; no settings file written.
    bool exists = false;
    EXPECT_EQ("\\usr\\bin;\\bin;" + programFolder, GetPath(&exists));
    EXPECT_EQ("## bsfilter.conf\r\n", testing_files::ReadBytes(PluginData("bsfilter.conf")));
    EXPECT_TRUE(testing_files::Exists(PluginData("bsfilterdb")));
    EXPECT_EQ("[WhiteListUISettings]\r\nSortItemName=Note\r\n", testing_files::ReadBytes(PluginData("MirvaneEnv.ini")));

    const std::string log = Log();
    const std::vector<std::string> expected = {
        "DEBUG: Mirvane: ",
        "Initialize(): begin.\r\n",
        "Initialize(): load g_whiteList.\r\n",
        "Initialize(): g_whiteList: [b@example.net].\r\n",
        "Initialize(): g_whiteList: [example.org].\r\n",
        "Initialize(): load g_ngWordList.\r\n",
        "Initialize(): g_ngWordList: [casino].\r\n",
        "Initialize(): load g_okWordList.\r\n",
        "Initialize(): g_okWordList: [agenda].\r\n",
        "Initialize(): g_okWordList: [minutes].\r\n",
        "Initialize(): GetEnvironmentVariable(): succeeded.\r\n",
        "INFO: Mirvane: ",
        "Initialize(): SetEnvironmentVariable(): succeeded. path: [\\usr\\bin;\\bin;" + programFolder + "].\r\n",
        "CreateBsfilterConfig(): begin.\r\n",
        "CreateBsfilterConfig(): CreateFile(): succeeded.\r\n",
        "CreateBsfilterConfig(): Util::WriteToFile(): succeeded.\r\n",
        "CreateBsfilterConfig(): end.\r\n",
        "Initialize(): MakeSureDirectoryPathExists(): succeeded.\r\n",
        "Initialize(): end.\r\n",
    };
    size_t at = 0;
    for (const std::string& text : expected) {
        const size_t found = log.find(text, at);
        ASSERT_NE(std::string::npos, found) << "not logged in order: " << text << "\n" << log;
        at = found + text.size();
    }
    EXPECT_NE(std::string::npos, log.substr(0, log.find("\r\n")).find("Initialize(): begin."));
    // bsfilter is not installed: no status run.
    EXPECT_EQ(std::string::npos, log.find("ExecBsfilter()"));
}

TEST_F(InitializeTest, PathIsNeverSetFromAPartlyFilledBuffer) {
    ASSERT_TRUE(testing_files::MakeFolders(PluginData()));
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("Mirvane.ini"), "[Mirvane]\r\nLogLevel=DEBUG\r\n"));
    bool exists = false;
    // 8192 characters do not fit the 8192-byte buffer with its terminator: a failure.
    const std::string tooLong(8192, 'p');
    SetPath(tooLong);
    EXPECT_FALSE(Initialize());
    EXPECT_EQ(tooLong, GetPath(&exists));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("ERROR: Mirvane: "));
    EXPECT_NE(std::string::npos, log.find("Initialize(): GetEnvironmentVariable(): LastError: [122].")) << log;
    EXPECT_EQ(std::string::npos, log.find("SetEnvironmentVariable()"));
    EXPECT_FALSE(testing_files::Exists(PluginData("bsfilter.conf")));

    // 8191 fit: PATH is set to the value, ";" and the program folder, cut at 8191 characters.
    const std::string longest(8191 - 10, 'q');
    SetPath(longest);
    EXPECT_TRUE(Initialize());
    EXPECT_EQ((longest + ";" + programFolder).substr(0, 8191), GetPath(&exists));

    // Missing or empty: a failure too.
    ASSERT_TRUE(SetEnvironmentVariableA("PATH", nullptr));
    EXPECT_FALSE(Initialize());
    EXPECT_NE(std::string::npos, Log().find("Initialize(): GetEnvironmentVariable(): LastError: [203]."));
    SetEnvironmentVariableA("PATH", "");
    EXPECT_FALSE(Initialize());
    EXPECT_EQ(3u, Count(Log(), "GetEnvironmentVariable(): LastError"));
}

TEST_F(InitializeTest, FoldersThatCannotBeMadeRefuseTheLoad) {
    // The data folder lies below a file: refused before the log is configured, so there is no
    // log to write to.
    ASSERT_TRUE(testing_files::WriteBytes(dir.File("file"), "not a folder"));
    g_dataFolder = dir.File("file\\data\\");
    SetPath("\\bin");
    EXPECT_FALSE(Initialize());
    EXPECT_EQ(dir.File("file\\data\\PlugIns\\Mirvane"), g_pluginDataFolder);
    bool exists = false;
    EXPECT_EQ("\\bin", GetPath(&exists));

    // A host that names no data folder: refused, rather than writing below the drive's root.
    g_dataFolder = "";
    EXPECT_FALSE(Initialize());
    g_hostApi.GetDataFolder = NoDataFolder;
    EXPECT_FALSE(Initialize());
    EXPECT_FALSE(testing_files::Exists("\\PlugIns\\Mirvane"));
    g_hostApi.GetDataFolder = FakeGetDataFolder;

    // bsfilter's home cannot be made (a file has its name): an ERROR entry, and refused.
    g_dataFolder = dir.File("data");
    ASSERT_TRUE(testing_files::MakeFolders(PluginData()));
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("bsfilterdb"), ""));
    EXPECT_FALSE(Initialize());
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("ERROR: Mirvane: ")) << log;
    EXPECT_NE(std::string::npos, log.find("Initialize(): MakeSureDirectoryPathExists(): LastError: [")) << log;
}

TEST_F(InitializeTest, CreateBsfilterConfigWritesTheCommentLineOrLogsWhyNot) {
    ASSERT_TRUE(testing_files::MakeFolders(PluginData()));
    BuildDataPaths(g_dataFolder.c_str());
    g_logger.Configure("DEBUG", g_pluginDataFolder, g_logPath);
    // An existing file is emptied first: the 18 bytes are all it holds.
    ASSERT_TRUE(testing_files::WriteBytes(PluginData("bsfilter.conf"), std::string(100, 'x')));
    CreateBsfilterConfig();
    EXPECT_EQ("## bsfilter.conf\r\n", testing_files::ReadBytes(PluginData("bsfilter.conf")));
    // A folder in its place cannot be written.
    ASSERT_TRUE(DeleteFileA(g_bsfilterConfig));
    ASSERT_TRUE(testing_files::MakeFolders(g_bsfilterConfig));
    CreateBsfilterConfig();
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("CreateBsfilterConfig(): CreateFile(): LastError: [")) << log;
    EXPECT_NE(std::string::npos, log.find("], g_bsfilterConfig: [" + PluginData("bsfilter.conf") + "].")) << log;
    EXPECT_EQ(2u, Count(log, "CreateBsfilterConfig(): end."));
}
