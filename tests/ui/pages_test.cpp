// The pages' rules that run without windows: validation of the general and the other-settings
// page (order of the checks, what is stored valid or not, what the edits show afterwards),
// the spam folder taken from the browser, and the list pages' editing, sorting, cells, match
// test, layout and file dialogs' texts.
#include <gtest/gtest.h>

#include <string>

#include "common/TestFiles.h"
#include "resources/resource.h"
#include "support/Util.h"
#include "ui/GeneralPage.h"
#include "ui/ListPage.h"
#include "ui/OtherPage.h"
#include "ui/WhiteListPage.h"
#include "ui/WordListPage.h"

using testing_files::MakeFolders;
using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

GeneralPageValues HeaderValues(const std::string& name, const std::string& body) {
    GeneralPageValues values;
    values.addHeader = true;
    values.headerName = name;
    values.headerBody = body;
    return values;
}

UINT ApplyHeader(const std::string& name, const std::string& body, MirvoProfile* profile = nullptr) {
    MirvoProfile local;
    GeneralPageValues values = HeaderValues(name, body);
    int argument = 0;
    const UINT result = ApplyGeneralPage(values, profile != nullptr ? *profile : local, &argument);
    EXPECT_EQ(argument, 30);
    return result;
}

// The host's display names of a small data folder.
LPCSTR WINAPI DisplayName(LPCSTR folder) {
    const std::string id = folder;
    if (id == "main.mb\\!!!!Inbox\\") return "[Main] 受信箱";
    if (id == "main.mb\\!!!!Inbox\\spam\\") return "[Main] 受信箱/spam";
    return nullptr;
}

}  // namespace

TEST(GeneralPageTest, SpamActionFollowsTheRadioButtonsWithTheLaterCheckedWinning) {
    GeneralPageValues values;
    EXPECT_EQ(SpamActionFromRadios(values, kGoFolder), kGoFolder);
    values.noMove = true;
    EXPECT_EQ(SpamActionFromRadios(values, kGoTrash), kNoMove);
    values.addHeader = true;
    EXPECT_EQ(SpamActionFromRadios(values, kGoTrash), kAddHeader);
    values.goTrash = true;  // tested last, so it wins
    EXPECT_EQ(SpamActionFromRadios(values, kAddHeader), kGoTrash);
}

TEST(GeneralPageTest, GoFolderNeedsAFolder) {
    MirvoProfile profile;
    GeneralPageValues values;
    values.goFolder = true;
    values.headerName = "";  // not checked for this action
    EXPECT_EQ(ApplyGeneralPage(values, profile, nullptr), static_cast<UINT>(IDS_NEED_SPAM_FOLDER));
    EXPECT_EQ(profile.ProcessSpamMail(), kGoFolder);  // stored anyway
    profile.SetSpamFolder("main.mb\\!!!!Inbox\\spam\\");
    EXPECT_EQ(ApplyGeneralPage(values, profile, nullptr), 0u);
}

TEST(GeneralPageTest, HeaderChecksComeInOrderAndOnlyForAddHeader) {
    EXPECT_EQ(ApplyHeader("", ""), static_cast<UINT>(IDS_NEED_HEADER_NAME));
    EXPECT_EQ(ApplyHeader("X-Spam", "yes"), static_cast<UINT>(IDS_HEADER_NAME_CHARS));
    EXPECT_EQ(ApplyHeader("\x83\x58\x83\x70\x83\x80", "yes"), static_cast<UINT>(IDS_HEADER_NAME_CHARS));  // スパム
    EXPECT_EQ(ApplyHeader(std::string(31, 'a'), "yes"), static_cast<UINT>(IDS_HEADER_NAME_LENGTH));
    EXPECT_EQ(ApplyHeader(std::string(30, 'a'), ""), static_cast<UINT>(IDS_NEED_HEADER_BODY));
    EXPECT_EQ(ApplyHeader("Spam", "yes!"), static_cast<UINT>(IDS_HEADER_BODY_CHARS));
    EXPECT_EQ(ApplyHeader("Spam", std::string(31, '9')), static_cast<UINT>(IDS_HEADER_BODY_LENGTH));
    EXPECT_EQ(ApplyHeader("Spam", std::string(30, '9')), 0u);
    // The name is checked before the body: both wrong gives the name's message.
    EXPECT_EQ(ApplyHeader("a-b", "c d"), static_cast<UINT>(IDS_HEADER_NAME_CHARS));

    MirvoProfile profile;
    GeneralPageValues values;
    values.goTrash = true;
    values.headerName = "";
    values.headerBody = "not checked!";
    EXPECT_EQ(ApplyGeneralPage(values, profile, nullptr), 0u);
}

TEST(GeneralPageTest, HeaderTextsAreTrimmedAndStoredValidOrNot) {
    MirvoProfile profile;
    GeneralPageValues values = HeaderValues("  Spam \t", "\r\n yes ");
    EXPECT_EQ(ApplyGeneralPage(values, profile, nullptr), 0u);
    EXPECT_EQ(values.headerName, "Spam");
    EXPECT_EQ(values.headerBody, "yes");
    EXPECT_EQ(profile.SpamHeaderFieldName(), "Spam");

    values = HeaderValues(std::string(31, 'b'), "x");
    EXPECT_EQ(ApplyGeneralPage(values, profile, nullptr), static_cast<UINT>(IDS_HEADER_NAME_LENGTH));
    EXPECT_EQ(profile.SpamHeaderFieldName(), std::string(30, 'b'));  // the setter keeps 30
    EXPECT_NE(LoadResString(IDS_HEADER_NAME_LENGTH, 30).find(" 30 "), std::string::npos);
}

TEST(GeneralPageTest, SwitchesAreStoredEachInItsOwnSetting) {
    // Each switch alone on, then each alone off: two switches wired to each other's setting,
    // or one to none, show in one of the patterns.
    struct Switch {
        bool GeneralPageValues::*value;
        bool (MirvoProfile::*stored)() const;
        const char* name;
    };
    const Switch switches[] = {
        {&GeneralPageValues::goFolderSameRelativeFolderPath, &MirvoProfile::GoFolderSameRelativeFolderPath, "same folder"},
        {&GeneralPageValues::setReadToSpamMail, &MirvoProfile::SetReadToSpamMail, "read mark"},
        {&GeneralPageValues::dontCheckDbOnStart, &MirvoProfile::DontCheckDbOnStart, "database check"},
        {&GeneralPageValues::disableBeforeMsgbox, &MirvoProfile::DisableBeforeMsgbox, "question box"},
        {&GeneralPageValues::disableResultMsgbox, &MirvoProfile::DisableResultMsgbox, "result box"},
        {&GeneralPageValues::addToAddrToWhiteListOnSend, &MirvoProfile::AddToAddrToWhiteListOnSend, "send hook"},
        {&GeneralPageValues::dontRemoveSpamHeader, &MirvoProfile::DontRemoveSpamHeader, "spam header"},
        {&GeneralPageValues::removeSpamFromWhiteList, &MirvoProfile::RemoveSpamFromWhiteList, "white list"},
    };
    for (bool alone : {true, false}) {
        for (const Switch& chosen : switches) {
            MirvoProfile profile;
            GeneralPageValues values;
            values.noMove = true;
            for (const Switch& each : switches) values.*each.value = (&each == &chosen) == alone;
            EXPECT_EQ(ApplyGeneralPage(values, profile, nullptr), 0u);
            for (const Switch& each : switches) {
                EXPECT_EQ((profile.*each.stored)(), (&each == &chosen) == alone)
                    << each.name << " with " << chosen.name << (alone ? " alone on" : " alone off");
            }
        }
    }
}

TEST(GeneralPageTest, ChosenFolderBecomesAFolderIdWithItsDisplayName) {
    HostApi api = {};
    api.GetFolderDisplayName = DisplayName;
    const std::string root = "C:\\Becky\\";
    std::string id;
    std::string name;
    EXPECT_EQ(SpamFolderFromChosen(root, "c:\\becky\\main.mb\\!!!!Inbox\\spam", &api, &id, &name), 0u);
    EXPECT_EQ(id, "main.mb\\!!!!Inbox\\spam\\");
    EXPECT_EQ(name, "[Main] 受信箱/spam");
    id.clear();
    EXPECT_EQ(SpamFolderFromChosen(root, "C:\\Becky\\main.mb", &api, &id, &name),
              static_cast<UINT>(IDS_SELECT_A_FOLDER));
    EXPECT_EQ(SpamFolderFromChosen(root, "", &api, &id, &name), static_cast<UINT>(IDS_FOLDER_NOT_FOUND));
    EXPECT_EQ(SpamFolderFromChosen(root, "D:\\Other\\main.mb\\x", &api, &id, &name),
              static_cast<UINT>(IDS_FOLDER_NOT_FOUND));
    EXPECT_EQ(SpamFolderFromChosen(root, "C:\\Becky\\main.mb\\unknown", &api, &id, &name),
              static_cast<UINT>(IDS_FOLDER_NAME_NOT_FOUND));
    EXPECT_EQ(id, "");  // untouched on failure

    EXPECT_EQ(InitialSpamFolderPath(root, ""), "");
    EXPECT_EQ(InitialSpamFolderPath(root, "main.mb\\!!!!Inbox\\spam\\"), "C:\\Becky\\main.mb\\!!!!Inbox\\spam\\");
    EXPECT_EQ(EditorCommandLine("notepad.exe", "C:\\a b\\bsfilter.conf"), "\"notepad.exe\" \"C:\\a b\\bsfilter.conf\"");
}

TEST(OtherPageTest, MenuSettingsAreStoredAndAnEmptyPositionBecomesZero) {
    ContextMenuProfile menu;
    ExecBsfilterScriptProfile script;
    OtherPageValues values;
    values.menuPosition = true;
    values.position = "  ";
    values.upperSeparator = false;
    values.lowerSeparator = true;
    values.rubyPath = "  not checked  ";
    EXPECT_EQ(ApplyOtherPage(values, menu, script), 0u);
    EXPECT_EQ(values.position, "0");
    EXPECT_EQ(menu.ContextMenuPosition(), kMenuPosition);
    EXPECT_EQ(menu.MenuPosition(), 0);
    EXPECT_FALSE(menu.UpperSeparator());
    EXPECT_TRUE(menu.LowerSeparator());
    EXPECT_EQ(values.rubyPath, "not checked");
    EXPECT_EQ(script.RubyModulePath(), "not checked");

    values.menuTop = true;
    values.position = "12abc";
    EXPECT_EQ(ApplyOtherPage(values, menu, script), 0u);
    EXPECT_EQ(menu.ContextMenuPosition(), kMenuTop);
    EXPECT_EQ(menu.MenuPosition(), 12);
    EXPECT_EQ(LeadingNumber("-3"), -3);
    EXPECT_EQ(LeadingNumber("+4x"), 4);
    EXPECT_EQ(LeadingNumber("x4"), 0);
    EXPECT_EQ(LeadingNumber("99999999999"), 2147483647);
}

TEST(OtherPageTest, ScriptModeNeedsAnExistingRubyExe) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("ruby.exe"), "MZ"));
    ASSERT_TRUE(WriteBytes(dir.File("Ruby.exe"), "MZ"));
    ASSERT_TRUE(MakeFolders(dir.File("folder\\ruby.exe")));
    ContextMenuProfile menu;
    ExecBsfilterScriptProfile script;
    OtherPageValues values;
    values.menuBottom = true;
    values.useScript = true;

    values.rubyPath = " \t";
    EXPECT_EQ(ApplyOtherPage(values, menu, script), static_cast<UINT>(IDS_RUBY_PATH_EMPTY));
    values.rubyPath = dir.File("missing\\ruby.exe");
    EXPECT_EQ(ApplyOtherPage(values, menu, script), static_cast<UINT>(IDS_RUBY_PATH_INVALID));
    values.rubyPath = dir.File("Ruby.exe");  // the name must be written in lower case
    EXPECT_EQ(ApplyOtherPage(values, menu, script), static_cast<UINT>(IDS_RUBY_PATH_INVALID));
    values.rubyPath = dir.File("folder\\ruby.exe\\");  // a folder, and not ending in the name
    EXPECT_EQ(ApplyOtherPage(values, menu, script), static_cast<UINT>(IDS_RUBY_PATH_INVALID));
    values.rubyPath = dir.File("folder\\ruby.exe");  // a folder named ruby.exe
    EXPECT_EQ(ApplyOtherPage(values, menu, script), static_cast<UINT>(IDS_RUBY_PATH_INVALID));
    values.rubyPath = "  " + dir.File("ruby.exe") + " ";
    EXPECT_EQ(ApplyOtherPage(values, menu, script), 0u);
    EXPECT_EQ(script.RubyModulePath(), dir.File("ruby.exe"));
    EXPECT_TRUE(script.UseBsfilterScript());
    // The values stay stored even when the path is refused.
    values.rubyPath = "";
    EXPECT_EQ(ApplyOtherPage(values, menu, script), static_cast<UINT>(IDS_RUBY_PATH_EMPTY));
    EXPECT_EQ(script.RubyModulePath(), "");
}

TEST(ListPageTest, AddAndUpdateAskAtTheRightTime) {
    EXPECT_EQ(AddStep(true, false), kListEditEmpty);
    EXPECT_EQ(AddStep(false, false), kListEditStore);
    EXPECT_EQ(AddStep(false, true), kListEditAsk);
    EXPECT_EQ(UpdateStep(true, true), kListEditEmpty);
    EXPECT_EQ(UpdateStep(false, true), kListEditStore);
    EXPECT_EQ(UpdateStep(false, false), kListEditAsk);
}

TEST(ListPageTest, DeleteSelectsTheSameIndexOrTheOneBefore) {
    WhiteList list;
    for (const char* a : {"a@x", "b@x", "c@x"}) list.AddOrUpdate(a, "");
    list.SetSortColumn(1);
    list.Sort();
    EXPECT_EQ(DeleteListEntry(list, 1), 1);  // b goes, c takes its place
    EXPECT_EQ(list.EntryAt(1).address, "c@x");
    EXPECT_EQ(DeleteListEntry(list, 1), 0);  // the last item goes: the new last one
    EXPECT_EQ(DeleteListEntry(list, 0), -1);  // nothing left
    EXPECT_EQ(DeleteListEntry(list, -1), -1);
    EXPECT_EQ(SelectionAfterDelete(5, 3), 2);
}

TEST(ListPageTest, HeaderClicksSortAscendingThenFlip) {
    WhiteList list;
    list.AddOrUpdate("b@x", "1");
    list.AddOrUpdate("a@x", "2");
    list.AddOrUpdate("example.com", "3");
    ClickListColumn(list, 1);
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(list.EntryAt(0).address, "a@x");
    ClickListColumn(list, 1);
    EXPECT_FALSE(list.SortAscending());
    EXPECT_EQ(list.EntryAt(0).address, "example.com");
    ClickListColumn(list, 2);  // another column starts ascending
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(list.EntryAt(0).note, "1");

    WordList words;
    words.AddOrUpdate("plain", 0, false, false);
    words.AddOrUpdate("re.*x", 0, true, false);
    ClickListColumn(words, 2);
    EXPECT_EQ(words.EntryAt(0).text, "plain");
    ClickListColumn(words, 2);
    EXPECT_EQ(words.EntryAt(0).text, "re.*x");
}

TEST(ListPageTest, WhiteListCellsAndInput) {
    WhiteListEntry mail{"user@example.com", "note", false};
    WhiteListEntry domain{"example.com", "", true};
    EXPECT_EQ(WhiteListCellText(mail, 0), LoadResString(IDS_WL_TYPE_MAIL));
    EXPECT_EQ(WhiteListCellText(domain, 0), LoadResString(IDS_WL_TYPE_DOMAIN));
    EXPECT_EQ(WhiteListCellText(mail, 1), "user@example.com");
    EXPECT_EQ(WhiteListCellText(mail, 2), "note");
    EXPECT_EQ(WhiteListCellImage(mail), 0);
    EXPECT_EQ(WhiteListCellImage(domain), 1);
    // Blanks, tabs and the ideographic space go from the address; line ends from the note.
    EXPECT_EQ(WhiteListAddressInput("\x81\x40 a@x\t\x81\x40"), "a@x");
    EXPECT_EQ(WhiteListNoteInput(" \r\nnote\t\n"), "note");

    WhiteList list;
    list.AddOrUpdate("z@x", "");
    list.SetSortColumn(1);
    EXPECT_EQ(StoreWhiteListEntry(list, "a@x", "first"), 0);
    EXPECT_EQ(StoreWhiteListEntry(list, "z@x", "updated"), 1);
    EXPECT_EQ(list.EntryAt(1).note, "updated");
}

TEST(ListPageTest, WordCellsAndTargets) {
    WordEntry entry{"casino", 1, true, false};
    EXPECT_EQ(WordCellText(entry, 0, IDS_NG_MARK), LoadResString(IDS_TARGET_SUBJECT));
    EXPECT_EQ(WordCellText(entry, 1, IDS_NG_MARK), "casino");
    EXPECT_EQ(WordCellText(entry, 2, IDS_NG_MARK), LoadResString(IDS_NG_MARK));
    EXPECT_EQ(WordCellText(entry, 3, IDS_NG_MARK), "");
    entry.target = 2;
    EXPECT_EQ(WordCellText(entry, 0, IDS_OK_MARK), LoadResString(IDS_TARGET_SENDER));
    entry.target = 7;
    EXPECT_EQ(WordCellText(entry, 0, IDS_OK_MARK), LoadResString(IDS_TARGET_BOTH));
    EXPECT_EQ(WordTargetFromRadios(true, true, true), 0);
    EXPECT_EQ(WordTargetFromRadios(false, true, true), 1);
    EXPECT_EQ(WordTargetFromRadios(false, false, true), 2);
    EXPECT_EQ(WordTargetFromRadios(false, false, false), 0);
    EXPECT_EQ(WordInput(" \tword\r\n"), "word");

    WordList list;
    EXPECT_EQ(StoreWordEntry(list, "casino", 0, false, false), 0);
    EXPECT_EQ(StoreWordEntry(list, "casino", 2, true, true), 0);  // replaces, listed once
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.EntryAt(0).target, 2);
    EXPECT_TRUE(list.EntryAt(0).caseSensitive);
}

TEST(ListPageTest, MatchTestHasThreeOutcomes) {
    EXPECT_EQ(TestWord("casino", "Big CASINO offer", false, false).outcome, kWordTestMatched);
    EXPECT_EQ(TestWord("casino", "Big CASINO offer", false, true).outcome, kWordTestNoMatch);
    EXPECT_EQ(TestWord("^Big", "Big offer", true, true).outcome, kWordTestMatched);
    EXPECT_EQ(TestWord("casino", "", false, false).outcome, kWordTestNoMatch);
    EXPECT_EQ(TestWord("x*", "", true, false).outcome, kWordTestMatched);  // matches the empty text
    const WordTestResult error = TestWord("(unbalanced", "anything", true, false);
    EXPECT_EQ(error.outcome, kWordTestPatternError);
    EXPECT_FALSE(error.errorText.empty());
    const std::string message = LoadResString(IDS_NG_PATTERN_ERROR, error.errorText.c_str());
    EXPECT_NE(message.find(error.errorText), std::string::npos);
}

TEST(ListPageTest, LayoutGoesIntoTheEnvGroups) {
    MirvoWhiteListProfileEnv whiteEnv;
    WhiteList whiteList;
    whiteList.SetSortColumn(2);
    whiteList.SetSortAscending(false);
    const int whiteWidths[3] = {30, 200, 150};
    SaveWhiteListLayout(whiteEnv, whiteList, whiteWidths);
    EXPECT_EQ(whiteEnv.SortItemName(), "Note");
    EXPECT_FALSE(whiteEnv.SortIsAscending());
    EXPECT_EQ(whiteEnv.AddrTypeItemWidth(), 30);
    EXPECT_EQ(whiteEnv.EmailAddrItemWidth(), 200);
    EXPECT_EQ(whiteEnv.NoteItemWidth(), 150);

    NgWordProfileEnv ngEnv;
    WordList words;
    words.SetSortColumn(3);
    const int wordWidths[4] = {40, 250, 61, 62};
    SaveWordLayout(ngEnv, words, wordWidths);
    EXPECT_EQ(ngEnv.SortItemName(), "SortNgwCase");
    EXPECT_TRUE(ngEnv.SortIsAscending());
    EXPECT_EQ(ngEnv.WordTypeItemWidth(), 40);
    EXPECT_EQ(ngEnv.WordItemWidth(), 250);
    EXPECT_EQ(ngEnv.RegexItemWidth(), 61);
    EXPECT_EQ(ngEnv.CaseItemWidth(), 62);
}

TEST(ListPageTest, ImportReplacesTheListAndExportImportRoundTrips) {
    TempDir dir;
    WhiteList list;
    list.AddOrUpdate("old@x", "");
    list.SetSortColumn(1);
    ASSERT_TRUE(WriteBytes(dir.File("in.txt"), "b@x\tB\r\na@x\r\nexample.com\tdomain\r\n"));
    ImportWhiteList(list, dir.File("in.txt").c_str());
    EXPECT_FALSE(list.Contains("old@x"));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.EntryAt(0).address, "a@x");  // sorted by the current column
    ASSERT_TRUE(list.Save(dir.File("out.txt").c_str()));
    WhiteList again;
    ImportWhiteList(again, dir.File("out.txt").c_str());
    EXPECT_EQ(again.Entries().size(), list.Entries().size());
    for (int i = 0; i < list.Count(); ++i) {
        const WhiteListEntry entry = list.EntryAt(i);
        EXPECT_TRUE(again.Contains(entry.address));
        EXPECT_EQ(again.EntryAt(again.IndexOf(entry.address)).note, entry.note);
    }

    WordList words;
    words.AddOrUpdate("old", 0, false, false);
    ASSERT_TRUE(WriteBytes(dir.File("words.txt"), "casino\tSubject\tRegex\tCase\r\n"));
    ImportWordList(words, dir.File("words.txt").c_str());
    ASSERT_EQ(words.Count(), 1);
    EXPECT_EQ(words.EntryAt(0).text, "casino");
    EXPECT_TRUE(words.EntryAt(0).isRegex);
}

TEST(ListPageTest, FiltersAndDefaultNames) {
    const std::string filter = LoadFilterText(IDS_BACKUP_FILTER);
    EXPECT_EQ(filter.find('|'), std::string::npos);
    ASSERT_GE(filter.size(), 2u);
    EXPECT_EQ(filter[filter.size() - 1], '\0');
    EXPECT_EQ(filter[filter.size() - 2], '\0');
    EXPECT_EQ(std::string(filter.c_str()), "ZIP \x83t\x83@\x83" "C\x83\x8B (*.zip)");  // "ZIP ファイル (*.zip)"

    SYSTEMTIME time = {};
    time.wYear = 2024;
    time.wMonth = 3;
    time.wDay = 5;
    time.wHour = 7;
    time.wMinute = 8;
    time.wSecond = 9;
    EXPECT_EQ(TimeStampedName("bsfilterdb_%04d%02d%02d_%02d%02d%02d.zip", time), "bsfilterdb_20240305_070809.zip");
    EXPECT_EQ(TimeStampedName("WhiteList_%04d%02d%02d_%02d%02d%02d.txt", time), "WhiteList_20240305_070809.txt");
}

TEST(ListPageTest, WordPagesSupplyTheirOwnIdsAndTexts) {
    CNgWordListDialogProc ng(nullptr);
    COkWordListDialogProc ok(nullptr);
    const CChkWordListDialogProc* pages[] = {&ng, &ok};
    EXPECT_EQ(pages[0]->UseCheckId(), 1615);
    EXPECT_EQ(pages[1]->UseCheckId(), 1621);
    EXPECT_EQ(pages[0]->ListViewId(), 1251);
    EXPECT_EQ(pages[1]->ListViewId(), 1271);
    EXPECT_EQ(pages[0]->TestButtonId(), 1258);
    EXPECT_EQ(pages[1]->TestEditId(), 1279);
    EXPECT_EQ(pages[0]->EmptyWordText(), 2250u);
    EXPECT_EQ(pages[1]->PatternErrorText(), 2285u);
    EXPECT_EQ(pages[1]->MarkText(), 2282u);
    EXPECT_STREQ(pages[0]->ExportNameFormat(), "NgWordList_%04d%02d%02d_%02d%02d%02d.txt");
    EXPECT_STREQ(pages[1]->ExportNameFormat(), "OkWordList_%04d%02d%02d_%02d%02d%02d.txt");
    EXPECT_EQ(LoadResString(pages[0]->WordHeaderText()), "NG\x83\x8F\x81[\x83h");  // "NGワード"
}
