// The filter protocol as the host carries it out, driven by the test plug-in: moves (relative
// to the receiving mailbox or by folder id), the read mark with the call-again of return 3,
// added header lines, no action, and the host's guard against plug-ins that misbehave.
#include "host/HostTestSupport.h"

class HostFilterTest : public HostTest {
protected:
    void SetUp() override { Init(); }

    // Receives the message files into work.mb and returns the "received" lines.
    std::vector<testing_json::Value> Receive(const std::vector<std::string>& files, int expectedExit = 0,
                                             const std::string& mailbox = "work.mb\\") {
        std::vector<std::string> arguments = {"receive", "--mailbox", mailbox};
        arguments.insert(arguments.end(), files.begin(), files.end());
        last = Host(arguments);
        EXPECT_EQ(expectedExit, last.exitCode) << last.output;
        return last.Events("received");
    }

    testing_host::Result last;
};

TEST_F(HostFilterTest, MoveActionsGoToTheTrashOfTheReceivingMailboxOrTheNamedFolder) {
    const std::vector<testing_json::Value> work =
        Receive({Message("1.eml", "to trash", "move \\!Trash\\"), Message("2.eml", "to spam", "move work.mb\\!!!!Inbox\\spam\\"),
                 Message("3.eml", "plain")});
    ASSERT_EQ(3u, work.size());
    EXPECT_EQ("work.mb\\!Trash\\00000001.msg", work[0]["id"].Str());
    EXPECT_EQ("[Work] ごみ箱", work[0]["folderName"].Str());
    EXPECT_EQ(0, work[0]["steps"][0]["action"].Int());
    EXPECT_EQ("\\!Trash\\", work[0]["steps"][0]["param"].Str());
    EXPECT_EQ(2, work[0]["steps"][0]["return"].Int());
    EXPECT_EQ("work.mb\\!!!!Inbox\\spam\\00000001.msg", work[1]["id"].Str());
    EXPECT_EQ("work.mb\\!!!!Inbox\\00000001.msg", work[2]["id"].Str());
    EXPECT_TRUE(work[2]["steps"][0]["param"].IsNull());
    EXPECT_EQ(2, last.First("receive")["moved"].Int());
    // The same relative folder in the other mailbox is that mailbox's trash.
    const std::vector<testing_json::Value> home = Receive({File("1.eml")}, 0, "home.mb\\");
    ASSERT_EQ(1u, home.size());
    EXPECT_EQ("home.mb\\!Trash\\00000001.msg", home[0]["id"].Str());
    EXPECT_TRUE(testing_files::Exists(DataFile("home.mb\\!Trash\\00000001.msg")));
    const std::string log = testing_files::ReadBytes(Data() + "\\TestPlugin.log");
    EXPECT_NE(std::string::npos, log.find("OnBeforeFilter2 mailbox=home.mb\\ action=-1 subject=to trash"));
    EXPECT_NE(std::string::npos, log.find("OnFinishRetrieve 1"));
}

TEST_F(HostFilterTest, ReadMarkThenCallAgainForTheSameMessage) {
    const std::vector<testing_json::Value> lines =
        Receive({Message("1.eml", "read and move", "read-move \\!!!!Inbox\\spam\\"), Message("2.eml", "read only", "read"),
                 Message("3.eml", "read and header", "read-header X-Spam: yes"), Message("4.eml", "after")});
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(2, lines[0]["calls"].Int());
    EXPECT_EQ(2, lines[0]["steps"][0]["action"].Int());
    EXPECT_EQ("R", lines[0]["steps"][0]["param"].Str());
    EXPECT_EQ(3, lines[0]["steps"][0]["return"].Int());
    EXPECT_EQ(0, lines[0]["steps"][1]["action"].Int());
    EXPECT_TRUE(lines[0]["read"].Bool());
    EXPECT_EQ("work.mb\\!!!!Inbox\\spam\\", lines[0]["folder"].Str());
    EXPECT_EQ(2, lines[1]["calls"].Int());
    EXPECT_TRUE(lines[1]["read"].Bool());
    EXPECT_EQ("work.mb\\!!!!Inbox\\", lines[1]["folder"].Str());
    EXPECT_TRUE(lines[2]["read"].Bool());
    EXPECT_EQ(std::vector<std::string>{"X-Spam: yes"}, lines[2]["headersAdded"].Strings());
    // The pending second answer was used up by its own message: the next one is plain.
    EXPECT_EQ(1, lines[3]["calls"].Int());
    EXPECT_FALSE(lines[3]["read"].Bool());
    // The read mark is kept in the folder's index.
    const testing_host::Result list = Host({"list", "work.mb\\!!!!Inbox\\spam\\"}, false);
    ASSERT_EQ(1u, list.Events("mail").size());
    EXPECT_TRUE(list.Events("mail")[0]["read"].Bool());
}

TEST_F(HostFilterTest, HeaderActionAddsTheLineToTheHeaderBlock) {
    const std::vector<testing_json::Value> lines = Receive({Message("1.eml", "tagged", "header X-Spam-Check: yes")});
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(8, lines[0]["steps"][0]["action"].Int());
    EXPECT_EQ(1, lines[0]["steps"][0]["return"].Int());
    const std::string stored = ReadDataFile("work.mb\\!!!!Inbox\\00000001.msg");
    const size_t added = stored.find("X-Spam-Check: yes\r\n");
    ASSERT_NE(std::string::npos, added);
    EXPECT_LT(added, stored.find("\r\n\r\n"));
    EXPECT_NE(std::string::npos, stored.find("\r\n\r\nbody of 1.eml\r\n"));
    const testing_host::Result list = Host({"list", "--header", "X-Spam-Check"}, false);
    EXPECT_TRUE(list.Events("mail")[0]["hasHeader"].Bool());
    EXPECT_EQ("yes", list.Events("mail")[0]["headerValue"].Str());
}

TEST_F(HostFilterTest, MisbehavingPluginsAreStoppedAndReported) {
    const std::vector<testing_json::Value> lines =
        Receive({Message("1.eml", "loops", "loop"), Message("2.eml", "nowhere", "move \\no such folder\\"),
                 Message("3.eml", "static", "static \\!Trash\\"), Message("4.eml", "fine", "none")},
                1);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(8, lines[0]["calls"].Int());
    EXPECT_TRUE(lines[0]["stored"].Bool());
    EXPECT_FALSE(lines[0]["error"].Str().empty());
    // A move to a folder that does not exist keeps the message in the inbox.
    EXPECT_EQ("work.mb\\!!!!Inbox\\", lines[1]["folder"].Str());
    EXPECT_FALSE(lines[1]["error"].Str().empty());
    // A parameter that is not the host's memory is used but neither freed nor kept.
    EXPECT_TRUE(lines[2]["steps"][0]["paramNotHostMemory"].Bool());
    EXPECT_EQ("work.mb\\!Trash\\", lines[2]["folder"].Str());
    EXPECT_EQ(-1, lines[3]["steps"][0]["action"].Int());
    EXPECT_FALSE(lines[3].Has("error"));
    EXPECT_EQ(2, last.First("receive")["failures"].Int());
    // Every parameter from BKA_Alloc and every decoded subject went back to the host.
    const testing_json::Value memory = last.First("memory");
    EXPECT_EQ(0u, memory["leaks"].Size());
    EXPECT_EQ(0u, memory["faults"].Size());
    EXPECT_EQ(memory["allocations"].Int(), memory["frees"].Int());
}

TEST_F(HostFilterTest, ManyMessagesInOneRunKeepTheirOrder) {
    std::vector<std::string> files;
    for (int i = 0; i < 300; ++i) {
        files.push_back(Message("m" + std::to_string(1000 + i) + ".eml", "n" + std::to_string(i), i % 3 == 0 ? "move \\!Trash\\" : ""));
    }
    const std::vector<testing_json::Value> lines = Receive({File("")});  // the whole folder of files
    ASSERT_EQ(300u, lines.size());
    const testing_host::Result inbox = Host({"list"}, false);
    const std::vector<testing_json::Value> mails = inbox.Events("mail");
    ASSERT_EQ(200u, mails.size());
    EXPECT_EQ("n1", mails[0]["subject"].Str());
    EXPECT_EQ("n299", mails[199]["subject"].Str());
    EXPECT_EQ(100, Host({"list", "work.mb\\!Trash\\"}, false).First("list")["messages"].Int());
}

TEST_F(HostFilterTest, DotOptionHandsOverThePop3EndLineButStoresTheMessageWithout) {
    Receive({Message("1.eml", "dotted")});
    const testing_host::Result dotted = Host({"receive", "--dot", File("1.eml")});
    ASSERT_EQ(0, dotted.exitCode);
    const std::string log = testing_files::ReadBytes(Data() + "\\TestPlugin.log");
    EXPECT_NE(std::string::npos, log.find("subject=dotted\r\n"));          // without --dot
    EXPECT_NE(std::string::npos, log.find("subject=dotted end=dot\r\n"));  // with it
    const std::string stored = ReadDataFile("work.mb\\!!!!Inbox\\00000002.msg");
    EXPECT_EQ("\r\nbody of 1.eml\r\n", stored.substr(stored.size() - 17));
}

TEST_F(HostFilterTest, FolderNamesWithTrailByteBackslashWork) {
    // ソ (0x83 0x5C) and 表 (0x95 0x5C): a scan that is not double-byte aware splits them.
    const std::string folder = "\x83\x5c\x83\x74\x83\x67\x95\x5c";
    const testing_host::Result made = Host({"script", Script("mkfolder \"work.mb\\!!!!Inbox\\ソフト表\"\n"
                                                              "display-name \"work.mb\\!!!!Inbox\\ソフト表\\\"\n")},
                                           false);
    ASSERT_EQ(0, made.exitCode) << made.output;
    EXPECT_EQ("[Work] 受信箱/ソフト表", made.First("display-name")["name"].Str());
    const std::vector<testing_json::Value> lines = Receive({Message("1.eml", "kanji", "move \\!!!!Inbox\\" + folder + "\\")});
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("work.mb\\!!!!Inbox\\ソフト表\\00000001.msg", lines[0]["id"].Str());
    EXPECT_EQ("[Work] 受信箱/ソフト表", lines[0]["folderName"].Str());
    EXPECT_TRUE(testing_files::Exists(DataFile("work.mb\\!!!!Inbox\\" + folder + "\\00000001.msg")));
    const testing_host::Result list = Host({"script", Script("list \"work.mb\\!!!!Inbox\\ソフト表\\\"\n")}, false);
    ASSERT_EQ(1u, list.Events("mail").size());
    EXPECT_EQ("kanji", list.Events("mail")[0]["subject"].Str());
}
