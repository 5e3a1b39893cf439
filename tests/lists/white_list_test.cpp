// The address white list: file format, matching, the add rules, display order and sorting,
// copies and locking, atomic saves and hostile files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "lists/ListTestUtil.h"
#include "lists/WhiteList.h"

namespace {

using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

// "address|note|D" per entry in display order (D for domain entries).
std::vector<std::string> Rows(const WhiteList& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.Count(); ++i) {
        const WhiteListEntry entry = list.EntryAt(i);
        rows.push_back(entry.address + "|" + entry.note + (entry.isDomain ? "|D" : ""));
    }
    return rows;
}

WhiteList Loaded(const TempDir& folder, const std::string& content) {
    const std::string path = folder.File("WhiteList.txt");
    EXPECT_TRUE(WriteBytes(path, content));
    WhiteList list;
    EXPECT_TRUE(list.Load(path.c_str()));
    return list;
}

}  // namespace

TEST(WhiteListFile, LinesAreTrimmedAndSplitAtTheFirstTab) {
    TempDir folder;
    const WhiteList list = Loaded(folder,
                                  "a@example.jp\tTaro\r\n"
                                  "b@example.jp\t\r\n"            // trailing tab trimmed away
                                  "\tc@example.jp\r\n"            // leading tab trimmed before the split
                                  "d@example.jp\tx\ty\r\n"        // second tab stays in the note
                                  "  e@example.jp \t  Hanako  \r\n"
                                  "\r\n"
                                  " \t \r\n"
                                  "example.org\n"                 // LF line end, domain entry
                                  "@example.net\r\n"              // "@" makes it an address entry
                                  "a@example.jp\tLast\r\n"        // duplicate: last note, first place
                                  "\x95\x5c\x83\x40@example.jp\t\x83\x40\x95\x5c");  // no line end
    EXPECT_EQ((std::vector<std::string>{"a@example.jp|Last", "b@example.jp|", "c@example.jp|", "d@example.jp|x\ty",
                                        "e@example.jp|Hanako", "example.org||D", "@example.net|",
                                        "\x95\x5c\x83\x40@example.jp|\x83\x40\x95\x5c"}),
              Rows(list));
}

TEST(WhiteListFile, OverlongFieldsAreCutOnCharacterBoundaries) {
    TempDir folder;
    std::string dbcsNote;
    for (int i = 0; i < 300; ++i) dbcsNote += "\x82\xa0";  // 600 bytes
    const WhiteList list = Loaded(folder, std::string(300, 'a') + "\t" + std::string(600, 'n') + "\r\n" + "x" +
                                              dbcsNote + "\t" + "y" + dbcsNote + "\r\n");
    ASSERT_EQ(2, list.Count());
    EXPECT_EQ(std::string(256, 'a'), list.EntryAt(0).address);
    EXPECT_EQ(std::string(512, 'n'), list.EntryAt(0).note);
    EXPECT_EQ(255u, list.EntryAt(1).address.size()) << "x and 127 whole characters";
    EXPECT_EQ(511u, list.EntryAt(1).note.size()) << "y and 255 whole characters";
}

TEST(WhiteListFile, LoadReplacesTheListAndAMissingFileEmptiesIt) {
    TempDir folder;
    WhiteList list = Loaded(folder, "first@example.jp\r\n");
    list.AddOrUpdate("added@example.jp", "");
    EXPECT_TRUE(list.Load(folder.File("WhiteList.txt").c_str()));
    EXPECT_EQ((std::vector<std::string>{"first@example.jp|"}), Rows(list));

    EXPECT_FALSE(list.Load(folder.File("missing.txt").c_str()));
    EXPECT_EQ(0, list.Count());
    list.AddOrUpdate("x@y", "");
    EXPECT_FALSE(list.Load(folder.Path().c_str())) << "a folder is no list file";
    EXPECT_EQ(0, list.Count());
    EXPECT_FALSE(list.Load(nullptr));
}

TEST(WhiteListFile, SaveWritesEveryEntryInAddressByteOrderWithCrLf) {
    TempDir folder;
    WhiteList list;
    list.AddOrUpdate("b@example.jp", "");
    list.AddOrUpdate("\x95\x5c@example.jp", "\x95\x5c");
    list.AddOrUpdate("B@example.jp", "Upper");
    list.AddOrUpdate("example.org", "domain note");
    const std::string path = folder.File("WhiteList.txt");
    ASSERT_TRUE(list.Save(path.c_str()));
    EXPECT_EQ("B@example.jp\tUpper\r\n"
              "b@example.jp\t\r\n"
              "example.org\tdomain note\r\n"
              "\x95\x5c@example.jp\t\x95\x5c\r\n",
              ReadBytes(path));
    EXPECT_FALSE(testing_files::Exists(path + ".tmp")) << "no temporary file is left behind";

    // Reading it back gives the same entries, now in file order.
    WhiteList reloaded;
    ASSERT_TRUE(reloaded.Load(path.c_str()));
    EXPECT_EQ((std::vector<std::string>{"B@example.jp|Upper", "b@example.jp|", "example.org|domain note|D",
                                        "\x95\x5c@example.jp|\x95\x5c"}),
              Rows(reloaded));

    WhiteList empty;
    ASSERT_TRUE(empty.Save(path.c_str()));
    EXPECT_EQ("", ReadBytes(path));
}

TEST(WhiteListFile, LineBreaksInsideFieldsCannotForgeEntries) {
    // A display name taken from a message may hold a line break; written as it is, the rest of
    // it would come back as an entry of its own at the next start.
    TempDir folder;
    WhiteList list;
    list.AddOrUpdate("a@example.jp", "Bob\r\nevil.example\tforged");
    list.AddOrUpdate("b\tc@example.jp", "tab\tnote");
    const std::string path = folder.File("WhiteList.txt");
    ASSERT_TRUE(list.Save(path.c_str()));
    WhiteList reloaded;
    ASSERT_TRUE(reloaded.Load(path.c_str()));
    EXPECT_EQ((std::vector<std::string>{"a@example.jp|Bob  evil.example\tforged", "b c@example.jp|tab\tnote"}),
              Rows(reloaded));
    EXPECT_FALSE(reloaded.Matches("x@evil.example"));
}

TEST(WhiteListFile, AFailedSaveKeepsTheOldFile) {
    TempDir folder;
    const std::string path = folder.File("WhiteList.txt");
    ASSERT_TRUE(WriteBytes(path, "old@example.jp\t\r\n"));
    WhiteList list;
    list.AddOrUpdate("new@example.jp", "");

    // The temporary file cannot be created: a folder of that name is in the way.
    ASSERT_TRUE(CreateDirectoryA((path + ".tmp").c_str(), nullptr));
    EXPECT_FALSE(list.Save(path.c_str()));
    EXPECT_EQ("old@example.jp\t\r\n", ReadBytes(path));
    RemoveDirectoryA((path + ".tmp").c_str());

    // The target cannot be replaced: it is a folder.
    const std::string folderTarget = folder.File("Target");
    ASSERT_TRUE(CreateDirectoryA(folderTarget.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(folderTarget + "\\keep.txt", "keep"));
    EXPECT_FALSE(list.Save(folderTarget.c_str()));
    EXPECT_EQ("keep", ReadBytes(folderTarget + "\\keep.txt"));
    EXPECT_FALSE(testing_files::Exists(folderTarget + ".tmp"));

    // A missing folder.
    EXPECT_FALSE(list.Save(folder.File("no\\such\\WhiteList.txt").c_str()));
    EXPECT_FALSE(list.Save(""));
    EXPECT_FALSE(list.Save(nullptr));
}

TEST(WhiteListFile, HostileFilesLoadWithoutHarm) {
    TempDir folder;
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) & 0xFF);
    WhiteList list = Loaded(folder, garbage);
    for (const WhiteListEntry& entry : list.Entries()) {
        EXPECT_FALSE(entry.address.empty());
        EXPECT_LE(entry.address.size(), 256u);
        EXPECT_LE(entry.note.size(), 512u);
        EXPECT_EQ(std::string::npos, entry.address.find('\n'));
    }

    // A NUL ends the line's text; a 1 MB line; a lead byte at the very end of the file.
    list = Loaded(folder, std::string("a@b\0c\td\r\n", 9) + std::string(1024 * 1024, 'z') + "\r\nq@r\t\x82");
    ASSERT_EQ(3, list.Count());
    EXPECT_EQ("a@b|", Rows(list)[0]);
    EXPECT_EQ(256u, list.EntryAt(1).address.size());
    EXPECT_EQ("q@r|\x82", Rows(list)[2]);

    list = Loaded(folder, "");
    EXPECT_EQ(0, list.Count());
    list = Loaded(folder, "\r\n\n\r\r\r\n");
    EXPECT_EQ(0, list.Count());
}

TEST(WhiteListMatch, AddressOrExactDomainLocalPartByteForByte) {
    WhiteList list;
    list.AddOrUpdate("friend@example.jp", "");
    list.AddOrUpdate("example.org", "");
    list.AddOrUpdate("@example.net", "");
    EXPECT_FALSE(list.EntryAt(2).isDomain) << "an entry with \"@\" is an address entry";

    EXPECT_TRUE(list.Matches("friend@example.jp"));
    EXPECT_FALSE(list.Matches("Friend@example.jp"));
    EXPECT_FALSE(list.Matches("other@example.jp"));
    EXPECT_TRUE(list.Matches("anyone@example.org"));
    EXPECT_TRUE(list.Matches("anyone@ example.org \t")) << "the domain is trimmed";
    EXPECT_FALSE(list.Matches("anyone@sub.example.org"));
    EXPECT_TRUE(list.Matches("anyone@EXAMPLE.Org")) << "domains have no case";
    EXPECT_TRUE(list.Matches("friend@Example.JP")) << "nor has an address entry's domain";
    EXPECT_FALSE(list.Matches("FRIEND@example.jp")) << "the local part is exact";
    EXPECT_FALSE(list.Matches("anyone@example.net"));
    EXPECT_FALSE(list.Matches(""));
    EXPECT_FALSE(list.Matches("anyone@"));
    EXPECT_TRUE(list.Contains("example.org"));
    EXPECT_FALSE(list.Contains("anyone@example.org"));
}

TEST(WhiteListMatch, DomainCaseIsFoldedForAsciiLettersOnly) {
    WhiteList list;
    // "ア" is 83 41: its trail byte is the code of "A", which must not be folded to "a" (83 61
    // is another character).
    list.AddOrUpdate("\x83\x41.example", "");
    list.AddOrUpdate("cs.Helsinki.FI", "");
    EXPECT_TRUE(list.Matches("x@\x83\x41.EXAMPLE"));
    EXPECT_FALSE(list.Matches("x@\x83\x61.example"));
    EXPECT_TRUE(list.Matches("torvalds@cs.helsinki.fi"));
    EXPECT_FALSE(list.Matches("torvalds@cs.helsinki.fi.evil")) << "still no suffix match";
    EXPECT_FALSE(list.Matches("torvalds@cs-helsinki.fi"));
    // Saving keeps the entries as entered.
    TempDir dir;
    ASSERT_TRUE(list.Save(dir.File("w.txt").c_str()));
    EXPECT_EQ("cs.Helsinki.FI\t\r\n\x83\x41.example\t\r\n", ReadBytes(dir.File("w.txt")));
}

TEST(WhiteListAdd, ANoteOnceSetIsNeverReplacedAndAnEmptyOneIsFilled) {
    WhiteList list;
    bool exists = true;
    EXPECT_TRUE(list.CanAdd("a@example.jp", &exists));
    EXPECT_FALSE(exists);
    list.AddOrUpdate("a@example.jp", "");

    EXPECT_TRUE(list.CanAdd("a@example.jp", &exists)) << "listed with an empty note";
    EXPECT_TRUE(exists);
    list.AddOrUpdate("a@example.jp", "Taro");
    EXPECT_FALSE(list.CanAdd("a@example.jp", &exists)) << "listed with a note";
    EXPECT_TRUE(exists);
    EXPECT_FALSE(list.CanAdd("a@example.jp", nullptr));

    // AddOrUpdate itself replaces the note and the type, and keeps the place.
    list.AddOrUpdate("b", "");
    list.AddOrUpdate("a@example.jp", "");
    EXPECT_EQ((std::vector<std::string>{"a@example.jp|", "b||D"}), Rows(list));
}

TEST(WhiteListOrder, IndexOperationsFollowTheDisplayOrder) {
    WhiteList list;
    list.AddOrUpdate("c", "");
    list.AddOrUpdate("a", "");
    list.AddOrUpdate("b", "");
    EXPECT_EQ((std::vector<std::string>{"c", "a", "b"}), list.Addresses());
    EXPECT_EQ(1, list.IndexOf("a"));
    EXPECT_EQ(-1, list.IndexOf("z"));

    for (int index : {-1, 3, 1000}) {
        const WhiteListEntry entry = list.EntryAt(index);
        EXPECT_EQ("", entry.address);
        EXPECT_EQ("", entry.note);
        EXPECT_FALSE(entry.isDomain);
        EXPECT_FALSE(list.RemoveAt(index));
    }
    EXPECT_EQ(3, list.Count());

    EXPECT_TRUE(list.RemoveAt(0));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), list.Addresses());
    list.Remove("z");
    list.Remove("a");
    EXPECT_EQ((std::vector<std::string>{"b"}), list.Addresses());
    EXPECT_FALSE(list.Contains("a"));
    list.Clear();
    EXPECT_EQ(0, list.Count());
    EXPECT_TRUE(list.Addresses().empty());
}

TEST(WhiteListSort, ColumnsCompareInTheirOrderAndDescendingInverts) {
    WhiteList list;
    list.AddOrUpdate("b@x", "2");
    list.AddOrUpdate("a.org", "3");
    list.AddOrUpdate("c@x", "1");
    list.AddOrUpdate("B.org", "1");
    list.AddOrUpdate("a@x", "");
    list.AddOrUpdate("ab@x", "1");

    EXPECT_EQ(WhiteList::kColumnType, list.SortColumn());
    EXPECT_TRUE(list.SortAscending());
    list.Sort();  // type (addresses first), then address bytes
    EXPECT_EQ((std::vector<std::string>{"a@x", "ab@x", "b@x", "c@x", "B.org", "a.org"}), list.Addresses());

    list.SetSortAscending(false);
    list.Sort();
    EXPECT_EQ((std::vector<std::string>{"a.org", "B.org", "c@x", "b@x", "ab@x", "a@x"}), list.Addresses());

    list.SetSortColumn(WhiteList::kColumnAddress);
    list.SetSortAscending(true);
    list.Sort();  // by bytes: "B" < "a", "." < "@" < "b"
    EXPECT_EQ((std::vector<std::string>{"B.org", "a.org", "a@x", "ab@x", "b@x", "c@x"}), list.Addresses());

    list.SetSortColumn(WhiteList::kColumnNote);
    list.Sort();  // note, then type, then address
    EXPECT_EQ((std::vector<std::string>{"a@x", "ab@x", "c@x", "B.org", "b@x", "a.org"}), list.Addresses());
    EXPECT_EQ(0, list.IndexOf("a@x"));
    EXPECT_EQ("a.org", list.EntryAt(5).address);

    list.SetSortColumn(7);
    EXPECT_EQ(WhiteList::kColumnType, list.SortColumn());
    list.SetSortColumn(-1);
    EXPECT_EQ(WhiteList::kColumnType, list.SortColumn());
}

TEST(WhiteListCopy, CopiesCarryEntriesOrderSortStateAndLock) {
    listtest::ScopedCriticalSection lock;
    WhiteList live;
    live.AddOrUpdate("z@x", "last");
    live.AddOrUpdate("a@x", "");
    live.SetSortColumn(WhiteList::kColumnNote);
    live.SetSortAscending(false);
    live.SetLock(lock.Get());

    // The settings sheet's way: copy, drop the copy's lock, edit, set the lock, assign back.
    WhiteList copy(live);
    EXPECT_EQ(lock.Get(), copy.Lock());
    EXPECT_EQ(live.Addresses(), copy.Addresses());
    EXPECT_EQ(WhiteList::kColumnNote, copy.SortColumn());
    EXPECT_FALSE(copy.SortAscending());
    copy.SetLock(nullptr);
    copy.AddOrUpdate("m@x", "new");
    EXPECT_FALSE(live.Contains("m@x")) << "the copy is independent";
    copy.SetSortColumn(WhiteList::kColumnAddress);
    copy.SetLock(lock.Get());
    live = copy;
    EXPECT_EQ((std::vector<std::string>{"z@x", "a@x", "m@x"}), live.Addresses());
    EXPECT_EQ(WhiteList::kColumnAddress, live.SortColumn());
    EXPECT_EQ(lock.Get(), live.Lock());

    WhiteList unlocked;
    unlocked = live;
    EXPECT_EQ(lock.Get(), unlocked.Lock());
    const WhiteList& self = live;
    live = self;
    EXPECT_EQ(3, live.Count());
}

TEST(WhiteListLock, EveryOperationWaitsForTheLockAndReentersIt) {
    listtest::ScopedCriticalSection lock;
    TempDir folder;
    const std::string path = folder.File("WhiteList.txt");
    WhiteList list;
    list.AddOrUpdate("a@x", "");
    list.SetLock(lock.Get());

    const std::vector<std::function<void()>> operations = {
        [&] { list.Load(path.c_str()); },        [&] { list.Save(path.c_str()); },
        [&] { list.Contains("a@x"); },           [&] { list.Matches("a@x"); },
        [&] { list.CanAdd("a@x", nullptr); },    [&] { list.AddOrUpdate("b@x", ""); },
        [&] { list.Remove("b@x"); },             [&] { list.RemoveAt(5); },
        [&] { list.EntryAt(0); },                [&] { list.IndexOf("a@x"); },
        [&] { list.Count(); },                   [&] { list.Sort(); },
        [&] { list.SortColumn(); },              [&] { list.SetSortColumn(1); },
        [&] { list.SortAscending(); },           [&] { list.SetSortAscending(true); },
        [&] { list.Addresses(); },               [&] { list.Entries(); },
        [&] { WhiteList copy(list); },           [&] { WhiteList other; other = list; },
        [&] { list.Clear(); },
    };
    for (size_t i = 0; i < operations.size(); ++i) {
        EXPECT_TRUE(listtest::WaitsForLock(lock.Get(), operations[i])) << "operation " << i;
    }

    // The lock is re-entrant: a caller that holds it may use the list.
    EnterCriticalSection(lock.Get());
    list.AddOrUpdate("c@x", "");
    EXPECT_TRUE(list.Matches("c@x"));
    LeaveCriticalSection(lock.Get());
}
