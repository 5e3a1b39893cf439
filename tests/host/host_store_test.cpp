// The host's data folder: Folder.lst and Mailbox.ini, folder ids and display names, message
// ids, the index, moves and read marks, and host state across invocations.
#include <cstring>

#include "host/HostTestSupport.h"
#include "platform/platform.h"

namespace {

std::string Ini(const std::string& path, const char* key) {
    char buffer[256] = "";
    GetPrivateProfileStringA("Account", key, "", buffer, sizeof(buffer), path.c_str());
    return buffer;
}

}  // namespace

TEST_F(HostTest, InitWritesFolderListMailboxFilesAndDefaultFoldersOnce) {
    Init();
    EXPECT_EQ("work.mb\r\nhome.mb\r\n", ReadDataFile("Folder.lst"));
    EXPECT_EQ("Work", Ini(DataFile("work.mb\\Mailbox.ini"), "Name"));
    EXPECT_EQ("me@example.com", Ini(DataFile("work.mb\\Mailbox.ini"), "MailAddress"));
    EXPECT_EQ("me@home.example", Ini(DataFile("home.mb\\Mailbox.ini"), "MailAddress"));
    for (const char* folder : {"!!!!Inbox", "!!!!Outbox", "!!!Draft", "!Trash", "!!!!Inbox\\spam"}) {
        EXPECT_TRUE(testing_files::Exists(DataFile(std::string("work.mb\\") + folder))) << folder;
    }
    // Again, with one mailbox renamed: no second line, the new name kept.
    const testing_host::Result again = Host({"init", "work.mb:Office:me@example.com"}, false);
    EXPECT_EQ(0, again.exitCode);
    EXPECT_EQ("work.mb\r\nhome.mb\r\n", ReadDataFile("Folder.lst"));
    EXPECT_EQ("Office", Ini(DataFile("work.mb\\Mailbox.ini"), "Name"));
    EXPECT_EQ(2u, again.Events("mailbox").size());
}

TEST_F(HostTest, DisplayNamesFollowTheHostNotationAndUnknownIdsGiveNull) {
    Init();
    ASSERT_TRUE(testing_files::MakeFolders(DataFile("work.mb\\#private")));
    ASSERT_TRUE(testing_files::MakeFolders(DataFile("stray.mb\\!!!!Inbox")));
    const testing_host::Result result =
        Host({"display-name", "work.mb\\", "work.mb\\!!!!Inbox\\", "work.mb\\!!!!Inbox\\spam\\", "work.mb\\!Trash\\",
              "home.mb\\!!!!Outbox\\", "work.mb\\nothing\\", "stray.mb\\", "work.mb\\#private\\", "work.mb"},
             false);
    const std::vector<testing_json::Value> names = result.Events("display-name");
    ASSERT_EQ(9u, names.size());
    EXPECT_EQ("[Work]", names[0]["name"].Str());
    EXPECT_EQ("[Work] 受信箱", names[1]["name"].Str());
    EXPECT_EQ("[Work] 受信箱/spam", names[2]["name"].Str());
    EXPECT_EQ("[Work] ごみ箱", names[3]["name"].Str());
    EXPECT_EQ("[Home] 送信箱", names[4]["name"].Str());
    EXPECT_TRUE(names[5]["name"].IsNull());  // no such folder
    EXPECT_TRUE(names[6]["name"].IsNull());  // a directory that Folder.lst does not list
    EXPECT_TRUE(names[7]["name"].IsNull());  // the host's private directory
    EXPECT_TRUE(names[8]["name"].IsNull());  // ids end in a backslash
}

TEST_F(HostTest, FoldersListsMailboxesAndNestedFoldersWithCounts) {
    Init();
    ASSERT_EQ(0, Host({"mkfolder", "work.mb/Lists/dev"}, false).exitCode);
    EXPECT_EQ(1, Host({"mkfolder", "nomailbox.mb\\x"}, false).exitCode);
    EXPECT_EQ(1, Host({"mkfolder", "work.mb\\.hidden"}, false).exitCode);
    Message("a.eml", "one");
    ASSERT_EQ(0, Host({"receive", "--no-filter", File("a.eml")}, false).exitCode);
    const testing_host::Result result = Host({"folders"}, false);
    std::vector<std::string> ids;
    for (const testing_json::Value& folder : result.Events("folder")) {
        ids.push_back(folder["id"].Str());
        if (folder["id"].Str() == "work.mb\\!!!!Inbox\\") {
            EXPECT_EQ(1, folder["messages"].Int());
            EXPECT_EQ(1, folder["unread"].Int());
        }
        if (folder["id"].Str() == "work.mb\\Lists\\dev\\") {
            EXPECT_EQ("[Work] Lists/dev", folder["displayName"].Str());
        }
    }
    const std::vector<std::string> expected = {
        "work.mb\\!!!!Inbox\\", "work.mb\\!!!!Inbox\\spam\\", "work.mb\\!!!!Outbox\\", "work.mb\\!!!Draft\\",
        "work.mb\\!Trash\\",    "work.mb\\Lists\\",           "work.mb\\Lists\\dev\\", "home.mb\\!!!!Inbox\\",
        "home.mb\\!!!!Outbox\\", "home.mb\\!!!Draft\\",       "home.mb\\!Trash\\"};
    EXPECT_EQ(expected, ids);
}

TEST_F(HostTest, ReceivedMessagesGetIdsOfFolderAndFileAndCrLfText) {
    Init();
    Message("a.eml", "first");
    Message("b.eml", "second");
    const testing_host::Result received = Host({"receive", "--no-filter", "--mailbox", "home.mb", File("a.eml"),
                                                File("b.eml")},
                                               false);
    ASSERT_EQ(0, received.exitCode);
    const std::vector<testing_json::Value> lines = received.Events("received");
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("home.mb\\!!!!Inbox\\00000001.msg", lines[0]["id"].Str());
    EXPECT_EQ("home.mb\\!!!!Inbox\\00000002.msg", lines[1]["id"].Str());
    const std::string stored = ReadDataFile("home.mb\\!!!!Inbox\\00000001.msg");
    EXPECT_EQ(0u, stored.find("From: Sender <sender@example.org>\r\nTo: me@example.com\r\n"));
    EXPECT_EQ(std::string::npos, stored.find("\n\n"));
    const testing_host::Result list = Host({"list", "home.mb\\!!!!Inbox\\"}, false);
    ASSERT_EQ(2u, list.Events("mail").size());
    EXPECT_EQ("second", list.Events("mail")[1]["subject"].Str());
    EXPECT_EQ(2, list.First("list")["unread"].Int());
}

TEST_F(HostTest, IndexTakesInFilesPutThereByHandAndForgetsRemovedOnes) {
    Init();
    Message("a.eml", "first");
    ASSERT_EQ(0, Host({"receive", "--no-filter", File("a.eml"), File("a.eml")}, false).exitCode);
    ASSERT_TRUE(DeleteFileA(DataFile("work.mb\\!!!!Inbox\\00000001.msg").c_str()));
    ASSERT_TRUE(testing_files::WriteBytes(DataFile("work.mb\\!!!!Inbox\\00000007.msg"), "Subject: by hand\r\n\r\nx\r\n"));
    const testing_host::Result list = Host({"list"}, false);
    const std::vector<testing_json::Value> mails = list.Events("mail");
    ASSERT_EQ(2u, mails.size());
    EXPECT_EQ("work.mb\\!!!!Inbox\\00000002.msg", mails[0]["id"].Str());
    EXPECT_EQ("by hand", mails[1]["subject"].Str());
    // The next message does not overwrite the one put there by hand.
    ASSERT_EQ(0, Host({"receive", "--no-filter", File("a.eml")}, false).exitCode);
    EXPECT_EQ("Subject: by hand\r\n\r\nx\r\n", ReadDataFile("work.mb\\!!!!Inbox\\00000007.msg"));
    EXPECT_TRUE(testing_files::Exists(DataFile("work.mb\\!!!!Inbox\\00000008.msg")));
}

TEST_F(HostTest, SelectionAndCurrentMessageSurviveBetweenInvocations) {
    Init();
    Message("a.eml", "a");
    ASSERT_EQ(0, Host({"receive", "--no-filter", File("a.eml"), File("a.eml"), File("a.eml")}, false).exitCode);
    const testing_host::Result select = Host({"select", "--index", "2,0"}, false);
    ASSERT_EQ(0, select.exitCode);
    const testing_host::Result state = Host({"state"}, false);
    const testing_json::Value line = state.First("state");
    EXPECT_EQ("work.mb\\", line["mailbox"].Str());
    EXPECT_EQ("work.mb\\!!!!Inbox\\", line["folder"].Str());
    EXPECT_EQ("work.mb\\!!!!Inbox\\00000003.msg", line["mail"].Str());
    const std::vector<std::string> selected = {"work.mb\\!!!!Inbox\\00000001.msg", "work.mb\\!!!!Inbox\\00000003.msg"};
    EXPECT_EQ(selected, line["selection"].Strings());
    // Adding by file name keeps the rest; a message of another folder is refused, changing nothing.
    EXPECT_EQ(0, Host({"select", "--add", "00000002.msg"}, false).exitCode);
    EXPECT_EQ(3u, Host({"state"}, false).First("state")["selection"].Size());
    EXPECT_EQ(1, Host({"select", "00000009.msg"}, false).exitCode);
    EXPECT_EQ(3u, Host({"state"}, false).First("state")["selection"].Size());
    EXPECT_EQ(0, Host({"select", "--none"}, false).exitCode);
    EXPECT_EQ(0u, Host({"state"}, false).First("state")["selection"].Size());
}
