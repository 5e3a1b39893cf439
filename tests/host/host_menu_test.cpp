// The context menu and its commands: the tree the host prints, item states from the plug-in's
// state callbacks, the host calls a command makes, message boxes answered as told, and the
// memory report.
#include "host/HostTestSupport.h"

class HostMenuTest : public HostTest {
protected:
    void SetUp() override {
        Init();
        ASSERT_EQ(0, Host({"receive", "--no-filter", Message("1.eml", "one"), Message("2.eml", "two"), Message("3.eml", "three")},
                          false)
                         .exitCode);
    }

    // Message boxes need a window system: Wine without a display has none.
    bool HasWindows(const testing_host::Result& result) {
        for (const testing_json::Value& warning : result.Events("warning")) {
            if (warning["message"].Str().find("no window system") != std::string::npos) return false;
        }
        return true;
    }

    static const testing_json::Value* Item(const std::vector<testing_json::Value>& items, const std::string& text) {
        for (const testing_json::Value& item : items) {
            if (item["text"].Str() == text) return &item;
        }
        return nullptr;
    }
};

TEST_F(HostMenuTest, MenuTreeShowsPluginAndHostItemsWithStatesForTheSelection) {
    const testing_host::Result none = Host({"menu"});
    ASSERT_EQ(0, none.exitCode);
    const std::vector<testing_json::Value> items = none.Events("menu-item");
    ASSERT_GE(items.size(), 12u);
    EXPECT_EQ("popup", items[0]["kind"].Str());
    EXPECT_EQ("TestPlugin", items[0]["text"].Str());
    EXPECT_EQ("0/0", items[1]["path"].Str());
    EXPECT_EQ(1, items[1]["depth"].Int());
    EXPECT_EQ("command", items[1]["kind"].Str());
    EXPECT_EQ(0x8000, items[1]["id"].Int());  // ids handed out from 0x8000
    const testing_json::Value* separator = nullptr;
    for (const testing_json::Value& item : items) {
        if (item["path"].Str() == "1") separator = &item;
    }
    ASSERT_NE(nullptr, separator);
    EXPECT_EQ("separator", (*separator)["kind"].Str());
    ASSERT_NE(nullptr, Item(items, "開く(&O)"));
    EXPECT_EQ("host", (*Item(items, "開く(&O)"))["kind"].Str());
    // Nothing selected: items with a state callback are greyed (the callback answered 1).
    EXPECT_FALSE((*Item(items, "Mark read"))["enabled"].Bool());
    EXPECT_EQ(1, (*Item(items, "Mark read"))["uiState"].Int());
    EXPECT_TRUE((*Item(items, "Ask"))["enabled"].Bool());
    EXPECT_FALSE((*Item(items, "Ask")).Has("uiState"));
    EXPECT_FALSE((*Item(items, "削除(&D)"))["enabled"].Bool());

    ASSERT_EQ(0, Host({"select", "--index", "1"}, false).exitCode);
    const std::vector<testing_json::Value> selected = Host({"menu"}).Events("menu-item");
    EXPECT_TRUE((*Item(selected, "Mark read"))["enabled"].Bool());
    EXPECT_EQ(0, (*Item(selected, "Mark read"))["uiState"].Int());
    EXPECT_TRUE((*Item(selected, "削除(&D)"))["enabled"].Bool());
}

TEST_F(HostMenuTest, CommandsReportEveryHostCallTheyMake) {
    ASSERT_EQ(0, Host({"select", "--index", "0,2"}, false).exitCode);
    EXPECT_EQ(1, Host({"run", "--pos", "0/9"}).exitCode);  // no such item
    const testing_host::Result marked = Host({"run", "Mark read"});
    ASSERT_EQ(0, marked.exitCode);
    const std::vector<testing_json::Value> calls = marked.Events("call");
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("SetStatus", calls[0]["function"].Str());
    EXPECT_EQ("work.mb\\!!!!Inbox\\00000001.msg", calls[0]["id"].Str());
    EXPECT_EQ(1, calls[0]["set"].Int());
    EXPECT_EQ("work.mb\\!!!!Inbox\\00000003.msg", calls[1]["id"].Str());

    const testing_host::Result header = Host({"run", "--pos", "0/3"});  // Add header
    ASSERT_EQ(2u, header.Events("call").size());
    EXPECT_EQ("SetSource", header.Events("call")[0]["function"].Str());
    EXPECT_EQ(std::vector<std::string>{"X-Test: yes"}, header.Events("call")[0]["headersAdded"].Strings());
    EXPECT_EQ(0u, ReadDataFile("work.mb\\!!!!Inbox\\00000001.msg").find("X-Test: yes\r\nFrom: "));

    const testing_host::Result filtered = Host({"run", "filter SELECTED"});  // text matches ignoring case
    const std::vector<testing_json::Value> filterCalls = filtered.Events("call");
    ASSERT_EQ(2u, filterCalls.size());
    EXPECT_EQ("SetSel", filterCalls[0]["function"].Str());
    EXPECT_FALSE(filterCalls[0]["select"].Bool());
    EXPECT_EQ("Command", filterCalls[1]["function"].Str());
    EXPECT_EQ("FilterSelected", filterCalls[1]["command"].Str());
    EXPECT_EQ(std::vector<std::string>{"work.mb\\!!!!Inbox\\00000003.msg"}, filterCalls[1]["selection"].Strings());

    const testing_host::Result moved = Host({"run", "Move to trash"});
    const testing_json::Value move = moved.First("call");
    EXPECT_EQ("MoveMessages", move["function"].Str());
    EXPECT_EQ("work.mb\\!Trash\\", move["folder"].Str());
    EXPECT_EQ(std::vector<std::string>{"work.mb\\!Trash\\00000001.msg"}, move["newIds"].Strings());
    EXPECT_EQ(0u, moved.First("run")["selection"].Size());
    const std::vector<testing_json::Value> trash = Host({"list", "work.mb\\!Trash\\"}, false).Events("mail");
    ASSERT_EQ(1u, trash.size());
    EXPECT_TRUE(trash[0]["read"].Bool());  // the read mark moved with it
    EXPECT_EQ("three", trash[0]["subject"].Str());
    // Now nothing is selected: the greyed command is refused unless forced.
    EXPECT_EQ(1, Host({"run", "Mark read"}).exitCode);
    EXPECT_EQ(0, Host({"run", "Mark read", "--force"}).exitCode);
}

TEST_F(HostMenuTest, HostItemsActOnTheSelection) {
    // Japanese item texts reach the host through a script file (UTF-8 on both sides).
    const testing_host::Result result =
        Host({"script", Script("select --index 0,1\nrun 既読にする(&K)\nrun 削除\n")});  // the access key may be left out
    ASSERT_EQ(0, result.exitCode) << result.output;
    EXPECT_EQ(2u, result.Events("host-action").size());
    const std::vector<testing_json::Value> trash = Host({"list", "work.mb\\!Trash\\"}, false).Events("mail");
    ASSERT_EQ(2u, trash.size());
    EXPECT_TRUE(trash[0]["read"].Bool());
    EXPECT_EQ(1u, Host({"list"}, false).Events("mail").size());
}

TEST_F(HostMenuTest, MessageBoxesAreReportedAndAnsweredInOrder) {
    const testing_host::Result cancelled = Host({"run", "Ask", "--answer", "cancel"});
    if (!HasWindows(cancelled)) GTEST_SKIP() << "no window system for message boxes";
    ASSERT_EQ(0, cancelled.exitCode);
    const std::vector<testing_json::Value> one = cancelled.Events("messagebox");
    ASSERT_EQ(1u, one.size());
    EXPECT_EQ("TestPlugin", one[0]["caption"].Str());
    EXPECT_EQ("Proceed?", one[0]["text"].Str());
    EXPECT_EQ("okcancel", one[0]["buttons"].Str());
    EXPECT_EQ("question", one[0]["icon"].Str());
    EXPECT_EQ("cancel", one[0]["answer"].Str());

    const testing_host::Result confirmed = Host({"--answer", "yes", "run", "Ask"});  // yes stands for OK
    const std::vector<testing_json::Value> two = confirmed.Events("messagebox");
    ASSERT_EQ(2u, two.size());
    EXPECT_EQ("ok", two[0]["answer"].Str());
    EXPECT_EQ("yes", two[0]["asked"].Str());
    EXPECT_EQ("Done", two[1]["text"].Str());
    EXPECT_EQ("information", two[1]["icon"].Str());
    EXPECT_EQ("default", two[1]["asked"].Str());

    const testing_host::Result folder = Host({"run", "Show folder"});
    ASSERT_EQ(1u, folder.Events("messagebox").size());
    EXPECT_EQ("[Work] 受信箱", folder.Events("messagebox")[0]["text"].Str());
}

TEST_F(HostMenuTest, LeaksAndWrongFreesAreReported) {
    ASSERT_EQ(0, Host({"select", "--index", "1"}, false).exitCode);
    const testing_host::Result leak = Host({"--check-memory", "run", "Leak"});
    EXPECT_EQ(4, leak.exitCode);
    const testing_json::Value leaks = leak.First("memory")["leaks"];
    ASSERT_EQ(1u, leaks.Size());
    EXPECT_EQ("GetSource", leaks[0]["origin"].Str());
    EXPECT_EQ("work.mb\\!!!!Inbox\\00000002.msg", leaks[0]["note"].Str());

    const testing_host::Result twice = Host({"--check-memory", "run", "Double free"});
    EXPECT_EQ(4, twice.exitCode);
    EXPECT_EQ("double free", twice.First("memory-fault")["kind"].Str());
    const testing_json::Value faults = twice.First("memory")["faults"];
    ASSERT_EQ(1u, faults.Size());
    EXPECT_EQ("Alloc", faults[0]["origin"].Str());

    EXPECT_EQ(0, Host({"--check-memory", "run", "Add header"}).exitCode);  // GetSource paired with Free
}
