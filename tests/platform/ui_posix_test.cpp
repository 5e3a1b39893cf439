// The user-interface stand-ins of the POSIX side: window states, cursors, the empty message
// queue, and message boxes with and without a registered hook. What reaches the console is
// seen in the test child (tests/platform/child), which registers its hook when told to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ui_hooks.h"
#include "support/Util.h"

namespace {

std::string ChildPath() {
    std::string path = MIRVANE_BINARY_DIR "/bin/platform-test-child";
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

// Runs the child's "msgbox" mode and returns what it wrote to standard output and error.
std::string MessageBoxInChild(const std::string& arguments, DWORD* exitCode) {
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    EXPECT_TRUE(CreatePipe(&read, &write, &inherit, 0));
    std::string line = "\"" + ChildPath() + "\" msgbox " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION info = {};
    EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(write);  // the child's copies are the only writers now: end of file when it ends
    std::string output;
    char buffer[512];
    DWORD n = 0;
    while (ReadFile(read, buffer, sizeof(buffer), &n, nullptr)) output.append(buffer, n);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 5000));
    GetExitCodeProcess(info.hProcess, exitCode);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    CloseHandle(read);
    return output;
}

}  // namespace

TEST(PlatformUiPosix, MessageBoxesGoToTheHookOrTheConsole) {
    DWORD code = 0;
    // The hook answers: nothing printed, its answer returned.
    EXPECT_EQ("hook [caption] text 0x24\nresult 7\n", MessageBoxInChild("0x24 7", &code));
    // The hook declines (0): printed in UTF-8 to standard error, the default button returned.
    EXPECT_EQ("hook [caption] text 0x24\n[\xE7\xA2\xBA\xE8\xAA\x8D] \xE6\x9C\xAC\xE6\x96\x87\nresult 6\n",
              MessageBoxInChild("0x24 0 japanese", &code));
    EXPECT_EQ("hook [caption] text 0x1\n[\xE7\xA2\xBA\xE8\xAA\x8D] \xE6\x9C\xAC\xE6\x96\x87\nresult 1\n",
              MessageBoxInChild("0x1 0 japanese", &code));
    EXPECT_EQ("hook [caption] text 0x3\n[\xE7\xA2\xBA\xE8\xAA\x8D] \xE6\x9C\xAC\xE6\x96\x87\nresult 6\n",
              MessageBoxInChild("0x3 0 japanese", &code));
    EXPECT_EQ("hook [caption] text 0x40\n[\xE7\xA2\xBA\xE8\xAA\x8D] \xE6\x9C\xAC\xE6\x96\x87\nresult 1\n",
              MessageBoxInChild("0x40 0 japanese", &code));
    // Nothing registered: the console and the default button.
    EXPECT_EQ("[plain caption] plain text\nresult 4\n", MessageBoxInChild("0x5 none", &code));
}

namespace {
int g_hookCalls = 0;
int AnswerNo(HWND, const char*, const char*, unsigned) {
    ++g_hookCalls;
    return IDNO;
}
int CancelAtThree(int current, int) { return current == 3 ? 1 : 0; }
}  // namespace

TEST(PlatformUiPosix, HooksAreRegisteredAndRemovedByTheProgram) {
    const PlatformMessageBoxHookProc before = SetMessageBoxHook(AnswerNo);
    const PlatformProgressHookProc progressBefore = SetProgressHook(CancelAtThree);
    g_hookCalls = 0;
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "text", "caption", MB_YESNO));
    EXPECT_EQ(1, g_hookCalls);
    ASSERT_EQ(&CancelAtThree, GetProgressHook());
    EXPECT_EQ(1, GetProgressHook()(3, 5));
    EXPECT_EQ(0, GetProgressHook()(2, 5));

    // Removed: the default button again, and the previous registration handed back.
    EXPECT_EQ(&AnswerNo, SetMessageBoxHook(nullptr));
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, "text", "caption", MB_YESNO));
    EXPECT_EQ(1, g_hookCalls);
    EXPECT_EQ(&CancelAtThree, SetProgressHook(nullptr));
    EXPECT_EQ(nullptr, GetProgressHook());
    SetMessageBoxHook(before);
    SetProgressHook(progressBefore);
}

TEST(PlatformUiPosix, WindowStatesCursorsAndMessages) {
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    HWND other = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5678));
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_FALSE(EnableWindow(window, FALSE));  // it was enabled
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_TRUE(EnableWindow(window, FALSE));  // it was disabled
    EXPECT_TRUE(EnableWindow(window, TRUE));
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_FALSE(IsWindowEnabled(nullptr));

    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_NE(wait, arrow);
    HCURSOR previous = SetCursor(wait);
    EXPECT_NE(nullptr, previous);
    EXPECT_EQ(wait, SetCursor(previous));
    {
        WaitCursor scope;
        EXPECT_EQ(wait, SetCursor(wait));
    }
    EXPECT_EQ(previous, SetCursor(previous));

    MSG message = {};
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}
