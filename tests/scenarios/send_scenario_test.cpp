// The send hook in the host: recipients of sent mail join the white list when the setting is
// on, with their display names as notes, never the sender or the user's own addresses, and a
// note once set is kept.
#include <gtest/gtest.h>

#include <string>

#include "common/PluginInstall.h"

using testing_install::PluginInstall;

namespace {

const char kOutgoing[] =
    "From: Sender <sender@example.org>\r\n"
    "To: \" \tAlice Smith  \" <alice@example.net>, me@home.example, Self <sender@example.org>,\r\n"
    " =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\n"
    "Cc: Bob <bob@example.net>, New Name <kept@example.net>, Fill Name <fill@example.net>,\r\n"
    "\tAlice Again <alice@example.net>, Blank <blank@example.net>\r\n"
    "Bcc: carol@example.net, \"  \" <blank@example.net>\r\n"
    "Subject: hello\r\n"
    "\r\n"
    "body\r\n";

class SendScenario : public ::testing::Test {
protected:
    void SetUp() override {
        install.Set("Mirvane", "LogLevel", "DEBUG");
        ASSERT_TRUE(install.WritePluginFile("WhiteList.txt", "kept@example.net\tKept Note\r\nfill@example.net\t\r\n"));
        message = install.MessageFile("out.eml", kOutgoing);
    }

    testing_host::Result Send() {
        testing_host::Result result = install.Run({"send \"" + message + "\""});
        EXPECT_EQ(0, result.exitCode) << result.output;
        EXPECT_EQ(0, result.First("send")["return"].Int());
        return result;
    }

    PluginInstall install;
    std::string message;
};

}  // namespace

TEST_F(SendScenario, WithTheSettingOffNothingChanges) {
    Send();
    EXPECT_EQ("kept@example.net\tKept Note\r\nfill@example.net\t\r\n", install.ReadPluginFile("WhiteList.txt"));
    EXPECT_FALSE(install.Logged("BKC_OnSend()"));
    EXPECT_FALSE(install.Logged("WhiteList.txt]."));
}

TEST_F(SendScenario, RecipientsJoinTheWhiteListWithTrimmedNamesAsNotes) {
    install.Set("Mirvane", "AddToAddrToWhiteListOnSend", "True");
    Send();
    // In address order; "山田" decoded by the host into CP932; the later name of an address
    // wins, even a blank one (blank's Bcc name), which gives no note.
    EXPECT_EQ("alice@example.net\tAlice Again\r\n"
              "blank@example.net\t\r\n"
              "bob@example.net\tBob\r\n"
              "carol@example.net\t\r\n"
              "fill@example.net\tFill Name\r\n"
              "kept@example.net\tKept Note\r\n"
              "yamada@example.jp\t\x8e\x52\x93\x63\r\n",
              install.ReadPluginFile("WhiteList.txt"));
    EXPECT_TRUE(install.Logged("INFO: DllMain: "));
    EXPECT_TRUE(install.Logged("BKC_OnSend(): in my email list: email: [me@home.example]."));
    EXPECT_TRUE(install.Logged("BKC_OnSend(): in from: email: [sender@example.org]."));
    for (const char* added : {"alice@example.net", "blank@example.net", "bob@example.net", "carol@example.net",
                              "fill@example.net", "yamada@example.jp"}) {
        EXPECT_EQ(1u, install.Count("BKC_OnSend(): add or update white list: [" + std::string(added) + "].")) << added;
    }
    EXPECT_FALSE(install.Logged("add or update white list: [kept@example.net]."));
    EXPECT_FALSE(install.Logged("add or update white list: [me@home.example]."));
    // The file is written once for the whole message.
    EXPECT_EQ(1u, install.Count("WhiteList.txt]."));
    EXPECT_EQ(1u, install.Count("WriteFileReplacing(): PlatformReplaceFile(): succeeded."));

    // Sent again: everything is in place with its note; nothing to write.
    Send();
    EXPECT_EQ(1u, install.Count("WriteFileReplacing(): PlatformReplaceFile(): succeeded."));
    EXPECT_EQ(6u, install.Count("add or update white list"));
}

TEST_F(SendScenario, TheUpdatedWhiteListProtectsTheRepliesAtOnce) {
    ASSERT_TRUE(install.UseBestBsfilter());
    ASSERT_TRUE(install.UseTrainedDatabase());
    install.Set("Mirvane", "AddToAddrToWhiteListOnSend", "True");
    const std::string reply = install.MessageFile(
        "reply.eml", testing_install::SpamMessage("Bob <bob@example.net>", "Re: cheap viagra casino"));
    const testing_host::Result result = install.Run({"send \"" + message + "\"", "receive --mailbox work.mb\\ \"" + reply + "\""});
    ASSERT_EQ(0, result.exitCode) << result.output;
    EXPECT_EQ("work.mb\\!!!!Inbox\\", result.First("received")["folder"].Str());
    EXPECT_TRUE(install.Logged("in white list (email or domain): email: [bob@example.net], From: [Bob <bob@example.net>]."));
}
