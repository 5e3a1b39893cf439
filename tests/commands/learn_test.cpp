// Training and the database commands.
#include <gtest/gtest.h>

#include "commands/CommandsFixture.h"
#include "resources/resource.h"

namespace {

using commands_test::BsfilterRun;
using commands_test::CommandsTest;
using commands_test::Message;
using commands_test::J;
using commands_test::Text;

const std::string kSpamFrom = "Spammer <bad@spam.example>";

class LearnTest : public CommandsTest {};

}  // namespace

TEST_F(LearnTest, MissingBsfilterStopsEveryBsfilterCommandBeforeAnything) {
    AddMessages(2);
    bsfilter.available = false;
    void(CALLBACK * handlers[])(HWND, LPARAM) = {CmdLearnAddSpam, CmdLearnAddClean, CmdLearnSubSpam, CmdLearnSubClean,
                                                 CmdUpdateDb,     CmdShowDbStatus,  CmdTreatAsSpam,  CmdJudgeAndAct,
                                                 CmdJudgeOne};
    for (auto handler : handlers) {
        Run(handler);
        auto boxes = host.TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, J("bsfilter が利用できません。\r\n設定を確認してください。"));
        EXPECT_EQ(boxes[0].caption, Text(IDS_BSFILTER_UNAVAILABLE_CAPTION));
    }
    EXPECT_TRUE(bsfilter.runs.empty());
    EXPECT_EQ(host.GetNextMailCalls(), 0);
    EXPECT_EQ(host.GetSourceCalls(), 0);
}

TEST_F(LearnTest, TrainsEachMessageThenUpdatesAndReportsWithStatus) {
    auto ids = AddMessages(3);
    Run(CmdLearnAddSpam);
    ASSERT_EQ(bsfilter.runs.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(bsfilter.runs[i].options, "--add-spam");
        EXPECT_EQ(bsfilter.runs[i].input, host.Source(ids[i]));
    }
    EXPECT_EQ(bsfilter.runs[3].options, "--update");
    EXPECT_FALSE(bsfilter.runs[3].hasInput);
    EXPECT_EQ(bsfilter.runs[4].options, "--show-db-status");
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, J("選択中のメールを学習 (--add-spam)"));
    EXPECT_EQ(boxes[0].text, J("選択中のメールを --add-spam した後、確率データベースを --update します。\r\n処理が終了するまで Becky! を操作しないでください。"));
    EXPECT_EQ(boxes[1].caption, J("学習結果"));
    EXPECT_EQ(boxes[1].text, J("3 通のメールを --add-spam して学習しました。\r\n\r\ndb status line 1\r\nline 2\r\n"));
    EXPECT_EQ(host.OutstandingSources(), 0);
}

TEST_F(LearnTest, FailedRunsAreNotCountedAndAllFailedSkipsTheUpdate) {
    AddMessages(5);
    bsfilter.result = [](const BsfilterRun& run) { return run.input.find("subject 2") != std::string::npos ||
                                                                  run.input.find("subject 4") != std::string::npos
                                                              ? 1 : 0; };
    Run(CmdLearnAddClean);
    EXPECT_EQ(bsfilter.RunsWith("--update").size(), 1u);
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text.substr(0, boxes[1].text.find("\r\n")), J("3 通のメールを --add-clean して学習しました。"));

    bsfilter.runs.clear();
    bsfilter.result = [](const BsfilterRun& run) { return run.hasInput ? -1 : 0; };
    Run(CmdLearnAddClean);
    EXPECT_TRUE(bsfilter.RunsWith("--update").empty());
    EXPECT_EQ(bsfilter.RunsWith("--show-db-status").size(), 1u);
    boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, J("0 通のメールを --add-clean して学習しました。\r\n\r\ndb status line 1\r\nline 2\r\n"));
}

TEST_F(LearnTest, FailedUpdateIsAnErrorEvenWithoutResultBoxes) {
    AddMessages(2);
    g_profile.SetDisableResultMsgbox(true);
    bsfilter.result = [](const BsfilterRun& run) { return run.options == "--update" ? 1 : 0; };
    Run(CmdLearnSubSpam);
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, J("メールの学習に失敗しました。"));
    EXPECT_EQ(boxes[1].caption, J("学習結果"));
    EXPECT_EQ(boxes[1].type, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_TRUE(bsfilter.RunsWith("--show-db-status").empty());
}

TEST_F(LearnTest, StatusIsFetchedAlsoWhenNoResultBoxIsShown) {
    AddMessages(1);
    g_profile.SetDisableResultMsgbox(true);
    g_profile.SetDisableBeforeMsgbox(true);
    Run(CmdLearnSubClean);
    EXPECT_TRUE(host.TakeBoxes().empty());
    EXPECT_EQ(bsfilter.RunsWith("--show-db-status").size(), 1u);
}

TEST_F(LearnTest, CleanTrainingRemovesTheSpamHeaderUnlessSwitchedOff) {
    host.AddMessage("a", Message("x <x@example.com>", "one", "X-Mirvane: spam\r\n"));
    host.AddMessage("b", Message("y <y@example.com>", "two", "X-Mirvane: spam\r\n"));
    host.Select({"a"});
    Run(CmdLearnAddClean);
    EXPECT_EQ(host.Source("a"), Message("x <x@example.com>", "one"));
    // Trained as spam: the header stays.
    host.Select({"b"});
    Run(CmdLearnAddSpam);
    EXPECT_EQ(host.Source("b"), Message("y <y@example.com>", "two", "X-Mirvane: spam\r\n"));
    // "--sub-spam" tidies like "--add-clean", unless "DontRemoveSpamHeader".
    g_profile.SetDontRemoveSpamHeader(true);
    Run(CmdLearnSubSpam);
    EXPECT_TRUE(host.CallsNamed("SetSource").size() == 1u);
    g_profile.SetDontRemoveSpamHeader(false);
    Run(CmdLearnSubSpam);
    EXPECT_EQ(host.Source("b"), Message("y <y@example.com>", "two"));
    // A run that fails does not tidy.
    host.AddMessage("c", Message("z <z@example.com>", "three", "X-Mirvane: spam\r\n"));
    host.Select({"c"});
    bsfilter.result = [](const BsfilterRun& run) { return run.hasInput ? 1 : 0; };
    Run(CmdLearnAddClean);
    EXPECT_EQ(host.Source("c"), Message("z <z@example.com>", "three", "X-Mirvane: spam\r\n"));
}

TEST_F(LearnTest, EmptyHeaderNameRemovesNothing) {
    host.AddMessage("a", Message("x <x@example.com>", "one", "X-: spam\r\nX-Mirvane: spam\r\n"));
    host.SelectAll();
    g_profile.SetSpamHeaderFieldName("");
    Run(CmdLearnAddClean);
    EXPECT_TRUE(host.CallsNamed("SetSource").empty());
    EXPECT_FALSE(RemoveSpamHeader("a", host.Source("a").c_str(), static_cast<DWORD>(host.Source("a").size())));
}

TEST_F(LearnTest, SpamTrainingTakesTheSenderOffTheWhiteListInMemory) {
    host.AddMessage("a", Message(kSpamFrom, "buy"));
    host.SelectAll();
    g_whiteList.AddOrUpdate("bad@spam.example", "note");
    g_whiteList.AddOrUpdate("spam.example", "");
    g_whiteList.AddOrUpdate("other@spam.example", "");
    g_whiteList.Save(g_whiteListPath);
    const std::string fileBefore = testing_files::ReadBytes(g_whiteListPath);

    Run(CmdLearnAddClean);  // clean training never touches the list
    EXPECT_EQ(g_whiteList.Count(), 3);
    Run(CmdLearnAddSpam);  // off by default
    EXPECT_EQ(g_whiteList.Count(), 3);

    g_profile.SetRemoveSpamFromWhiteList(true);
    Run(CmdLearnSubClean);
    EXPECT_FALSE(g_whiteList.Contains("bad@spam.example"));
    EXPECT_FALSE(g_whiteList.Contains("spam.example"));
    EXPECT_TRUE(g_whiteList.Contains("other@spam.example"));
    EXPECT_EQ(testing_files::ReadBytes(g_whiteListPath), fileBefore);
}

TEST_F(LearnTest, UpdateCommand) {
    Run(CmdUpdateDb);
    ASSERT_EQ(bsfilter.runs.size(), 2u);
    EXPECT_EQ(bsfilter.runs[0].options, "--update");
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, J("更新結果"));
    EXPECT_EQ(boxes[0].text, J("確率データベースを更新しました。\r\n\r\ndb status line 1\r\nline 2\r\n"));

    // A failed status run only leaves the report out.
    bsfilter.result = [](const BsfilterRun& run) { return run.options == "--show-db-status" ? 1 : 0; };
    Run(CmdUpdateDb);
    boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, J("確率データベースを更新しました。"));

    g_profile.SetDisableResultMsgbox(true);
    bsfilter.result = nullptr;
    Run(CmdUpdateDb);
    EXPECT_TRUE(host.TakeBoxes().empty());

    bsfilter.result = [](const BsfilterRun&) { return -1; };
    bsfilter.runs.clear();
    Run(CmdUpdateDb);
    boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, J("確率データベースの更新に失敗しました。"));
    EXPECT_EQ(bsfilter.runs.size(), 1u);  // no status after a failed update
}

TEST_F(LearnTest, ShowDbStatusAlwaysShowsItsBox) {
    g_profile.SetDisableResultMsgbox(true);
    bsfilter.output = "a\rb\nc";
    Run(CmdShowDbStatus);
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, J("データベースの状態"));
    EXPECT_EQ(boxes[0].text, J("データベースの状態を取得しました。\r\n\r\na\r\nb\r\nc"));

    bsfilter.result = [](const BsfilterRun&) { return 2; };
    Run(CmdShowDbStatus);
    boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, J("データベースの状態の取得に失敗しました。"));
}

TEST_F(LearnTest, CancelledTrainingStillUpdatesForWhatWasTrained) {
    AddMessages(6);
    host.CancelAfter(2);
    Run(CmdLearnAddSpam);
    EXPECT_EQ(bsfilter.RunsWith("--add-spam").size(), 2u);
    EXPECT_EQ(bsfilter.RunsWith("--update").size(), 1u);
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text.substr(0, boxes[1].text.find("\r\n")), J("2 通のメールを --add-spam して学習しました。"));
}
