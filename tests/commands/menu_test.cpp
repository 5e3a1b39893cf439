// The context menu: where the submenu goes, what it holds, and the selection state callback.
#include <gtest/gtest.h>

#include "commands/Menu.h"
#include "commands/CommandsFixture.h"
#include "resources/resource.h"

namespace {

using commands_test::CommandsTest;
using commands_test::J;
using commands_test::Text;

// What one item of a menu is, as a short text: "-" a separator, ">title" a submenu, else its text.
std::string ItemAt(HMENU menu, int position) {
    char text[256] = {0};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
    // A popup's state carries its item count in the high byte: test for the submenu first.
    if (GetSubMenu(menu, position) != nullptr) return std::string(">") + text;
    const UINT state = GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION);
    if (state & MF_SEPARATOR) return "-";
    return text;
}

std::vector<std::string> Items(HMENU menu) {
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) items.push_back(ItemAt(menu, i));
    return items;
}

class MenuTest : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        menu = CreatePopupMenu();
        for (int i = 0; i < 6; ++i) AppendMenuA(menu, MF_STRING, 100 + i, ("host " + std::to_string(i)).c_str());
    }
    void TearDown() override {
        DestroyMenu(menu);
        CommandsTest::TearDown();
    }
    void Place(int where, int position, bool upper, bool lower) {
        g_contextMenuProfile.SetContextMenuPosition(where);
        g_contextMenuProfile.SetMenuPosition(position);
        g_contextMenuProfile.SetUpperSeparator(upper);
        g_contextMenuProfile.SetLowerSeparator(lower);
        EXPECT_EQ(OnMenuInit(host.MainWindow(), menu, 1), 0);
    }
    HMENU menu = nullptr;
};

const std::string kTitle = ">bsfilter (Mirvane)";

}  // namespace

TEST_F(MenuTest, OtherMenuTypesAreLeftAlone) {
    EXPECT_EQ(OnMenuInit(host.MainWindow(), menu, 0), 0);
    EXPECT_EQ(OnMenuInit(host.MainWindow(), menu, 2), 0);
    EXPECT_EQ(GetMenuItemCount(menu), 6);
    EXPECT_TRUE(host.Commands().empty());
}

TEST_F(MenuTest, PlacementFollowsTheSettings) {
    Place(kMenuTop, 0, false, true);
    EXPECT_EQ(Items(menu), (std::vector<std::string>{kTitle, "-", "host 0", "host 1", "host 2", "host 3", "host 4", "host 5"}));
}

TEST_F(MenuTest, PositionThreeWithBothSeparators) {
    Place(kMenuPosition, 3, true, true);
    EXPECT_EQ(Items(menu), (std::vector<std::string>{"host 0", "host 1", "host 2", "-", kTitle, "-", "host 3", "host 4", "host 5"}));
}

TEST_F(MenuTest, BottomWithoutSeparatorsAppendsOnlyTheSubmenu) {
    Place(kMenuBottom, 0, false, false);
    EXPECT_EQ(Items(menu), (std::vector<std::string>{"host 0", "host 1", "host 2", "host 3", "host 4", "host 5", kTitle}));
}

TEST_F(MenuTest, TopWithBothSeparatorsAndOutOfRangePositions) {
    Place(kMenuTop, 0, true, true);
    EXPECT_EQ(Items(menu)[0], "-");
    EXPECT_EQ(Items(menu)[1], kTitle);
    EXPECT_EQ(Items(menu)[2], "-");
    EXPECT_EQ(Items(menu)[3], "host 0");
}

TEST_F(MenuTest, NegativeOrTooLargePositionGoesToTheEnd) {
    Place(kMenuPosition, -4, true, false);
    std::vector<std::string> items = Items(menu);
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(items[6], "-");
    EXPECT_EQ(items[7], kTitle);

    DestroyMenu(menu);
    menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 100, "host 0");
    Place(kMenuPosition, 50, false, true);
    EXPECT_EQ(Items(menu), (std::vector<std::string>{"host 0", kTitle, "-"}));
}

TEST_F(MenuTest, SubmenuHoldsTheEighteenCommandsInTableOrder) {
    Place(kMenuBottom, 0, false, false);
    HMENU submenu = GetSubMenu(menu, 6);
    ASSERT_NE(submenu, nullptr);
    std::vector<std::string> expected;
    const UINT layout[] = {2002, 2003, 0, 2004, 0, 2005, 2006, 0, 2007, 2008, 0, 2009, 2010, 0, 2011, 0,
                           2012, 2013, 0, 2014, 2015, 0, 2016, 2017, 0, 2018, 2019};
    for (UINT id : layout) expected.push_back(id == 0 ? "-" : Text(id));
    EXPECT_EQ(Items(submenu), expected);
    EXPECT_EQ(Text(2005), "--add-spam + --update");
    EXPECT_EQ(Text(2010), "--show-db-status");

    // Every command was registered for menu type 1 with its text, and the item carries the
    // identifier the host gave; all but "--update" and "--show-db-status" have the state callback.
    const auto& commands = host.Commands();
    ASSERT_EQ(commands.size(), 18u);
    int item = 0;
    for (const auto& command : commands) {
        while (ItemAt(submenu, item) == "-") ++item;
        EXPECT_EQ(GetMenuItemID(submenu, item), command.id);
        EXPECT_EQ(ItemAt(submenu, item), command.text);
        EXPECT_EQ(command.target, 1);
        const bool database = command.text == Text(2009) || command.text == Text(2010);
        EXPECT_EQ(command.stateCallback == nullptr, database) << command.text;
        ++item;
    }
}

TEST_F(MenuTest, StateCallbackDisablesWhileNothingIsSelected) {
    Place(kMenuBottom, 0, false, false);
    const auto& commands = host.Commands();
    ASSERT_NE(commands[0].stateCallback, nullptr);
    EXPECT_EQ(commands[0].stateCallback(host.MainWindow(), 0), 1u);
    AddMessages(2);
    host.Select({});
    EXPECT_EQ(commands[0].stateCallback(host.MainWindow(), 0), 1u);
    host.Select({"m2"});
    EXPECT_EQ(commands[0].stateCallback(host.MainWindow(), 0), 0u);
    EXPECT_EQ(HasSelectedMailUI(nullptr, 0), 0u);
}

TEST_F(MenuTest, EachItemRunsItsHandler) {
    Place(kMenuBottom, 0, false, false);
    bsfilter.output = "status";
    ASSERT_TRUE(host.RunCommand("--show-db-status"));
    ASSERT_EQ(bsfilter.runs.size(), 1u);
    EXPECT_EQ(bsfilter.runs[0].options, "--show-db-status");
    ASSERT_TRUE(host.RunCommand("--update"));
    EXPECT_EQ(bsfilter.runs[1].options, "--update");
    host.TakeBoxes();
    // The list commands reach the white list.
    AddMessages(1);
    ASSERT_TRUE(host.RunCommand(Text(IDS_MENU_ADD_SENDER)));
    EXPECT_TRUE(g_whiteList.Contains("sender1@example.com"));
}
