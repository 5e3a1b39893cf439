// Thread hand-over of the POSIX stand-in: when a wait on a thread returns, the thread has left
// entirely (its reference to the shared state and its thread-local objects are gone), so a
// leak check right after the wait finds nothing of it.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/platform.h"

namespace {

// Set in a thread; its destructor runs as the thread leaves, after the start routine has
// returned and "finished" has been signalled, and marks that moment late on purpose.
struct LeaveMark {
    std::atomic<bool>* left = nullptr;
    ~LeaveMark() {
        if (left == nullptr) return;
        Sleep(50);
        left->store(true);
    }
};
thread_local LeaveMark t_leaveMark;

DWORD WINAPI MarkLeavingThread(LPVOID parameter) {
    t_leaveMark.left = static_cast<std::atomic<bool>*>(parameter);
    return 7;
}

TEST(PlatformThreadsPosix, AWaitReturnsOnlyOnceTheThreadHasLeft) {
    for (DWORD timeout : {INFINITE, 10000ul}) {
        std::atomic<bool> left(false);
        HANDLE thread = CreateThread(nullptr, 0, MarkLeavingThread, &left, 0, nullptr);
        ASSERT_NE(nullptr, thread);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, timeout));
        EXPECT_TRUE(left.load()) << "the waiter returned while the thread was still leaving";
        // A second wait, and the exit code, after the join.
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeThread(thread, &code));
        EXPECT_EQ(7u, code);
        EXPECT_TRUE(CloseHandle(thread));
    }
}

}  // namespace
