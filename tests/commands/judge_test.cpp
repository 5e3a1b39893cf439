// Treat as spam, judge and act, judge one, and the spam move folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "commands/CommandsFixture.h"
#include "resources/resource.h"

namespace {

using commands_test::BsfilterRun;
using commands_test::CommandsTest;
using commands_test::Message;
using commands_test::J;
using commands_test::Text;
using testing_host::HostCall;

class JudgeTest : public CommandsTest {
protected:
    // Names of the recorded calls, with the first argument, in order.
    std::vector<std::string> Trace() const {
        std::vector<std::string> trace;
        for (const HostCall& c : host.Calls()) trace.push_back(c.name + " " + (c.args.empty() ? "" : c.args[0]));
        return trace;
    }
    // bsfilter judges the messages whose subject holds "spam" as spam.
    void JudgeBySubject() {
        bsfilter.result = [](const BsfilterRun& run) {
            if (!run.hasInput) return 0;
            return run.input.find("Subject: spam") != std::string::npos ? 0 : 1;
        };
    }
};

}  // namespace

TEST_F(JudgeTest, SpamMoveFolder) {
    host.SetCurrentMailBox("box1");
    g_profile.SetProcessSpamMail(kGoTrash);
    EXPECT_EQ(GetSpamMoveFolder(), "box1\\!Trash\\");
    host.SetCurrentMailBox("box1\\");
    EXPECT_EQ(GetSpamMoveFolder(), "box1\\!Trash\\");

    g_profile.SetProcessSpamMail(kGoFolder);
    g_profile.SetSpamFolder("a\\b\\c\\");
    EXPECT_EQ(GetSpamMoveFolder(), "a\\b\\c\\");
    g_profile.SetGoFolderSameRelativeFolderPath(true);
    host.SetCurrentMailBox("m");
    EXPECT_EQ(GetSpamMoveFolder(), "m\\b\\c\\");
    host.SetCurrentMailBox("m\\");
    EXPECT_EQ(GetSpamMoveFolder(), "m\\b\\c\\");
    g_profile.SetSpamFolder("\\a\\b\\");
    EXPECT_EQ(GetSpamMoveFolder(), "\\a\\b\\");
    g_profile.SetSpamFolder("plain");
    EXPECT_EQ(GetSpamMoveFolder(), "plain");
    // "表" is 0x95 0x5C: its trail byte is no backslash.
    g_profile.SetSpamFolder("\x95\x5C" "box\\sub\\");
    EXPECT_EQ(GetSpamMoveFolder(), "m\\sub\\");
    g_profile.SetSpamFolder("");
    EXPECT_EQ(GetSpamMoveFolder(), "");

    g_profile.SetProcessSpamMail(kNoMove);
    EXPECT_EQ(GetSpamMoveFolder(), "");
    g_profile.SetProcessSpamMail(kAddHeader);
    EXPECT_EQ(GetSpamMoveFolder(), "");
}

TEST_F(JudgeTest, TreatAsSpamTrainsUpdatesAndMovesInOneCall) {
    AddMessages(3);
    host.SetCurrentMailBox("box1");
    Run(CmdTreatAsSpam);
    EXPECT_EQ(bsfilter.RunsWith("--add-spam").size(), 3u);
    EXPECT_EQ(bsfilter.RunsWith("--update").size(), 1u);
    auto moves = host.CallsNamed("MoveMessages");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].args, (std::vector<std::string>{"box1\\!Trash\\", "m1|m2|m3", "0"}));
    EXPECT_TRUE(host.CallsNamed("SetStatus").empty());
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, J("選択中のメールを spam 処置"));
    EXPECT_EQ(boxes[1].caption, J("spam 処置結果"));
    EXPECT_EQ(boxes[1].text, J("3 通のうち 3 通を spam として学習しました。"));
}

TEST_F(JudgeTest, TreatAsSpamCancelledAfterTwoOfFive) {
    AddMessages(5);
    g_profile.SetSetReadToSpamMail(true);
    host.CancelAfter(2);
    Run(CmdTreatAsSpam);
    EXPECT_EQ(bsfilter.RunsWith("--add-spam").size(), 2u);
    auto status = host.CallsNamed("SetStatus");
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0].args, (std::vector<std::string>{"m1", "1", "0"}));
    EXPECT_EQ(status[1].args[0], "m2");
    auto moves = host.CallsNamed("MoveMessages");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].args[1], "m1|m2");
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, J("5 通のうち 2 通を spam として学習しました。"));
}

TEST_F(JudgeTest, TreatAsSpamActsOnFailedTrainingsButNotAfterAFailedUpdate) {
    AddMessages(3);
    g_profile.SetProcessSpamMail(kGoFolder);
    g_profile.SetSpamFolder("box1\\spam\\");
    bsfilter.result = [](const BsfilterRun& run) { return run.input.find("subject 2") != std::string::npos ? 1 : 0; };
    Run(CmdTreatAsSpam);
    auto moves = host.CallsNamed("MoveMessages");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].args[0], "box1\\spam\\");
    EXPECT_EQ(moves[0].args[1], "m1|m2|m3");
    EXPECT_EQ(host.TakeBoxes()[1].text, J("3 通のうち 2 通を spam として学習しました。"));

    host.ClearCalls();
    g_profile.SetDisableResultMsgbox(true);
    bsfilter.result = [](const BsfilterRun& run) { return run.options == "--update" ? 1 : 0; };
    Run(CmdTreatAsSpam);
    EXPECT_TRUE(host.CallsNamed("MoveMessages").empty());
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text.substr(0, boxes[1].text.find("\r\n")),
              J("3 通のメールを --add-spam して学習しましたが、確率データベースの更新 (--update) に失敗しました。"));
    EXPECT_EQ(boxes[1].caption, J("spam 処置結果"));
    EXPECT_EQ(g_progressDlg.load(), nullptr);

    // Nothing trained: no update and still the action; an empty folder moves nothing.
    host.ClearCalls();
    bsfilter.runs.clear();
    bsfilter.result = [](const BsfilterRun& run) { return run.hasInput ? 1 : 0; };
    g_profile.SetSpamFolder("");
    Run(CmdTreatAsSpam);
    EXPECT_TRUE(bsfilter.RunsWith("--update").empty());
    EXPECT_TRUE(host.CallsNamed("MoveMessages").empty());
}

TEST_F(JudgeTest, TreatAsSpamWithAddHeaderSelectsTheProcessedAndFilters) {
    AddMessages(4);
    host.MakeSourceMissing("m3");
    host.AddMessage("m5", Message("a <a@example.com>", "already", "X-Mirvane: spam\r\n"));
    host.SelectAll();
    g_profile.SetProcessSpamMail(kAddHeader);
    Run(CmdTreatAsSpam);
    EXPECT_EQ(host.Source("m1").substr(0, 17), "X-Mirvane: spam\r\n");
    EXPECT_EQ(host.Source("m5"), Message("a <a@example.com>", "already", "X-Mirvane: spam\r\n"));
    EXPECT_EQ(host.SelectedIds(), (std::vector<std::string>{"m1", "m2", "m4", "m5"}));
    EXPECT_EQ(Trace().back(), "Command FilterSelected");
    EXPECT_TRUE(host.CallsNamed("MoveMessages").empty());
    EXPECT_EQ(host.OutstandingSources(), 0);
    // The sources were rewritten before the selection changed and the filter ran.
    auto trace = Trace();
    size_t lastSource = 0;
    size_t firstSel = trace.size();
    for (size_t i = 0; i < trace.size(); ++i) {
        if (trace[i].rfind("SetSource", 0) == 0) lastSource = i;
        if (trace[i].rfind("SetSel", 0) == 0 && firstSel == trace.size()) firstSel = i;
    }
    EXPECT_LT(lastSource, firstSel);
}

TEST_F(JudgeTest, JudgeAndActMovesSpamAndFiltersTheClean) {
    host.AddMessage("a", Message("x <x@example.com>", "spam one"));
    host.AddMessage("b", Message("y <y@example.com>", "ham", "X-Mirvane: spam\r\n"));
    host.AddMessage("c", Message("z <z@example.com>", "spam two"));
    host.AddMessage("d", Message("w <w@example.com>", "no verdict", "X-Mirvane: spam\r\n"));
    host.SelectAll();
    JudgeBySubject();
    bsfilter.result = [inner = bsfilter.result](const BsfilterRun& run) {
        return run.input.find("no verdict") != std::string::npos ? -1 : inner(run);
    };
    host.SetCurrentMailBox("box1\\");
    Run(CmdJudgeAndAct);
    EXPECT_EQ(bsfilter.runs.size(), 4u);
    EXPECT_EQ(bsfilter.runs[0].options, "");
    auto moves = host.CallsNamed("MoveMessages");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].args, (std::vector<std::string>{"box1\\!Trash\\", "a|c", "0"}));
    EXPECT_EQ(host.SelectedIds(), (std::vector<std::string>{"b", "d"}));
    EXPECT_EQ(host.Source("b"), Message("y <y@example.com>", "ham"));
    // No verdict (a failed run) is no reason to take the spam mark off.
    EXPECT_EQ(host.Source("d"), Message("w <w@example.com>", "no verdict", "X-Mirvane: spam\r\n"));
    auto trace = Trace();
    EXPECT_EQ(trace.back(), "Command FilterSelected");
    // Spam is deselected before it is moved.
    auto deselect = std::find(trace.begin(), trace.end(), "SetSel a");
    auto move = std::find(trace.begin(), trace.end(), "MoveMessages box1\\!Trash\\");
    EXPECT_LT(deselect - trace.begin(), move - trace.begin());
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].caption, J("判定・処置結果"));
    EXPECT_EQ(boxes[1].text, J("4 通のうち 2 通が spam と判定されました。"));
}

TEST_F(JudgeTest, JudgeAndActWithAddHeaderKeepsAllJudgedSelected) {
    host.AddMessage("a", Message("x <x@example.com>", "spam one"));
    host.AddMessage("b", Message("y <y@example.com>", "ham"));
    host.AddMessage("c", Message("z <z@example.com>", "spam two", "X-Mirvane: spam\r\n"));
    host.SelectAll();
    JudgeBySubject();
    g_profile.SetProcessSpamMail(kAddHeader);
    g_profile.SetDontRemoveSpamHeader(true);
    Run(CmdJudgeAndAct);
    EXPECT_EQ(host.SelectedIds(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(host.Source("a").substr(0, 17), "X-Mirvane: spam\r\n");
    EXPECT_EQ(host.Source("b"), Message("y <y@example.com>", "ham"));
    // Already marked: no second field.
    EXPECT_EQ(host.Source("c"), Message("z <z@example.com>", "spam two", "X-Mirvane: spam\r\n"));
    auto sets = host.CallsNamed("SetSource");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].args[0], "a");
    EXPECT_EQ(Trace().back(), "Command FilterSelected");
    EXPECT_TRUE(host.CallsNamed("MoveMessages").empty());
}

TEST_F(JudgeTest, JudgeAndActWithNoMoveOnlyMarksSpamRead) {
    host.AddMessage("a", Message("Spammer <bad@spam.example>", "spam one"));
    host.AddMessage("b", Message("y <y@example.com>", "ham"));
    host.SelectAll();
    JudgeBySubject();
    g_profile.SetProcessSpamMail(kNoMove);
    g_profile.SetSetReadToSpamMail(true);
    g_profile.SetRemoveSpamFromWhiteList(true);
    g_whiteList.AddOrUpdate("spam.example", "");
    Run(CmdJudgeAndAct);
    auto status = host.CallsNamed("SetStatus");
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].args[0], "a");
    EXPECT_TRUE(host.CallsNamed("MoveMessages").empty());
    EXPECT_EQ(host.SelectedIds(), (std::vector<std::string>{"b"}));
    EXPECT_FALSE(g_whiteList.Contains("spam.example"));
}

TEST_F(JudgeTest, JudgeOneShowsTheVerdictAndChangesNothing) {
    host.AddMessage("a", Message("x <x@example.com>", "one"));
    host.SetCurrentMessage("a");
    g_profile.SetDisableResultMsgbox(true);
    bsfilter.output = "score 0.99\nspam\n";
    const std::pair<int, std::string> cases[] = {
        {0, J("spam と判定されました。")}, {1, J("clean と判定されました。")}, {-1, J("判定結果の取得に失敗しました。")}, {3, J("判定結果の取得に失敗しました。")}};
    for (const auto& c : cases) {
        bsfilter.result = [&](const BsfilterRun&) { return c.first; };
        Run(CmdJudgeOne);
        auto boxes = host.TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, J("判定結果"));
        EXPECT_EQ(boxes[0].text, c.second + "\r\n\r\nscore 0.99\r\nspam\r\n");
    }
    EXPECT_EQ(bsfilter.runs.back().input, host.Source("a"));
    EXPECT_EQ(bsfilter.runs.back().options, "");
    EXPECT_TRUE(host.Calls().empty());
    EXPECT_EQ(host.OutstandingSources(), 0);

    host.SetCurrentMessage("");
    Run(CmdJudgeOne);
    EXPECT_TRUE(host.TakeBoxes().empty());
}

TEST_F(JudgeTest, AddSpamHeaderNeedsNameAndBodyAndNoExistingField) {
    const std::string plain = Message("x <x@example.com>", "one");
    EXPECT_TRUE(AddSpamHeader("a", plain.c_str(), static_cast<DWORD>(plain.size())));
    auto sets = host.CallsNamed("SetSource");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].args[1], "X-Mirvane: spam\r\n" + plain);

    const std::string marked = Message("x <x@example.com>", "one", "x-mirvane: yes\r\n");
    EXPECT_FALSE(AddSpamHeader("a", marked.c_str(), static_cast<DWORD>(marked.size())));
    g_profile.SetSpamHeaderFieldBody("");
    EXPECT_FALSE(AddSpamHeader("a", plain.c_str(), static_cast<DWORD>(plain.size())));
    g_profile.SetSpamHeaderFieldBody("spam");
    g_profile.SetSpamHeaderFieldName("");
    EXPECT_FALSE(AddSpamHeader("a", plain.c_str(), static_cast<DWORD>(plain.size())));
    EXPECT_EQ(host.CallsNamed("SetSource").size(), 1u);
}
