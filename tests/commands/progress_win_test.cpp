// The real progress dialog on Windows: what it shows during a batch, Cancel and the close box,
// the wind-down state, and that a WM_QUIT met while the batch pumps reaches the host's loop.
#include <gtest/gtest.h>

#include "commands/Batch.h"
#include "commands/CommandsFixture.h"
#include "resources/resource.h"

namespace {

using commands_test::CommandsTest;
using commands_test::J;
using commands_test::Text;

HWND WaitForDialog() {
    CProgressDlg* dlg = g_progressDlg.load();
    if (dlg == nullptr) return nullptr;
    for (int i = 0; i < 1000 && dlg->hDlg.load() == nullptr; ++i) Sleep(10);
    return dlg->hDlg.load();
}

std::string ControlText(HWND dialog, int id) {
    char text[256] = {0};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

int BarPosition(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
}

// Waits (pumping) until the dialog thread has acted on what was posted to it.
bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        PumpMessages();
        Sleep(10);
    }
    return condition();
}

class ProgressDialogTest : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        g_profile.SetDisableBeforeMsgbox(true);
    }
};

}  // namespace

TEST_F(ProgressDialogTest, ShowsTitleCountsAndBarDuringTheBatch) {
    AddMessages(3);
    Batch batch(host.MainWindow(), "Title of the command");
    ASSERT_TRUE(batch.Begin("confirm"));
    std::vector<std::string> statuses;
    std::vector<int> positions;
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(host.MainWindow()));
    char caption[256] = {0};
    GetWindowTextA(dialog, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Title of the command");
    batch.Run([&](const char*, const char*, DWORD) {
        statuses.push_back(ControlText(dialog, IDC_PROGRESS_STATUS));
        positions.push_back(BarPosition(dialog));
    });
    EXPECT_EQ(statuses, (std::vector<std::string>{J("0 / 3 を処理中..."), J("1 / 3 を処理中..."), J("2 / 3 を処理中...")}));
    EXPECT_EQ(positions, (std::vector<int>{0, 33, 66}));
    EXPECT_EQ(ControlText(dialog, IDC_PROGRESS_STATUS), J("3 / 3 を処理中..."));
    EXPECT_EQ(BarPosition(dialog), 100);
    PBRANGE range = {};
    SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));

    batch.WindDown();
    EXPECT_EQ(ControlText(dialog, IDC_PROGRESS_STATUS), J("後処理中..."));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)); }));
    EXPECT_TRUE(IsWindow(dialog));

    batch.Finish();
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(g_progressDlg.load(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(host.MainWindow()));
}

TEST_F(ProgressDialogTest, CloseBoxAndEscOnlyAskToCancel) {
    AddMessages(1);
    Batch batch(host.MainWindow(), "t");
    ASSERT_TRUE(batch.Begin("c"));
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(batch.Progress()->Cancelled());
    EXPECT_TRUE(IsWindow(dialog));
    batch.Progress()->cancelled.store(false);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);  // what Esc sends
    EXPECT_TRUE(batch.Progress()->Cancelled());
    EXPECT_TRUE(IsWindow(dialog));
    batch.Finish();
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(ProgressDialogTest, QuitMetWhilePumpingReachesTheHostLoopAfterTheBatch) {
    AddMessages(2);
    PostQuitMessage(7);
    g_profile.SetDisableResultMsgbox(true);
    Run(CmdAddSenderToWhiteList);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(g_whiteList.Count(), 2);
}
