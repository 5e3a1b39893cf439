// The send hook called directly: while the settings sheet is open the recipients wait in the
// pending list and nothing is written; a null message; the other events with null arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/Menu.h"
#include "common/BsfilterSetup.h"
#include "common/FakeHost.h"
#include "common/TestFiles.h"
#include "engine/Mirvane.h"
#include "lists/AddressInfo.h"
#include "lists/WhiteList.h"
#include "plugin/DllMain.h"
#include "settings/Profile.h"

using testing_bsfilter::BsfilterSetup;

namespace {

const char kOutgoing[] =
    "From: Sender <sender@example.org>\r\n"
    "To: \"  Alice  \" <alice@example.net>, me@home.example, sender@example.org\r\n"
    "Cc: Kept <kept@example.net>, Fill <fill@example.net>\r\n"
    "Subject: hello\r\n\r\nbody\r\n";

class SendHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        setup.LogAt("DEBUG");
        g_profile.SetLock(nullptr);
        g_profile.Reset();
        g_profile.SetAddToAddrToWhiteListOnSend(true);
        g_whiteList.SetLock(nullptr);
        g_whiteList.Clear();
        g_whiteList.AddOrUpdate("kept@example.net", "Kept Note");
        g_whiteList.AddOrUpdate("fill@example.net", "");
        g_pendingWhiteList.Clear();
        // The user's own mailbox: me@home.example.
        testing_files::MakeFolders(dir.File("box1"));
        testing_files::WriteBytes(dir.File("Folder.lst"), "box1\r\n");
        testing_files::WriteBytes(dir.File("box1\\Mailbox.ini"), "[Account]\r\nMailAddress=me@home.example\r\n");
        g_myMailAddressInfo.SetDataFolder(dir.Path().c_str());
        g_myMailAddressInfo.Update();
    }

    void TearDown() override {
        g_setupOpen = false;
        g_profile.Reset();
        g_whiteList.Clear();
        g_pendingWhiteList.Clear();
        g_myMailAddressInfo = MyMailAddressInfo();
    }

    BsfilterSetup setup;
    testing_files::TempDir dir;
};

}  // namespace

TEST_F(SendHookTest, WhileTheSettingsSheetIsOpenRecipientsWaitInThePendingList) {
    g_setupOpen = true;
    g_pendingWhiteList.AddOrUpdate("kept@example.net", "Pending Note");
    EXPECT_EQ(0, OnSend(kOutgoing));
    // The list in force and its file are the sheet's business until it closes.
    EXPECT_EQ(2u, g_whiteList.Addresses().size());
    EXPECT_EQ("", g_whiteList.EntryAt(g_whiteList.IndexOf("fill@example.net")).note);
    EXPECT_FALSE(testing_files::Exists(g_whiteListPath));
    // The pending list follows the same rules: own address and sender skipped, names trimmed,
    // a note once set kept.
    EXPECT_EQ(3u, g_pendingWhiteList.Addresses().size());
    EXPECT_EQ("Alice", g_pendingWhiteList.EntryAt(g_pendingWhiteList.IndexOf("alice@example.net")).note);
    EXPECT_EQ("Fill", g_pendingWhiteList.EntryAt(g_pendingWhiteList.IndexOf("fill@example.net")).note);
    EXPECT_EQ("Pending Note",
              g_pendingWhiteList.EntryAt(g_pendingWhiteList.IndexOf("kept@example.net")).note);
    EXPECT_FALSE(g_pendingWhiteList.Contains("me@home.example"));
    EXPECT_FALSE(g_pendingWhiteList.Contains("sender@example.org"));
    const std::string log = setup.LogText();
    EXPECT_NE(std::string::npos, log.find("BKC_OnSend(): in my email list: email: [me@home.example]."));
    EXPECT_NE(std::string::npos, log.find("BKC_OnSend(): in from: email: [sender@example.org]."));
    EXPECT_EQ(std::string::npos, log.find("add or update white list"));

    // Closed again: the same message goes to the list in force, which is saved.
    g_setupOpen = false;
    EXPECT_EQ(0, OnSend(kOutgoing));
    EXPECT_EQ("alice@example.net\tAlice\r\nfill@example.net\tFill\r\nkept@example.net\tKept Note\r\n",
              testing_files::ReadBytes(g_whiteListPath));
}

TEST_F(SendHookTest, OnlyMailAddressesAreRecipients) {
    // A group's name, a bare display name and an empty address are no recipients; "ァ" (83 40)
    // carries the "@" code only as its trail byte.
    EXPECT_EQ(0, OnSend("From: me@home.example\r\nTo: undisclosed-recipients:;\r\nCc: John Doe, <>, \x83\x40x\r\n"
                        "Bcc: (note) c@w.example\r\nSubject: s\r\n\r\nbody\r\n"));
    EXPECT_EQ((std::vector<std::string>{"kept@example.net", "fill@example.net", "c@w.example"}), g_whiteList.Addresses());
}

TEST_F(SendHookTest, FoldedFieldsAndDomainCaseDoNotChangeTheAddresses) {
    // A recipient folded after its address, the sender and the own address spelt with other
    // capitals in their domains.
    EXPECT_EQ(0, OnSend("From: Sender <sender@Example.ORG>\r\n"
                        "To: friend@example.com\r\n (Friend),\r\n\tsender@example.org,\r\n me@HOME.example\r\n"
                        "Subject: s\r\n\r\nbody\r\n"));
    EXPECT_EQ((std::vector<std::string>{"kept@example.net", "fill@example.net", "friend@example.com"}),
              g_whiteList.Addresses());
    EXPECT_EQ("Friend", g_whiteList.EntryAt(g_whiteList.IndexOf("friend@example.com")).note);
}

TEST_F(SendHookTest, OverlongNamesAndAddressesAreCut) {
    // The name is cut to 1023 bytes; an address cut to 511 bytes before its "@" is no address.
    const std::string message = "From: me@home.example\r\nTo: " + std::string(3000, 'N') +
                                " <n@example.net>, <" + std::string(1000, 'a') +
                                "@example.net>\r\nSubject: s\r\n\r\nbody\r\n";
    EXPECT_EQ(0, OnSend(message.c_str()));
    EXPECT_EQ((std::vector<std::string>{"kept@example.net", "fill@example.net", "n@example.net"}), g_whiteList.Addresses());
    EXPECT_EQ(std::string(1023, 'N'), g_whiteList.EntryAt(2).note);
}

TEST_F(SendHookTest, NullMessageAndOffSettingChangeNothing) {
    EXPECT_EQ(0, OnSend(nullptr));
    EXPECT_NE(std::string::npos, setup.LogText().find(" WARN: DllMain: "));
    EXPECT_NE(std::string::npos, setup.LogText().find("BKC_OnSend(): lpMessage == 0."));
    g_profile.SetAddToAddrToWhiteListOnSend(false);
    EXPECT_EQ(0, OnSend(kOutgoing));
    EXPECT_EQ(2u, g_whiteList.Addresses().size());
    EXPECT_FALSE(testing_files::Exists(g_whiteListPath));
    EXPECT_EQ(std::string::npos, setup.LogText().find("in my email list"));
}

TEST(EventsWithNullArguments, AnswerWithoutTouchingAnything) {
    testing_host::FakeHost host;
    EXPECT_EQ(0, OnPlugInInfo(nullptr));
    // A null menu: nothing to put the commands into, so none are registered with the host.
    EXPECT_EQ(0, OnMenuInit(nullptr, nullptr, 1));
    EXPECT_EQ(0, OnMenuInit(host.MainWindow(), nullptr, 1));
    EXPECT_TRUE(host.Commands().empty());
    EXPECT_TRUE(host.Calls().empty());
}
