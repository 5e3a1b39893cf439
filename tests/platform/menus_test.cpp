// Menus through the platform seam: the in-memory model of the POSIX side answers as Win32
// does (checked under Wine), so the host program can build and walk the context menu.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

std::string Text(HMENU menu, UINT item, UINT flags) {
    char buffer[64] = {0};
    const int n = GetMenuStringA(menu, item, buffer, sizeof(buffer), flags);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

TEST(PlatformMenus, InsertByPositionAppendsPastTheEnd) {
    HMENU menu = CreatePopupMenu();
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(0, GetMenuItemCount(menu));
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 10, "first"));
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 30, "third"));
    EXPECT_TRUE(InsertMenuA(menu, 1, MF_BYPOSITION | MF_STRING, 20, "second"));
    EXPECT_TRUE(InsertMenuA(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, 40, "last"));
    EXPECT_TRUE(InsertMenuA(menu, 99, MF_BYPOSITION | MF_STRING, 50, "beyond"));
    ASSERT_EQ(6, GetMenuItemCount(menu));
    EXPECT_EQ(10u, GetMenuItemID(menu, 1));
    EXPECT_EQ(20u, GetMenuItemID(menu, 2));
    EXPECT_EQ(30u, GetMenuItemID(menu, 3));
    EXPECT_EQ(40u, GetMenuItemID(menu, 4));
    EXPECT_EQ(50u, GetMenuItemID(menu, 5));
    EXPECT_EQ(0xFFFFFFFFu, GetMenuItemID(menu, 6));
    EXPECT_EQ("second", Text(menu, 2, MF_BYPOSITION));
    EXPECT_EQ("second", Text(menu, 20, MF_BYCOMMAND));
    EXPECT_NE(0u, GetMenuState(menu, 0, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(0xFFFFFFFFu, GetMenuState(menu, 77, MF_BYCOMMAND));
    // Cut to the buffer.
    char small[4];
    EXPECT_EQ(3, GetMenuStringA(menu, 20, small, sizeof(small), MF_BYCOMMAND));
    EXPECT_EQ("sec", std::string(small, 3));
    EXPECT_TRUE(DestroyMenu(menu));
}

TEST(PlatformMenus, SubmenusStatesAndSearchesByCommand) {
    HMENU host = CreatePopupMenu();
    AppendMenuA(host, MF_STRING, 1, "host item");
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 2002, "\x83\x81\x81\x5B\x83\x8B");  // "メール"
    AppendMenuA(sub, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(sub, MF_STRING | MF_GRAYED, 2009, "--update");
    ASSERT_TRUE(InsertMenuA(host, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "bsfilter (Mirvane)"));
    ASSERT_EQ(2, GetMenuItemCount(host));
    EXPECT_EQ(sub, GetSubMenu(host, 0));
    EXPECT_EQ(nullptr, GetSubMenu(host, 1));
    EXPECT_EQ(0xFFFFFFFFu, GetMenuItemID(host, 0));  // a submenu has no command id
    EXPECT_EQ("bsfilter (Mirvane)", Text(host, 0, MF_BYPOSITION));
    const UINT state = GetMenuState(host, 0, MF_BYPOSITION);
    EXPECT_NE(0u, state & MF_POPUP);
    EXPECT_EQ(3u, state >> 8);  // the submenu's item count

    // By command, the search goes into submenus.
    EXPECT_EQ("--update", Text(host, 2009, MF_BYCOMMAND));
    EXPECT_NE(0u, GetMenuState(host, 2009, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(static_cast<BOOL>(MF_GRAYED), EnableMenuItem(host, 2009, MF_BYCOMMAND | MF_ENABLED));
    EXPECT_EQ(0u, GetMenuState(sub, 2, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(static_cast<BOOL>(MF_ENABLED), EnableMenuItem(sub, 0, MF_BYPOSITION | MF_GRAYED));
    EXPECT_NE(0u, GetMenuState(sub, 2002, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(-1, EnableMenuItem(host, 4242, MF_BYCOMMAND | MF_GRAYED));
    // Inserting before a command, found in the submenu.
    EXPECT_TRUE(InsertMenuA(host, 2009, MF_BYCOMMAND | MF_STRING, 2008, "before update"));
    EXPECT_EQ(4, GetMenuItemCount(sub));
    EXPECT_EQ(2008u, GetMenuItemID(sub, 2));

    EXPECT_TRUE(DestroyMenu(host));  // takes the submenu with it
}
