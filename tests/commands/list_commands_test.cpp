// Spam-header removal and the eight list commands.
#include <gtest/gtest.h>

#include "commands/CommandsFixture.h"
#include "resources/resource.h"

namespace {

using commands_test::CommandsTest;
using commands_test::Message;
using commands_test::J;
using commands_test::Text;

class ListCommandsTest : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        g_profile.SetDisableBeforeMsgbox(true);
    }
    // The count the result box reports.
    std::string ResultText() {
        auto boxes = host.TakeBoxes();
        return boxes.empty() ? std::string("(no box)") : boxes.back().text;
    }
};

}  // namespace

TEST_F(ListCommandsTest, AddingTheSameSenderTwiceCountsOnlyWhenTheNoteIsFilledIn) {
    host.AddMessage("a", Message("Taro <taro@example.com>", "one"));
    host.AddMessage("b", Message("Jiro <taro@example.com>", "two"));
    host.SelectAll();
    Run(CmdAddSenderToWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストに追加しました。"));
    EXPECT_EQ(g_whiteList.EntryAt(0).note, "Taro");  // the first note stays
    EXPECT_EQ(testing_files::ReadBytes(g_whiteListPath), "taro@example.com\tTaro\r\n");

    g_whiteList.Clear();
    host.AddMessage("c", Message("taro@example.com", "bare"));
    host.Select({"c"});
    Run(CmdAddSenderToWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストに追加しました。"));
    host.Select({"b"});
    Run(CmdAddSenderToWhiteList);  // an empty note gets filled in
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストに追加しました。"));
    EXPECT_EQ(g_whiteList.EntryAt(0).note, "Jiro");
    host.Select({"c"});
    Run(CmdAddSenderToWhiteList);  // a listed note is never replaced, not even by nothing
    EXPECT_EQ(ResultText(), J("0 通の差出人をホワイトリストに追加しました。"));
    EXPECT_EQ(g_whiteList.EntryAt(0).note, "Jiro");
}

TEST_F(ListCommandsTest, AFoldedFromGivesTheAddressWithoutItsLineBreak) {
    host.AddMessage("a", "From: friend@example.com\r\n (Friend)\r\nSubject: folded\r\n\r\nbody\r\n");
    host.SelectAll();
    Run(CmdAddSenderToWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストに追加しました。"));
    EXPECT_TRUE(g_whiteList.Contains("friend@example.com"));
    EXPECT_EQ(testing_files::ReadBytes(g_whiteListPath), "friend@example.com\tFriend\r\n");
    // Loaded again (as after a restart), the entry still matches the sender.
    ASSERT_TRUE(g_whiteList.Load(g_whiteListPath));
    EXPECT_TRUE(g_whiteList.Matches("friend@example.com"));
    Run(CmdAddSenderDomainToWhiteList);
    EXPECT_TRUE(g_whiteList.Contains("example.com"));
    Run(CmdRemoveSenderFromWhiteList);
    EXPECT_FALSE(g_whiteList.Contains("friend@example.com"));
}

TEST_F(ListCommandsTest, OwnAddressesAndDomainsAreNeverAdded) {
    host.AddMessage("a", Message("Me <me@home.example>", "self"));
    host.AddMessage("b", Message("Colleague <boss@home.example>", "work"));
    host.AddMessage("c", Message("", "no sender"));
    host.AddMessage("d", "Subject: no From at all\r\n\r\nbody\r\n");
    host.SelectAll();
    Run(CmdAddSenderToWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストに追加しました。"));
    EXPECT_TRUE(g_whiteList.Contains("boss@home.example"));
    EXPECT_FALSE(g_whiteList.Contains("me@home.example"));
    Run(CmdAddSenderDomainToWhiteList);
    EXPECT_EQ(ResultText(), J("0 通の差出人ドメインをホワイトリストに追加しました。"));
    EXPECT_FALSE(g_whiteList.Contains("home.example"));

    // The own domain spelt with other capitals is still the own domain.
    g_whiteList.Clear();
    host.AddMessage("e", Message("Me <me@Home.Example>", "self"));
    host.AddMessage("f", Message("Colleague <boss@HOME.example>", "work"));
    host.Select({"e", "f"});
    Run(CmdAddSenderToWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストに追加しました。"));
    EXPECT_FALSE(g_whiteList.Contains("me@Home.Example"));
    Run(CmdAddSenderDomainToWhiteList);
    EXPECT_EQ(ResultText(), J("0 通の差出人ドメインをホワイトリストに追加しました。"));
}

TEST_F(ListCommandsTest, DomainsAreAddedAndRemovedAsTheirOwnEntries) {
    host.AddMessage("a", Message("Shop <news@shop.example>", "sale"));
    host.SelectAll();
    g_whiteList.AddOrUpdate("news@shop.example", "");
    Run(CmdRemoveSenderDomainFromWhiteList);
    EXPECT_EQ(ResultText(), J("0 通の差出人ドメインをホワイトリストから削除しました。"));
    EXPECT_TRUE(g_whiteList.Contains("news@shop.example"));

    Run(CmdAddSenderDomainToWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人ドメインをホワイトリストに追加しました。"));
    EXPECT_EQ(g_whiteList.EntryAt(1).address, "shop.example");
    EXPECT_EQ(g_whiteList.EntryAt(1).note, "Shop");
    EXPECT_TRUE(g_whiteList.EntryAt(1).isDomain);

    Run(CmdRemoveSenderDomainFromWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人ドメインをホワイトリストから削除しました。"));
    EXPECT_FALSE(g_whiteList.Contains("shop.example"));
    Run(CmdRemoveSenderFromWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストから削除しました。"));
    EXPECT_EQ(g_whiteList.Count(), 0);
    EXPECT_EQ(testing_files::ReadBytes(g_whiteListPath), "");
}

TEST_F(ListCommandsTest, WordsFromSendersAndSubjects) {
    host.AddMessage("a", Message("Cheap Pills <pills@spam.example>", "  Buy now  "));
    host.AddMessage("b", Message("bare@spam.example", ""));
    host.SelectAll();
    Run(CmdRegisterSenderAsNgWord);
    EXPECT_EQ(ResultText(), J("1 通の差出人をNGワードに登録しました。"));
    Run(CmdRegisterSubjectAsNgWord);
    EXPECT_EQ(ResultText(), J("1 通の件名をNGワードに登録しました。"));
    ASSERT_EQ(g_ngWordList.Count(), 2);
    EXPECT_EQ(g_ngWordList.EntryAt(0).text, "Cheap Pills");
    EXPECT_EQ(g_ngWordList.EntryAt(0).target, 2);
    EXPECT_EQ(g_ngWordList.EntryAt(1).text, "Buy now");
    EXPECT_EQ(g_ngWordList.EntryAt(1).target, 1);
    EXPECT_EQ(testing_files::ReadBytes(g_ngWordListPath),
              "Buy now\tSubject\tText\tIgnoreCase\r\nCheap Pills\tFromname\tText\tIgnoreCase\r\n");

    // A subject equal to a registered sender word turns that entry into a subject word.
    host.AddMessage("c", Message("x <x@example.com>", "Cheap Pills"));
    host.Select({"c"});
    g_ngWordList.AddOrUpdate("Cheap Pills", 2, true, true);
    Run(CmdRegisterSubjectAsNgWord);
    EXPECT_EQ(ResultText(), J("1 通の件名をNGワードに登録しました。"));
    const WordEntry entry = g_ngWordList.EntryAt(g_ngWordList.IndexOf("Cheap Pills"));
    EXPECT_EQ(entry.target, 1);
    EXPECT_FALSE(entry.isRegex);
    EXPECT_FALSE(entry.caseSensitive);

    // The OK list gets its own words and file.
    Run(CmdRegisterSenderAsOkWord);
    Run(CmdRegisterSubjectAsOkWord);
    EXPECT_EQ(ResultText(), J("1 通の件名をOKワードに登録しました。"));
    EXPECT_EQ(g_okWordList.Count(), 2);
    EXPECT_EQ(testing_files::ReadBytes(g_okWordListPath),
              "Cheap Pills\tSubject\tText\tIgnoreCase\r\nx\tFromname\tText\tIgnoreCase\r\n");
}

TEST_F(ListCommandsTest, LongWordsAreCutToWholeCharacters) {
    EXPECT_EQ(WordFromText(std::string(600, 'a')), std::string(512, 'a'));
    EXPECT_EQ(WordFromText("  " + std::string(511, 'b') + " c"), std::string(511, 'b'));
    // 511 single bytes and then "表" (0x95 0x5C): the character would straddle byte 512.
    const std::string straddling = std::string(511, 'c') + "\x95\x5C" + "tail";
    EXPECT_EQ(WordFromText(straddling), std::string(511, 'c'));
    const std::string fitting = std::string(510, 'd') + "\x95\x5C" + "tail";
    EXPECT_EQ(WordFromText(fitting), std::string(510, 'd') + "\x95\x5C");
    EXPECT_EQ(WordFromText(" \t\r\n"), "");

    host.AddMessage("a", Message("x <x@example.com>", straddling));
    host.SelectAll();
    Run(CmdRegisterSubjectAsOkWord);
    EXPECT_TRUE(g_okWordList.Contains(std::string(511, 'c')));
}

TEST_F(ListCommandsTest, CancelledCommandKeepsWhatWasDoneAndSavesTheFile) {
    AddMessages(4);
    host.CancelAfter(1);
    Run(CmdAddSenderToWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストに追加しました。"));
    EXPECT_EQ(testing_files::ReadBytes(g_whiteListPath), "sender1@example.com\tSender 1\r\n");
}

TEST_F(ListCommandsTest, EveryListCommandSavesItsFileEvenWithNothingChanged) {
    host.AddMessage("a", "no header block at all");
    host.SelectAll();
    Run(CmdRemoveSenderFromWhiteList);
    EXPECT_TRUE(testing_files::Exists(g_whiteListPath));
    Run(CmdRegisterSenderAsNgWord);
    EXPECT_TRUE(testing_files::Exists(g_ngWordListPath));
    Run(CmdRegisterSubjectAsOkWord);
    EXPECT_TRUE(testing_files::Exists(g_okWordListPath));
    EXPECT_EQ(ResultText(), J("0 通の件名をOKワードに登録しました。"));
}

TEST_F(ListCommandsTest, RemoveSpamHeaderIgnoresDontRemoveSpamHeader) {
    host.AddMessage("a", Message("x <x@example.com>", "one", "X-Mirvane: spam\r\n\tfolded\r\n"));
    host.AddMessage("b", Message("y <y@example.com>", "two"));
    host.AddMessage("c", Message("z <z@example.com>", "three", "x-mirvane: spam\r\n"));
    host.SelectAll();
    g_profile.SetDontRemoveSpamHeader(true);
    g_profile.SetDisableBeforeMsgbox(false);
    Run(CmdRemoveSpamHeader);
    EXPECT_EQ(host.Source("a"), Message("x <x@example.com>", "one"));
    EXPECT_EQ(host.Source("c"), Message("z <z@example.com>", "three"));
    EXPECT_EQ(host.CallsNamed("SetSource").size(), 2u);
    EXPECT_TRUE(bsfilter.runs.empty());
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, J("選択中のメールの spam ヘッダを除去"));
    EXPECT_EQ(boxes[1].caption, J("spam ヘッダ除去結果"));
    EXPECT_EQ(boxes[1].text, J("3 通のうち 2 通から spam ヘッダを除きました。"));
}

TEST_F(ListCommandsTest, ListCommandsWorkWithoutBsfilter) {
    bsfilter.available = false;
    AddMessages(1);
    Run(CmdAddSenderToWhiteList);
    EXPECT_EQ(ResultText(), J("1 通の差出人をホワイトリストに追加しました。"));
    Run(CmdRemoveSpamHeader);
    EXPECT_EQ(ResultText(), J("1 通のうち 0 通から spam ヘッダを除きました。"));
}
