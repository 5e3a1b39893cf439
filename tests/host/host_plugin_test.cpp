// Loading the plug-in: the exported host functions it binds, --hide and --version, refused and
// missing plug-ins, the plug-in information record, send, and command-line errors.
#include "host/HostTestSupport.h"

TEST_F(HostTest, EveryHostFunctionIsExportedAndInfoReportsTheFourFields) {
    Init();
    const testing_host::Result result = Host({"--version", "3.1.4", "info"});
    ASSERT_EQ(0, result.exitCode) << result.output;
    const testing_json::Value load = result.First("load");
    EXPECT_TRUE(load["ok"].Bool());
    EXPECT_EQ(0u, load["missingEvents"].Size());
    const testing_json::Value info = result.First("info");
    EXPECT_EQ("TestPlugin", info["name"].Str());
    EXPECT_EQ("Mirvane tests", info["vendor"].Str());
    EXPECT_EQ("3.1.4", info["version"].Str());
    EXPECT_EQ(std::string(255, 'd'), info["description"].Str());
    EXPECT_TRUE(info["terminated"].Bool());
    // The plug-in found all 59 functions in the host program, and was told of start and exit.
    const std::string log = testing_files::ReadBytes(Data() + "\\TestPlugin.log");
    EXPECT_NE(std::string::npos, log.find("attach version=3.1.4 missing:\r\nOnStart\r\nOnExit\r\ndetach\r\n")) << log;
    EXPECT_EQ(0, result.First("unload")["onExit"].Int());
}

TEST_F(HostTest, HiddenHostFunctionsAreNotFoundByThePlugin) {
    Init();
    // A required function: the plug-in's binding refuses the host, so the load is refused.
    const testing_host::Result required = Host({"--hide", "GetSource", "info"});
    EXPECT_EQ(3, required.exitCode);
    EXPECT_FALSE(required.First("load")["ok"].Bool());
    EXPECT_EQ("refused", required.First("load")["reason"].Str());
    EXPECT_TRUE(required.Events("info").empty());
    // Functions the plug-in can do without: it loads and sees them missing.
    const testing_host::Result optional = Host({"--hide", "BKA_GetSize,ProcessMail", "info"});
    EXPECT_EQ(0, optional.exitCode);
    EXPECT_EQ(2u, optional.First("load")["hidden"].Size());
    const std::string log = testing_files::ReadBytes(Data() + "\\TestPlugin.log");
    EXPECT_NE(std::string::npos, log.find("missing: GetSize ProcessMail\r\n")) << log;
    // SetStatus is optional only for hosts older than 2.00.06.
    EXPECT_EQ(3, Host({"--hide", "SetStatus", "info"}).exitCode);
    EXPECT_EQ(0, Host({"--hide", "SetStatus", "--version", "2.00.05", "info"}).exitCode);
}

TEST_F(HostTest, MissingPluginAndUsageErrorsHaveTheirExitCodes) {
    Init();
    const testing_host::Result missing = testing_host::Run({"--data", Data(), "--plugin", File("none.dll"), "info"});
    EXPECT_EQ(3, missing.exitCode);
    EXPECT_EQ("not found", missing.First("load")["reason"].Str());
    EXPECT_EQ(2, Host({"frobnicate"}, false).exitCode);
    EXPECT_EQ(2, Host({"list", "--bogus"}, false).exitCode);
    EXPECT_EQ(2, Host({"--hide", "NoSuchFunction", "info"}, false).exitCode);
    EXPECT_EQ(2, Host({"--answer", "maybe", "info"}, false).exitCode);
    EXPECT_EQ(2, testing_host::Run({"list"}).exitCode);  // no data folder
    const testing_host::Result help = testing_host::Run({"--help"});
    EXPECT_EQ(0, help.exitCode);
    EXPECT_NE(std::string::npos, help.output.find("receive FILE|DIR"));
    EXPECT_EQ(1, Host({"list", "work.mb\\nothing\\"}, false).exitCode);
    EXPECT_EQ("error", Host({"list", "work.mb\\nothing\\"}, false).lines.back()["event"].Str());
}

TEST_F(HostTest, SendHandsTheMessageToThePlugin) {
    Init();
    const testing_host::Result result = Host({"send", Message("out.eml", "hello", "", "")});
    ASSERT_EQ(0, result.exitCode);
    EXPECT_EQ(0, result.First("send")["return"].Int());
    const std::string log = testing_files::ReadBytes(Data() + "\\TestPlugin.log");
    EXPECT_NE(std::string::npos, log.find("OnSend To=me@example.com\r\n"));
}

TEST_F(HostTest, ScriptKeepsThePluginLoadedAcrossSteps) {
    Init();
    Message("1.eml", "one", "read");
    const testing_host::Result result =
        Host({"script", Script("# comment\r\nreceive \"" + File("1.eml") + "\"\r\nselect --index 0\r\nlist\r\n"
                               "bogus-verb\r\nlist\r\n")});
    EXPECT_EQ(2, result.exitCode);  // the failing step ends the script
    EXPECT_EQ(1u, result.Events("load").size());
    EXPECT_EQ(4u, result.Events("step").size());
    EXPECT_EQ(1u, result.Events("list").size());
    EXPECT_TRUE(result.Events("mail")[0]["selected"].Bool());
    const std::string log = testing_files::ReadBytes(Data() + "\\TestPlugin.log");
    EXPECT_NE(std::string::npos, log.find("OnOpenMail work.mb\\!!!!Inbox\\00000001.msg"));
    // --keep-going runs the rest.
    const testing_host::Result going = Host({"--keep-going", "script", Script("bogus\r\nstate\r\n")}, false);
    EXPECT_EQ(2, going.exitCode);
    EXPECT_EQ(1u, going.Events("state").size());
}

TEST_F(HostTest, TheRealPluginBindsToTheHostAndRefusesWhatItMustRefuse) {
    // Without --plugin the host loads Mirvane beside it, as the mail client loads it.
    Init();
    const testing_host::Result info = Host({"info"}, false);
    ASSERT_EQ(0, info.exitCode) << info.output;
    EXPECT_EQ("Mirvane", info.First("info")["name"].Str());
    EXPECT_EQ("0.0.0.49", info.First("info")["version"].Str());
    EXPECT_TRUE(info.First("info")["terminated"].Bool());
    EXPECT_TRUE(testing_files::Exists(DataFile("PlugIns\\Mirvane")));
    EXPECT_EQ(3, Host({"--hide", "MIMEHeader", "info"}, false).exitCode);
    EXPECT_EQ(3, Host({"--version", "2.49.99", "info"}, false).exitCode);
    EXPECT_EQ(0, Host({"--version", "2.50", "info"}, false).exitCode);
}
