// The batch skeleton: confirmation, collection, progress, cancellation, wind-down, result.
// Driven through RunListCommand with test functions, which see the progress display from
// inside the batch.
#include <gtest/gtest.h>

#include "commands/Batch.h"
#include "commands/CommandsFixture.h"
#include "resources/resource.h"

namespace {

using commands_test::CommandsTest;
using commands_test::J;
using commands_test::Text;

// What the test's per-message and after functions saw.
struct Seen {
    std::vector<std::string> sources;
    int afterCalls = 0;
    int currentAtAfter = -1;
    int totalAtAfter = -1;
    bool progressAtAfter = false;
};
Seen g_seen;

int CountMessage(const char* source) {
    g_seen.sources.push_back(source);
    return 1;
}

void After() {
    ++g_seen.afterCalls;
    CProgressDlg* dlg = g_progressDlg.load();
    g_seen.progressAtAfter = dlg != nullptr;
    if (dlg != nullptr) {
        g_seen.currentAtAfter = dlg->current.load();
        g_seen.totalAtAfter = dlg->total;
    }
}

const ListCommand kTestCommand = {IDS_ADD_SENDER_CONFIRM, IDS_ADD_SENDER_TITLE, CountMessage, After,
                                  IDS_ADD_SENDER_RESULT, IDS_ADD_SENDER_CAPTION};

class BatchTest : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        g_seen = Seen();
    }
    void RunTestCommand() { RunListCommand(host.MainWindow(), kTestCommand); }
};

}  // namespace

TEST(ProgressPercent, TruncatesAndIsFullAtTheEnd) {
    EXPECT_EQ(ProgressPercent(0, 10), 0);
    EXPECT_EQ(ProgressPercent(3, 10), 30);
    EXPECT_EQ(ProgressPercent(9, 10), 90);
    EXPECT_EQ(ProgressPercent(10, 10), 100);
    EXPECT_EQ(ProgressPercent(11, 10), 100);
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(2, 3), 66);
    EXPECT_EQ(ProgressPercent(0, 0), 100);
    EXPECT_EQ(ProgressPercent(2000000000, 2100000000), 95);  // no overflow
}

TEST_F(BatchTest, SelectionIsCollectedInListOrder) {
    AddMessages(5);
    host.Select({"m4", "m2", "m5"});
    EXPECT_EQ(GetSelectedMailIds(), (std::vector<std::string>{"m2", "m4", "m5"}));
    host.Select({});
    EXPECT_TRUE(GetSelectedMailIds().empty());
}

TEST_F(BatchTest, ConfirmationAndResult) {
    AddMessages(3);
    RunTestCommand();
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, Text(IDS_ADD_SENDER_TITLE));
    EXPECT_EQ(boxes[0].text, Text(IDS_ADD_SENDER_CONFIRM));
    EXPECT_NE(boxes[0].text.find(J("処理が終了するまで Becky! を操作しないでください。")), std::string::npos);
    EXPECT_EQ(boxes[0].type & 0xF, static_cast<unsigned>(MB_OKCANCEL));
    EXPECT_EQ(boxes[1].caption, Text(IDS_ADD_SENDER_CAPTION));
    EXPECT_EQ(boxes[1].text, J("3 通の差出人をホワイトリストに追加しました。"));
    EXPECT_EQ(g_seen.sources.size(), 3u);
    EXPECT_EQ(g_seen.currentAtAfter, 3);
    EXPECT_EQ(host.OutstandingSources(), 0);
    EXPECT_EQ(g_progressDlg.load(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(host.MainWindow()));
}

TEST_F(BatchTest, CancelledConfirmationDoesNothing) {
    AddMessages(3);
    host.AnswerBoxes({IDCANCEL});
    RunTestCommand();
    EXPECT_EQ(host.TakeBoxes().size(), 1u);
    EXPECT_EQ(host.GetNextMailCalls(), 0);
    EXPECT_EQ(host.GetSourceCalls(), 0);
    EXPECT_EQ(g_seen.afterCalls, 0);
    EXPECT_EQ(g_progressDlg.load(), nullptr);
}

TEST_F(BatchTest, MessageBoxSwitches) {
    AddMessages(2);
    g_profile.SetDisableBeforeMsgbox(true);
    RunTestCommand();
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);  // only the result
    EXPECT_EQ(boxes[0].caption, Text(IDS_ADD_SENDER_CAPTION));
    EXPECT_EQ(g_seen.sources.size(), 2u);

    g_profile.SetDisableResultMsgbox(true);
    RunTestCommand();
    EXPECT_TRUE(host.TakeBoxes().empty());
    EXPECT_EQ(g_seen.afterCalls, 2);
}

TEST_F(BatchTest, CancelAfterTheThirdOfTen) {
    AddMessages(10);
    host.CancelAfter(3);
    RunTestCommand();
    EXPECT_EQ(g_seen.sources.size(), 3u);
    EXPECT_EQ(host.GetSourceCalls(), 3);
    // The after function still runs, while the display shows 3 of 10.
    EXPECT_EQ(g_seen.afterCalls, 1);
    EXPECT_TRUE(g_seen.progressAtAfter);
    EXPECT_EQ(g_seen.currentAtAfter, 3);
    EXPECT_EQ(g_seen.totalAtAfter, 10);
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, J("3 通の差出人をホワイトリストに追加しました。"));
    EXPECT_EQ(g_progressDlg.load(), nullptr);
}

TEST_F(BatchTest, MissingSourceIsPassedOverWithoutProgress) {
    AddMessages(10);
    host.MakeSourceMissing("m6");
    RunTestCommand();
    EXPECT_EQ(g_seen.sources.size(), 9u);
    EXPECT_EQ(g_seen.currentAtAfter, 9);
    EXPECT_EQ(g_seen.totalAtAfter, 10);
    EXPECT_EQ(ProgressPercent(g_seen.currentAtAfter, g_seen.totalAtAfter), 90);
    EXPECT_EQ(host.OutstandingSources(), 0);
}

TEST_F(BatchTest, EmptySelectionRunsWithTotalZero) {
    AddMessages(2);
    host.Select({});
    RunTestCommand();
    EXPECT_TRUE(g_seen.sources.empty());
    EXPECT_EQ(g_seen.afterCalls, 1);
    EXPECT_EQ(g_seen.totalAtAfter, 0);
    EXPECT_EQ(ProgressPercent(0, 0), 100);
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, J("0 通の差出人をホワイトリストに追加しました。"));
}

// A batch so short that it may be over before the dialog thread has made the dialog: the
// display must still be gone and g_progressDlg clear when the command returns, every time.
TEST_F(BatchTest, BatchEndingBeforeTheDialogExistsLeavesNothingBehind) {
    g_profile.SetDisableBeforeMsgbox(true);
    g_profile.SetDisableResultMsgbox(true);
    for (int i = 0; i < 25; ++i) {
        RunTestCommand();
        ASSERT_EQ(g_progressDlg.load(), nullptr);
        ASSERT_TRUE(IsWindowEnabled(host.MainWindow()));
    }
    EXPECT_EQ(g_seen.afterCalls, 25);
}

TEST_F(BatchTest, ForEachMailWithoutDisplayVisitsEveryMessage) {
    auto ids = AddMessages(4);
    host.MakeSourceMissing("m2");
    std::vector<std::string> visited;
    ForEachMail(ids, nullptr, [&](const char* id, const char* source, DWORD length) {
        visited.push_back(id);
        EXPECT_EQ(std::string(source).size(), length);
    });
    EXPECT_EQ(visited, (std::vector<std::string>{"m1", "m3", "m4"}));
    EXPECT_EQ(host.OutstandingSources(), 0);
}
