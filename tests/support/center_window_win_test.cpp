// CenterWindow with real windows: owners at the screen's edges, off it and larger than it; the
// centred window always ends inside the work area of the owner's monitor.
#include <gtest/gtest.h>

#include "support/Util.h"

namespace {

HWND MakeWindow(int x, int y, int width, int height) {
    return CreateWindowExA(0, "STATIC", "", WS_POPUP, x, y, width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

RECT WorkArea(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

}  // namespace

TEST(CenterWindow, KeepsTheWindowInsideTheWorkAreaOfTheOwnersMonitor) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(screenWidth, 600) << "needs a display";
    HWND window = MakeWindow(0, 0, 588, 300);
    ASSERT_NE(nullptr, window);
    struct Owner {
        int x, y, width, height;
        const char* where;
    };
    const Owner owners[] = {
        {20, 20, 640, 100, "near the top-left corner"},
        {-500, -400, 600, 450, "off the left and top edges"},
        {screenWidth - 100, screenHeight - 50, 640, 480, "over the right and bottom edges"},
        {-100, -100, screenWidth + 200, screenHeight + 200, "larger than the screen"},
    };
    for (const Owner& o : owners) {
        HWND owner = MakeWindow(o.x, o.y, o.width, o.height);
        ASSERT_NE(nullptr, owner) << o.where;
        CenterWindow(owner, window);
        RECT placed;
        ASSERT_TRUE(GetWindowRect(window, &placed));
        const RECT work = WorkArea(owner);
        EXPECT_EQ(588, placed.right - placed.left) << o.where << ": the size stays";
        EXPECT_GE(placed.left, work.left) << o.where;
        EXPECT_GE(placed.top, work.top) << o.where;
        EXPECT_LE(placed.right, work.right) << o.where;
        EXPECT_LE(placed.bottom, work.bottom) << o.where;
        DestroyWindow(owner);
    }

    // Taller than the work area: the title bar (the top edge) stays on the screen.
    HWND tall = MakeWindow(0, 0, 300, screenHeight + 300);
    HWND owner = MakeWindow(100, 100, 400, 300);
    CenterWindow(owner, tall);
    RECT placed;
    ASSERT_TRUE(GetWindowRect(tall, &placed));
    EXPECT_EQ(WorkArea(owner).top, placed.top);
    // The desktop as the reference: centred on the screen.
    CenterWindow(GetDesktopWindow(), window);
    ASSERT_TRUE(GetWindowRect(window, &placed));
    EXPECT_EQ((screenWidth - 588) / 2, placed.left);
    DestroyWindow(owner);
    DestroyWindow(tall);
    DestroyWindow(window);
}
