// Settings groups: defaults, the reading rules of each kind of value, saving, and the
// replacement of the file in one step.
#include <gtest/gtest.h>

#include "common/TestFiles.h"
#include "settings/Profile.h"

using testing_files::Exists;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    // Loads all five main groups from an INI text.
    void LoadMain(const std::string& ini) {
        ASSERT_TRUE(WriteBytes(Ini(), ini));
        list = {&profile, &menu, &script, &ng, &ok};
        LoadProfiles(Ini().c_str(), list, io);
    }
    void LoadEnv(const std::string& ini) {
        ASSERT_TRUE(WriteBytes(Ini(), ini));
        list = {&whiteEnv, &ngEnv, &okEnv};
        LoadProfiles(Ini().c_str(), list, io);
    }
    std::string Ini() const { return dir.File("Mirvane.ini"); }

    TempDir dir;
    ProfileIo io;
    ProfileList list;
    MirvoProfile profile;
    ContextMenuProfile menu;
    ExecBsfilterScriptProfile script;
    NgWordProfile ng;
    OkWordProfile ok;
    MirvoWhiteListProfileEnv whiteEnv;
    NgWordProfileEnv ngEnv;
    OkWordProfileEnv okEnv;
};

}  // namespace

TEST_F(ProfileTest, MissingFileGivesEveryDefault) {
    list = {&profile, &menu, &script, &ng, &ok, &whiteEnv, &ngEnv, &okEnv};
    LoadProfiles(dir.File("absent.ini").c_str(), list, io);
    EXPECT_EQ(profile.ProcessSpamMail(), kGoTrash);
    EXPECT_EQ(profile.SpamFolder(), "");
    EXPECT_EQ(profile.SpamHeaderFieldName(), "Mirvane");
    EXPECT_EQ(profile.SpamHeaderFieldBody(), "spam");
    EXPECT_FALSE(profile.GoFolderSameRelativeFolderPath());
    EXPECT_FALSE(profile.SetReadToSpamMail());
    EXPECT_FALSE(profile.DontCheckDbOnStart());
    EXPECT_FALSE(profile.DisableBeforeMsgbox());
    EXPECT_FALSE(profile.DisableResultMsgbox());
    EXPECT_FALSE(profile.AddToAddrToWhiteListOnSend());
    EXPECT_FALSE(profile.DontRemoveSpamHeader());
    EXPECT_FALSE(profile.RemoveSpamFromWhiteList());
    EXPECT_EQ(profile.LogLevel(), "ERROR");
    EXPECT_EQ(menu.ContextMenuPosition(), kMenuBottom);
    EXPECT_EQ(menu.MenuPosition(), 0);
    EXPECT_TRUE(menu.UpperSeparator());
    EXPECT_FALSE(menu.LowerSeparator());
    EXPECT_FALSE(script.UseBsfilterScript());
    EXPECT_EQ(script.RubyModulePath(), "");
    EXPECT_FALSE(ng.Enabled());
    EXPECT_FALSE(ok.Enabled());
    EXPECT_EQ(whiteEnv.SortColumn(), 0);
    EXPECT_EQ(whiteEnv.SortItemName(), "AddrType");
    EXPECT_TRUE(whiteEnv.SortIsAscending());
    EXPECT_EQ(whiteEnv.AddrTypeItemWidth(), 24);
    EXPECT_EQ(whiteEnv.EmailAddrItemWidth(), 256);
    EXPECT_EQ(whiteEnv.NoteItemWidth(), 180);
    EXPECT_EQ(ngEnv.SortItemName(), "WordType");
    EXPECT_EQ(ngEnv.SortColumn(), 0);
    EXPECT_EQ(ngEnv.WordTypeItemWidth(), 50);
    EXPECT_EQ(ngEnv.WordItemWidth(), 290);
    EXPECT_EQ(okEnv.RegexItemWidth(), 60);
    EXPECT_EQ(okEnv.CaseItemWidth(), 60);
    EXPECT_FALSE(Exists(dir.File("absent.ini")));
}

TEST_F(ProfileTest, EnumerationsReadCaseInsensitivelyAndFallBack) {
    LoadMain("[Mirvane]\r\nProcessSpamMail=addheader\r\n[ContextMenu]\r\nContextMenuPosition=menutop\r\n");
    EXPECT_EQ(profile.ProcessSpamMail(), kAddHeader);
    EXPECT_EQ(menu.ContextMenuPosition(), kMenuTop);
    LoadMain("[Mirvane]\r\nProcessSpamMail=Move\r\n[ContextMenu]\r\nContextMenuPosition=Top\r\n");
    EXPECT_EQ(profile.ProcessSpamMail(), kGoTrash);
    EXPECT_EQ(menu.ContextMenuPosition(), kMenuBottom);
    LoadMain("[mirvane]\r\nprocessspammail=NOMOVE\r\n");
    EXPECT_EQ(profile.ProcessSpamMail(), kNoMove);
    LoadMain("[Mirvane]\r\nProcessSpamMail=GoFolder\r\n[ContextMenu]\r\nContextMenuPosition=MenuPosition\r\n");
    EXPECT_EQ(profile.ProcessSpamMail(), kGoFolder);
    EXPECT_EQ(menu.ContextMenuPosition(), kMenuPosition);
}

TEST_F(ProfileTest, BooleansAreTrueFalseWordsElseTheDefault) {
    LoadMain(
        "[Mirvane]\r\nSetReadToSpamMail=yes\r\nDontCheckDbOnStart=TRUE\r\nDisableBeforeMsgbox= true \r\n"
        "[ContextMenu]\r\nUpperSeparator=yes\r\nLowerSeparator=FALSE\r\n"
        "[NgWord]\r\nUseNgWord=True\r\n[OkWord]\r\nUseOkWord=1\r\n");
    EXPECT_FALSE(profile.SetReadToSpamMail());
    EXPECT_TRUE(profile.DontCheckDbOnStart());
    EXPECT_TRUE(profile.DisableBeforeMsgbox());
    EXPECT_TRUE(menu.UpperSeparator());
    EXPECT_FALSE(menu.LowerSeparator());
    EXPECT_TRUE(ng.Enabled());
    EXPECT_FALSE(ok.Enabled());
    LoadMain("[ContextMenu]\r\nUpperSeparator=FALSE\r\n");
    EXPECT_FALSE(menu.UpperSeparator());
    LoadEnv("[WhiteListUISettings]\r\nSortIsAscending=no\r\n[NgWordListUISettings]\r\nSortIsAscending=False\r\n");
    EXPECT_TRUE(whiteEnv.SortIsAscending());
    EXPECT_FALSE(ngEnv.SortIsAscending());
}

TEST_F(ProfileTest, IntegersZeroAndMissingKeepTheDefault) {
    LoadMain("[ContextMenu]\r\nMenuPosition=0\r\n");
    EXPECT_EQ(menu.MenuPosition(), 0);
    LoadMain("[ContextMenu]\r\nMenuPosition=7\r\n");
    EXPECT_EQ(menu.MenuPosition(), 7);
    LoadEnv("[WhiteListUISettings]\r\nNoteItemWidth=0\r\nEmailAddrItemWidth=300\r\n"
            "[OkWordListUISettings]\r\nOkWordItemWidth=123\r\nNgWordItemWidth=5\r\n");
    EXPECT_EQ(whiteEnv.NoteItemWidth(), 180);
    EXPECT_EQ(whiteEnv.EmailAddrItemWidth(), 300);
    EXPECT_EQ(okEnv.WordItemWidth(), 123);
    EXPECT_EQ(ngEnv.WordItemWidth(), 290);
}

TEST_F(ProfileTest, StringsAreTrimmedAndBlankNeverClearsAValue) {
    LoadMain("[Mirvane]\r\nSpamHeaderFieldBody=   \r\nSpamHeaderFieldName=  Check  \r\nSpamFolder=\r\n");
    EXPECT_EQ(profile.SpamHeaderFieldBody(), "spam");
    EXPECT_EQ(profile.SpamHeaderFieldName(), "Check");
    EXPECT_EQ(profile.SpamFolder(), "");
    LoadMain("[Mirvane]\r\nSpamFolder=box.mb\\!!!!Inbox\\spam\\\r\nLogLevel=debug\r\n");
    EXPECT_EQ(profile.SpamFolder(), "box.mb\\!!!!Inbox\\spam\\");
    EXPECT_EQ(profile.LogLevel(), "debug");
}

TEST_F(ProfileTest, HeaderTextsAreHandedOutAndStoredWithAtMostThirtyBytes) {
    const std::string forty(40, 'h');
    LoadMain("[Mirvane]\r\nSpamHeaderFieldName=" + forty + "\r\n");
    EXPECT_EQ(profile.SpamHeaderFieldName(), std::string(30, 'h'));
    profile.SetSpamHeaderFieldBody(std::string(31, 'b'));
    EXPECT_EQ(profile.SpamHeaderFieldBody(), std::string(30, 'b'));
    // A double-byte character across the 30th byte is not split: the cut comes before it.
    profile.SetSpamHeaderFieldBody(std::string(29, 'b') + "\x95\x5C" + "x");
    EXPECT_EQ(profile.SpamHeaderFieldBody(), std::string(29, 'b'));
    profile.SetSpamHeaderFieldBody(std::string(28, 'b') + "\x95\x5C" + "x");
    EXPECT_EQ(profile.SpamHeaderFieldBody(), std::string(28, 'b') + "\x95\x5C");
    // The value read from the file stays whole in memory until it is replaced: saving writes it whole.
    ASSERT_TRUE(SaveProfiles(list, io));
    EXPECT_NE(ReadBytes(Ini()).find("SpamHeaderFieldName=" + forty), std::string::npos);
}

TEST_F(ProfileTest, SortColumnsByNameWithColumnZeroAsFallback) {
    LoadEnv("[WhiteListUISettings]\r\nSortItemName=note\r\n[NgWordListUISettings]\r\nSortItemName=SORTNGWREGEX\r\n"
            "[OkWordListUISettings]\r\nSortItemName=SortNgwCase\r\n");
    EXPECT_EQ(whiteEnv.SortColumn(), 2);
    EXPECT_EQ(ngEnv.SortColumn(), 2);
    EXPECT_EQ(okEnv.SortColumn(), 0);  // the NG name means nothing to the OK page
    whiteEnv.SetSortColumn(1);
    EXPECT_EQ(whiteEnv.SortItemName(), "EmailAddr");
    whiteEnv.SetSortColumn(7);
    EXPECT_EQ(whiteEnv.SortItemName(), "AddrType");
    okEnv.SetSortColumn(3);
    EXPECT_EQ(okEnv.SortItemName(), "SortOkwCase");
    okEnv.SetSortColumn(-1);
    EXPECT_EQ(okEnv.SortItemName(), "SortOkwType");
    ngEnv.SetSortColumn(1);
    EXPECT_EQ(ngEnv.SortItemName(), "SortNgwWord");
}

TEST_F(ProfileTest, SavingWritesNamesAndKeepsWhatTheUserAdded) {
    LoadMain("; my settings\r\n[Mirvane]\r\nProcessSpamMail=addheader\r\nLogLevel=DEBUG\r\nMyKey=1\r\n"
             "[Other]\r\nx=y\r\n");
    profile.SetSetReadToSpamMail(true);
    menu.SetContextMenuPosition(kMenuPosition);
    menu.SetMenuPosition(4);
    ASSERT_TRUE(SaveProfiles(list, io));
    const std::string saved = ReadBytes(Ini());
    EXPECT_NE(saved.find("ProcessSpamMail=AddHeader"), std::string::npos);
    EXPECT_NE(saved.find("SetReadToSpamMail=True"), std::string::npos);
    EXPECT_NE(saved.find("DontCheckDbOnStart=False"), std::string::npos);
    EXPECT_NE(saved.find("ContextMenuPosition=MenuPosition"), std::string::npos);
    EXPECT_NE(saved.find("MenuPosition=4"), std::string::npos);
    EXPECT_NE(saved.find("UpperSeparator=True"), std::string::npos);
    EXPECT_NE(saved.find("UseNgWord=False"), std::string::npos);
    EXPECT_NE(saved.find("RubyModulePath="), std::string::npos);
    EXPECT_NE(saved.find("LogLevel=DEBUG"), std::string::npos);
    EXPECT_NE(saved.find("MyKey=1"), std::string::npos);
    EXPECT_NE(saved.find("; my settings"), std::string::npos);
    EXPECT_NE(saved.find("x=y"), std::string::npos);
    EXPECT_FALSE(Exists(Ini() + ".new"));

    // Unknown values are written as the fallback names.
    profile.SetProcessSpamMail(9);
    menu.SetContextMenuPosition(-3);
    ASSERT_TRUE(SaveProfiles(list, io));
    const std::string again = ReadBytes(Ini());
    EXPECT_NE(again.find("ProcessSpamMail=GoTrash"), std::string::npos);
    EXPECT_NE(again.find("ContextMenuPosition=MenuBottom"), std::string::npos);
}

TEST_F(ProfileTest, SavingNeverWritesTheLogLevelAndCreatesAMissingFile) {
    list = {&profile, &menu};
    LoadProfiles(dir.File("new.ini").c_str(), list, io);
    ASSERT_TRUE(SaveProfiles(list, io));
    const std::string saved = ReadBytes(dir.File("new.ini"));
    EXPECT_EQ(saved.find("LogLevel"), std::string::npos);
    EXPECT_NE(saved.find("[Mirvane]"), std::string::npos);
    EXPECT_NE(saved.find("[ContextMenu]"), std::string::npos);
}

TEST_F(ProfileTest, LoadThenSaveThenLoadGivesTheSameValues) {
    LoadEnv("");
    whiteEnv.SetSortColumn(2);
    whiteEnv.SetSortIsAscending(false);
    whiteEnv.SetNoteItemWidth(99);
    ngEnv.SetWordItemWidth(321);
    okEnv.SetSortColumn(3);
    ASSERT_TRUE(SaveProfiles(list, io));
    MirvoWhiteListProfileEnv w;
    NgWordProfileEnv n;
    OkWordProfileEnv o;
    ProfileList again = {&w, &n, &o};
    ProfileIo io2;
    LoadProfiles(Ini().c_str(), again, io2);
    EXPECT_EQ(w.SortColumn(), 2);
    EXPECT_FALSE(w.SortIsAscending());
    EXPECT_EQ(w.NoteItemWidth(), 99);
    EXPECT_EQ(n.WordItemWidth(), 321);
    EXPECT_EQ(o.SortColumn(), 3);
}

TEST_F(ProfileTest, BinaryAndOverlongFilesNeverCrash) {
    std::string garbage;
    for (int i = 0; i < 70000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    LoadMain(garbage);
    EXPECT_EQ(profile.SpamHeaderFieldName(), "Mirvane");
    LoadMain("[Mirvane]\r\nSpamFolder=" + std::string(5000, 'f') + "\r\n");
    EXPECT_EQ(profile.SpamFolder(), std::string(2047, 'f'));
}

TEST_F(ProfileTest, GettersTakeTheLockWhenOneIsSet) {
    CRITICAL_SECTION lock;
    InitializeCriticalSection(&lock);
    profile.SetLock(&lock);
    EXPECT_EQ(profile.Lock(), &lock);
    // Re-entrant: a holder of the lock may read through the getters.
    EnterCriticalSection(&lock);
    EXPECT_EQ(profile.SpamHeaderFieldName(), "Mirvane");
    LeaveCriticalSection(&lock);
    // Copies take the lock pointer along (the settings sheet clears it on its copy).
    MirvoProfile copy = profile;
    EXPECT_EQ(copy.Lock(), &lock);
    copy.SetLock(nullptr);
    copy.SetSpamFolder("x\\y\\");
    EXPECT_EQ(profile.SpamFolder(), "");
    profile.SetLock(nullptr);
    DeleteCriticalSection(&lock);
}
