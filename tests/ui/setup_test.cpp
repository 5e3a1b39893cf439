// The settings sheet's opening and closing: the working copy is detached from the locks and
// sorted as the pages showed it last; OK commits and saves everything, Cancel (and a sheet
// that could not be created) keeps only the list-view layout; recipients collected while the
// sheet was open reach the white list either way.
#include <string>

#include "SetupFixture.h"
#include "ui/Setup.h"

using testing_files::Exists;
using testing_files::ReadBytes;
using testing_files::WriteBytes;

namespace {

class SetupTest : public SetupFixture {};

std::string OrderOf(const WhiteList& list) {
    std::string order;
    for (int i = 0; i < list.Count(); ++i) order += list.EntryAt(i).address + ";";
    return order;
}

}  // namespace

TEST_F(SetupTest, CopyInDetachesFromTheLockAndSortsByTheRememberedOrder) {
    g_profile.SetSpamFolder("main.mb\\!!!!Inbox\\spam\\");
    g_whiteList.AddOrUpdate("b@example.com", "");
    g_whiteList.AddOrUpdate("c@example.com", "");
    g_whiteList.AddOrUpdate("a@example.com", "");
    g_whiteListEnv.SetSortColumn(1);
    g_whiteListEnv.SetSortIsAscending(false);
    g_ngWordList.AddOrUpdate("x", 0, false, false);
    g_ngWordEnv.SetSortColumn(2);

    SetupSettings settings;
    CopyInSettings(settings);
    EXPECT_TRUE(g_setupOpen);
    EXPECT_EQ(settings.profile.Lock(), nullptr);
    EXPECT_EQ(settings.contextMenu.Lock(), nullptr);
    EXPECT_EQ(settings.whiteListEnv.Lock(), nullptr);
    EXPECT_EQ(settings.whiteList.Lock(), nullptr);
    EXPECT_EQ(settings.ngWordList.Lock(), nullptr);
    EXPECT_EQ(settings.okWordList.Lock(), nullptr);
    EXPECT_EQ(settings.bsfilterLock, &g_bsfilterLock);
    EXPECT_EQ(settings.profile.SpamFolder(), "main.mb\\!!!!Inbox\\spam\\");
    EXPECT_EQ(settings.hostDataFolder, std::string(g_hostDataFolder));
    EXPECT_EQ(settings.dataFolder, std::string(g_pluginDataFolder));
    EXPECT_EQ(settings.bsfilterConfig, std::string(g_bsfilterConfig));
    EXPECT_EQ(settings.bsfilterDbFolder, std::string(g_bsfilterDbFolder));
    EXPECT_EQ(OrderOf(settings.whiteList), "c@example.com;b@example.com;a@example.com;");
    EXPECT_EQ(settings.whiteList.SortColumn(), 1);
    EXPECT_FALSE(settings.whiteList.SortAscending());
    EXPECT_EQ(settings.ngWordList.SortColumn(), 2);
    // The live list keeps its own order and lock.
    EXPECT_EQ(OrderOf(g_whiteList), "b@example.com;c@example.com;a@example.com;");
    EXPECT_EQ(g_whiteList.Lock(), &g_settingsLock);
    CloseSetup(settings, 0);
    EXPECT_FALSE(g_setupOpen);
}

TEST_F(SetupTest, CancelKeepsSettingsAndListsButRewritesTheLayout) {
    ASSERT_TRUE(WriteBytes(g_iniPath, "[Mirvane]\r\nProcessSpamMail=NoMove\r\n"));
    LoadProfiles(g_iniPath, g_profiles, g_profileIo);
    g_whiteList.AddOrUpdate("kept@example.com", "");

    for (int result : {0, -1}) {
        SetupSettings settings;
        CopyInSettings(settings);
        settings.profile.SetProcessSpamMail(kAddHeader);
        settings.contextMenu.SetMenuPosition(7);
        settings.ngWord.SetEnabled(true);
        settings.whiteList.AddOrUpdate("added@example.com", "");
        settings.okWordList.AddOrUpdate("word", 1, false, false);
        settings.whiteListEnv.SetNoteItemWidth(333);
        settings.okWordEnv.SetSortColumn(3);
        CloseSetup(settings, result);

        EXPECT_EQ(g_profile.ProcessSpamMail(), kNoMove);
        EXPECT_EQ(g_contextMenuProfile.MenuPosition(), 0);
        EXPECT_FALSE(g_ngWordProfile.Enabled());
        EXPECT_FALSE(g_whiteList.Contains("added@example.com"));
        EXPECT_EQ(g_okWordList.Count(), 0);
        EXPECT_EQ(ReadBytes(g_iniPath), "[Mirvane]\r\nProcessSpamMail=NoMove\r\n");
        EXPECT_FALSE(Exists(g_whiteListPath));
        EXPECT_FALSE(Exists(g_ngWordListPath));
        EXPECT_FALSE(Exists(g_okWordListPath));
        // The layout is kept, live and on disk, and the Env groups keep their lock.
        EXPECT_EQ(g_whiteListEnv.NoteItemWidth(), 333);
        EXPECT_EQ(g_okWordEnv.SortColumn(), 3);
        EXPECT_EQ(g_whiteListEnv.Lock(), &g_settingsLock);
        const std::string env = ReadBytes(g_envIniPath);
        EXPECT_NE(env.find("NoteItemWidth=333"), std::string::npos) << env;
        EXPECT_NE(env.find("SortItemName=SortOkwCase"), std::string::npos) << env;
        EXPECT_FALSE(g_setupOpen);
    }
}

TEST_F(SetupTest, OkCommitsEverythingAndSavesAllFiles) {
    SetupSettings settings;
    CopyInSettings(settings);
    settings.profile.SetProcessSpamMail(kAddHeader);
    settings.profile.SetSpamHeaderFieldName("Spam");
    settings.script.SetUseBsfilterScript(true);
    settings.okWord.SetEnabled(true);
    settings.whiteList.AddOrUpdate("friend@example.com", "Friend");
    settings.ngWordList.AddOrUpdate("casino", 1, false, false);
    settings.ngWordList.SetSortColumn(1);
    CloseSetup(settings, 1);

    EXPECT_EQ(g_profile.ProcessSpamMail(), kAddHeader);
    EXPECT_EQ(g_profile.SpamHeaderFieldName(), "Spam");
    EXPECT_TRUE(g_scriptProfile.UseBsfilterScript());
    EXPECT_TRUE(g_okWordProfile.Enabled());
    EXPECT_TRUE(g_whiteList.Contains("friend@example.com"));
    EXPECT_TRUE(g_ngWordList.Contains("casino"));
    EXPECT_EQ(g_ngWordList.SortColumn(), 1);
    for (MirvoProfileBase* profile : g_profiles) EXPECT_EQ(profile->Lock(), &g_settingsLock);
    EXPECT_EQ(g_whiteList.Lock(), &g_settingsLock);
    EXPECT_EQ(g_ngWordList.Lock(), &g_settingsLock);
    EXPECT_EQ(g_okWordList.Lock(), &g_settingsLock);

    const std::string ini = ReadBytes(g_iniPath);
    EXPECT_NE(ini.find("ProcessSpamMail=AddHeader"), std::string::npos) << ini;
    EXPECT_NE(ini.find("UseOkWord=True"), std::string::npos) << ini;
    EXPECT_EQ(ReadBytes(g_whiteListPath), "friend@example.com\tFriend\r\n");
    EXPECT_EQ(ReadBytes(g_ngWordListPath), "casino\tSubject\tText\tIgnoreCase\r\n");
    // An empty list is written too: OK saves all three.
    bool exists = false;
    EXPECT_EQ(ReadBytes(g_okWordListPath, &exists), "");
    EXPECT_TRUE(exists);
    EXPECT_TRUE(Exists(g_envIniPath));
}

TEST_F(SetupTest, PendingRecipientsAreMergedEvenAfterCancel) {
    g_whiteList.AddOrUpdate("noted@example.com", "Old note");
    g_whiteList.AddOrUpdate("blank@example.com", "");
    g_whiteList.AddOrUpdate("stays-blank@example.com", "");

    SetupSettings settings;
    CopyInSettings(settings);
    // What the send hook collects while the sheet is open.
    g_pendingWhiteList.AddOrUpdate("noted@example.com", "New note");
    g_pendingWhiteList.AddOrUpdate("blank@example.com", "  Filled \r\n");
    g_pendingWhiteList.AddOrUpdate("stays-blank@example.com", " \t");
    g_pendingWhiteList.AddOrUpdate("new@example.com", "");
    CloseSetup(settings, 0);

    EXPECT_EQ(g_pendingWhiteList.Count(), 0);
    ASSERT_EQ(g_whiteList.Count(), 4);
    EXPECT_EQ(g_whiteList.EntryAt(g_whiteList.IndexOf("noted@example.com")).note, "Old note");
    EXPECT_EQ(g_whiteList.EntryAt(g_whiteList.IndexOf("blank@example.com")).note, "Filled");
    EXPECT_EQ(g_whiteList.EntryAt(g_whiteList.IndexOf("stays-blank@example.com")).note, "");
    EXPECT_TRUE(g_whiteList.Contains("new@example.com"));
    EXPECT_EQ(ReadBytes(g_whiteListPath),
              "blank@example.com\tFilled\r\nnew@example.com\t\r\nnoted@example.com\tOld note\r\n"
              "stays-blank@example.com\t\r\n");
    // Nothing else of the cancelled sheet was saved.
    EXPECT_FALSE(Exists(g_iniPath));
}

TEST_F(SetupTest, MergeWithNothingToAddChangesNothing) {
    g_whiteList.AddOrUpdate("noted@example.com", "Note");
    g_pendingWhiteList.AddOrUpdate("noted@example.com", "Other");
    EXPECT_FALSE(MergePendingWhiteList());
    SetupSettings settings;
    CopyInSettings(settings);
    CloseSetup(settings, 0);
    EXPECT_FALSE(Exists(g_whiteListPath));
}

TEST_F(SetupTest, OkAfterPendingKeepsTheSheetsListAndAddsTheRecipients) {
    g_whiteList.AddOrUpdate("removed@example.com", "");
    SetupSettings settings;
    CopyInSettings(settings);
    settings.whiteList.Clear();  // the user deleted every entry on the page
    g_pendingWhiteList.AddOrUpdate("sent@example.com", "Sent To");
    CloseSetup(settings, 1);
    EXPECT_FALSE(g_whiteList.Contains("removed@example.com"));
    EXPECT_TRUE(g_whiteList.Contains("sent@example.com"));
    EXPECT_EQ(ReadBytes(g_whiteListPath), "sent@example.com\tSent To\r\n");
}
