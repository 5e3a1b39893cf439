// The eighteen mail commands end to end: the real plug-in in the host simulator, the menu it
// builds, the boxes it asks, the host calls each command makes, and the messages, lists and
// bsfilter database afterwards. Linux runs Debian's bsfilter; Windows (under Wine) the stand-in
// with the real progress dialog and message boxes.
#include <algorithm>

#include "common/CommandScenario.h"
#include "platform/platform.h"

using testing_host::Result;
using testing_json::Value;
using namespace testing_scenario;

namespace {

const char kSep[] = "";
// The submenu in order; "" is a separator.
const char* const kSubmenu[] = {
    "メールを spam 処置", "メールを判定・処置", kSep, "メールを 1 通のみ判定(テスト)", kSep,
    "--add-spam + --update", "--add-clean + --update", kSep, "--sub-spam + --update", "--sub-clean + --update", kSep,
    "--update", "--show-db-status", kSep, "メールの spam ヘッダを除く", kSep,
    "差出人をホワイトリストに追加", "差出人ドメインをホワイトリストに追加", kSep,
    "差出人をホワイトリストから削除", "差出人ドメインをホワイトリストから削除", kSep,
    "差出人をNGワードに登録する", "件名をNGワードに登録する", kSep,
    "差出人をOKワードに登録する", "件名をOKワードに登録する"};

const char kConfirmTail[] = "\r\n処理が終了するまで Becky! を操作しないでください。";
const char kUnavailable[] = "bsfilter が利用できません。\r\n設定を確認してください。";

std::string Spam(int n, const std::string& extraHeaders = std::string()) {
    const std::string i = std::to_string(n);
    return "From: Promo " + i + " <promo" + i + "@cheap-pills.example>\nTo: me@example.com\nSubject: Buy cheap viagra pills now " +
           i + "\n" + extraHeaders +
           "\nCheap viagra, casino bonus, free money, click here to win a prize. Limited offer viagra casino.\n";
}

std::string Clean(int n, const std::string& extraHeaders = std::string()) {
    const std::string i = std::to_string(n);
    return "From: Colleague " + i + " <colleague" + i + "@work.example>\nTo: me@example.com\nSubject: Meeting agenda for the project review " +
           i + "\n" + extraHeaders +
           "\nHi, please find the agenda for tomorrow's project meeting attached. The review covers the schedule and the "
           "budget.\n";
}

// The "progress" lines: the largest count reported, and where Cancel was pressed (0: never).
struct ProgressSeen {
    long long highest = 0;
    long long total = -1;
    long long cancelledAt = 0;
};

ProgressSeen Progress(const Result& result) {
    ProgressSeen seen;
    for (const Value& line : result.Events("progress")) {
        seen.highest = std::max(seen.highest, line["current"].Int());
        seen.total = line["total"].Int();
        if (line["cancel"].Bool()) seen.cancelledAt = line["current"].Int();
    }
    return seen;
}

// The message counts in the status report that follows a result text.
void ExpectStatus(const std::string& text, long spam, long clean) {
    long seenSpam = -1;
    long seenClean = -1;
    ASSERT_TRUE(ParseDbStatus(text, &seenSpam, &seenClean)) << text;
    EXPECT_EQ(spam, seenSpam) << text;
    EXPECT_EQ(clean, seenClean) << text;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

// The header lines of a message file that start with the given field name and a colon.
int FieldCount(const std::string& message, const std::string& field) {
    int count = 0;
    const std::string header = message.substr(0, message.find("\r\n\r\n") + 2);
    size_t at = 0;
    while (at < header.size()) {
        if (header.compare(at, field.size() + 1, field + ":") == 0) ++count;
        at = header.find("\r\n", at);
        if (at == std::string::npos) break;
        at += 2;
    }
    return count;
}

}  // namespace

// ---- the menu ---------------------------------------------------------------------------------

TEST_F(CommandScenario, TheSubmenuHoldsEighteenCommandsGreyedWithoutASelection) {
    Mail(Name(1), Spam(1));
    const Result result = Host({Receive(), "select --none", "menu", "select --index 0", "menu", "menu --type 0",
                                "menu --type 2", "select --none", RunItem("メールを spam 処置")});
    // The greyed item is refused, which ends the script.
    EXPECT_EQ(1, result.exitCode) << Report(result);
    EXPECT_NE(std::string::npos, result.Events("error").back()["message"].Str().find("greyed"));
    EXPECT_TRUE(result.Events("run-start").empty());

    // Default placement: at the bottom of the host's nine items, a separator above it.
    const std::vector<Value> items = result.Events("menu-item");
    std::vector<Value> top, withoutSelection, withSelection;
    int menus = 0;
    for (const Value& item : items) {
        if (item["path"].Str() == "0") ++menus;
        if (menus == 1 && item["depth"].Int() == 0) top.push_back(item);
        if (item["depth"].Int() != 1) continue;
        (menus == 1 ? withoutSelection : withSelection).push_back(item);
    }
    ASSERT_EQ(11u, top.size());
    EXPECT_EQ("separator", top[9]["kind"].Str());
    EXPECT_EQ("popup", top[10]["kind"].Str());
    EXPECT_EQ("bsfilter (Mirvane)", top[10]["text"].Str());

    const size_t rows = sizeof(kSubmenu) / sizeof(kSubmenu[0]);
    ASSERT_EQ(rows, withoutSelection.size());
    ASSERT_EQ(rows, withSelection.size());
    int commands = 0;
    for (size_t i = 0; i < rows; ++i) {
        const std::string text = kSubmenu[i];
        SCOPED_TRACE(text);
        if (text.empty()) {
            EXPECT_EQ("separator", withoutSelection[i]["kind"].Str());
            continue;
        }
        ++commands;
        EXPECT_EQ("command", withoutSelection[i]["kind"].Str());
        EXPECT_EQ(text, withoutSelection[i]["text"].Str());
        // Only the two database commands need no selection.
        const bool database = text == "--update" || text == "--show-db-status";
        EXPECT_EQ(database, withoutSelection[i]["enabled"].Bool());
        EXPECT_EQ(!database, withoutSelection[i].Has("uiState"));
        EXPECT_TRUE(withSelection[i]["enabled"].Bool());
    }
    EXPECT_EQ(18, commands);

    // Menus of other kinds get nothing.
    const std::vector<Value> others = result.Events("menu-init");
    ASSERT_EQ(2u, others.size());
    for (const Value& other : others) {
        EXPECT_EQ(0, other["items"].Int());
        EXPECT_EQ(0, other["registered"].Int());
        EXPECT_EQ(0, other["return"].Int());
    }
}

TEST_F(CommandScenario, TheSubmenuGoesWhereTheSettingsPlaceIt) {
    struct Case {
        const char* settings;
        std::vector<std::string> kinds;  // the host's menu from the top: h host item, s separator, p the submenu
    };
    const Case cases[] = {
        {"ContextMenuPosition=MenuTop\r\nUpperSeparator=False\r\nLowerSeparator=True\r\n",
         {"p", "s", "h", "h", "s", "h", "h", "s", "h", "s", "h"}},
        {"ContextMenuPosition=MenuPosition\r\nMenuPosition=3\r\nUpperSeparator=True\r\nLowerSeparator=True\r\n",
         {"h", "h", "s", "s", "p", "s", "h", "h", "s", "h", "s", "h"}},
        {"ContextMenuPosition=MenuBottom\r\nUpperSeparator=False\r\nLowerSeparator=False\r\n",
         {"h", "h", "s", "h", "h", "s", "h", "s", "h", "p"}},
        // A place past the end of the host's menu: the end.
        {"ContextMenuPosition=MenuPosition\r\nMenuPosition=50\r\nUpperSeparator=True\r\nLowerSeparator=True\r\n",
         {"h", "h", "s", "h", "h", "s", "h", "s", "h", "s", "p", "s"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        Settings("", std::string("[ContextMenu]\r\n") + c.settings);
        const Result result = Host({"menu"});
        ASSERT_EQ(0, result.exitCode) << Report(result);
        std::vector<std::string> kinds;
        for (const Value& item : result.Events("menu-item")) {
            if (item["depth"].Int() != 0) continue;
            const std::string kind = item["kind"].Str();
            kinds.push_back(kind == "popup" ? "p" : kind == "separator" ? "s" : "h");
        }
        EXPECT_EQ(c.kinds, kinds);
    }
}

// ---- training and the database ------------------------------------------------------------------

TEST_F(CommandScenario, TrainingCommandsTrainTidyAndReportTheDatabase) {
    NEED_BSFILTER();
    Settings("RemoveSpamFromWhiteList=True\r\n", "[NgWord]\r\nUseNgWord=True\r\n");
    const std::string whiteList =
        "cheap-pills.example\t\r\ncolleague4@work.example\tColleague\r\npromo1@cheap-pills.example\tPromo\r\n";
    ASSERT_TRUE(WritePluginData("WhiteList.txt", whiteList));
    ASSERT_TRUE(WritePluginData("NgWordList.txt", "viagra\tAll\tText\tIgnoreCase\r\n"));
    Mail(Name(1), Spam(1, "X-Mirvane: spam\n"));
    Mail(Name(2), Spam(2));
    Mail(Name(3), Spam(3));
    Mail(Name(4), Clean(4, "X-Mirvane: spam\n"));
    Mail(Name(5), Clean(5, "X-Mirvane: spam\n"));
    const std::string receiveTraining = Receive();
    // Received through the filter after the training: its sender was white-listed before.
    Mail(Name(6), Spam(1));
    const Result result = Host({receiveTraining, "select --index 0,1,2", RunItem("--add-spam + --update"),
                                "select --index 3,4", RunItem("--add-clean + --update"), "select --index 0",
                                RunItem("--sub-spam + --update"), "select --index 3", RunItem("--sub-clean + --update"),
                                Receive(true), RunItem("--update")});
    ASSERT_EQ(0, result.exitCode) << Report(result);

    const std::vector<Value> boxes = result.Events("messagebox");
    ASSERT_EQ(9u, boxes.size()) << Report(result);
    EXPECT_EQ(std::string("選択中のメールを --add-spam した後、確率データベースを --update します。") + kConfirmTail,
              boxes[0]["text"].Str());
    EXPECT_EQ("選択中のメールを学習 (--add-spam)", boxes[0]["caption"].Str());
    EXPECT_EQ("okcancel", boxes[0]["buttons"].Str());
    const char* const options[] = {"--add-spam", "--add-clean", "--sub-spam", "--sub-clean"};
    const int counts[] = {3, 2, 1, 1};
    const long spam[] = {3, 3, 2, 2};
    const long clean[] = {0, 2, 2, 1};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(options[k]);
        const Value& box = boxes[static_cast<size_t>(2 * k + 1)];
        EXPECT_EQ("学習結果", box["caption"].Str());
        EXPECT_EQ("information", box["icon"].Str());
        const std::string head = std::to_string(counts[k]) + " 通のメールを " + options[k] + " して学習しました。\r\n\r\n";
        EXPECT_TRUE(StartsWith(box["text"].Str(), head)) << box["text"].Str();
        ExpectStatus(box["text"].Str(), spam[k], clean[k]);
    }

    // The update command: its result with the status, the received spam trained by nobody.
    EXPECT_EQ("更新結果", boxes[8]["caption"].Str());
    EXPECT_TRUE(StartsWith(boxes[8]["text"].Str(), "確率データベースを更新しました。\r\n\r\n")) << boxes[8]["text"].Str();
    ExpectStatus(boxes[8]["text"].Str(), 2, 1);

    // Clean training ("--add-clean", "--sub-spam") took the spam header off, through the host.
    const std::vector<Value> rewrites = Calls(result, "SetSource");
    ASSERT_EQ(3u, rewrites.size());
    const std::string rewritten[] = {Id(kInbox, 4), Id(kInbox, 5), Id(kInbox, 1)};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(rewritten[k], rewrites[k]["id"].Str());
        EXPECT_EQ(std::vector<std::string>{"X-Mirvane: spam"}, rewrites[k]["headersRemoved"].Strings());
        EXPECT_FALSE(rewrites[k]["bodyChanged"].Bool());
    }
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(0, FieldCount(ReadMessage(Id(kInbox, n)), "X-Mirvane")) << n;

    // Spam training took the sender and its domain off the white list in memory: the filter
    // now judges the sender's next message (the NG word makes it spam). The file is not
    // rewritten by training.
    const std::vector<Value> received = result.Events("received");
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(kTrash, received.back()["folder"].Str()) << Report(result);
    EXPECT_EQ(whiteList, ReadPluginData("WhiteList.txt"));
}

TEST_F(CommandScenario, TrainingWithoutBoxesKeepsTheHeaderWhenToldAndStatusIsAlwaysShown) {
    NEED_BSFILTER();
    Settings("DisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\nDontRemoveSpamHeader=True\r\n");
    Mail(Name(1), Clean(1, "X-Mirvane: spam\n"));
    const Result result = Host({Receive(), "select --all", RunItem("--add-clean + --update"), RunItem("--update"),
                                RunItem("--show-db-status"), RunItem("メールの spam ヘッダを除く")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    // Only the status command shows its box: showing the status is what it is for.
    const std::vector<Value> boxes = result.Events("messagebox");
    ASSERT_EQ(1u, boxes.size()) << Report(result);
    EXPECT_EQ("データベースの状態", boxes[0]["caption"].Str());
    EXPECT_TRUE(StartsWith(boxes[0]["text"].Str(), "データベースの状態を取得しました。\r\n\r\n"));
    ExpectStatus(boxes[0]["text"].Str(), 0, 1);
    // Training left the header; the header command removes it whatever the setting says.
    const std::vector<Value> rewrites = Calls(result, "SetSource");
    ASSERT_EQ(1u, rewrites.size());
    EXPECT_EQ(std::vector<std::string>{"X-Mirvane: spam"}, rewrites[0]["headersRemoved"].Strings());
    EXPECT_EQ(4u, result.Events("run-start").size());
    EXPECT_EQ(0, FieldCount(ReadMessage(Id(kInbox, 1)), "X-Mirvane"));
}

TEST_F(CommandScenario, CancelAfterTheThirdOfTenTrainsThreeAndStillUpdates) {
    NEED_BSFILTER();
    for (int n = 1; n <= 10; ++n) Mail(Name(n), Spam(n));
    const Result result = Host({Receive(), "select --all", RunItem("--add-spam + --update", "--cancel-after 3")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const ProgressSeen progress = Progress(result);
    EXPECT_EQ(3, progress.cancelledAt);
    EXPECT_EQ(3, progress.highest);
    EXPECT_EQ(10, progress.total);
    for (const Value& dialog : result.Events("dialog")) EXPECT_EQ("選択中のメールを学習 (--add-spam)", dialog["caption"].Str());
    const std::vector<std::string> texts = BoxTexts(result);
    ASSERT_EQ(2u, texts.size()) << Report(result);
    EXPECT_TRUE(StartsWith(texts[1], "3 通のメールを --add-spam して学習しました。\r\n\r\n")) << texts[1];
    ExpectStatus(texts[1], 3, 0);
}

TEST_F(CommandScenario, AMessageTheHostCannotHandOverIsPassedOver) {
    for (int n = 1; n <= 10; ++n) Mail(Name(n), Clean(n, "X-Mirvane: spam\n"));
    const Result receive = Host({Receive()});
    ASSERT_EQ(0, receive.exitCode) << Report(receive);
    {
        UnreadableFile locked(DataFile(Id(kInbox, 5)));
        ASSERT_TRUE(locked.Ok());
        const Result result = Host({"select --all", RunItem("メールの spam ヘッダを除く")});
        ASSERT_EQ(0, result.exitCode) << Report(result);
        EXPECT_EQ(10u, result.First("run-start")["selection"].Size());
        const ProgressSeen progress = Progress(result);
        EXPECT_EQ(9, progress.highest);
        EXPECT_EQ(10, progress.total);
        const std::vector<std::string> texts = BoxTexts(result);
        ASSERT_EQ(2u, texts.size());
        EXPECT_EQ("10 通のうち 9 通から spam ヘッダを除きました。", texts[1]);
        const std::vector<Value> rewrites = Calls(result, "SetSource");
        ASSERT_EQ(9u, rewrites.size());
        for (const Value& call : rewrites) EXPECT_NE(Id(kInbox, 5), call["id"].Str());
    }
}

TEST_F(CommandScenario, AFailedUpdateIsShownEvenWithoutResultBoxesAndStopsTheSpamAction) {
    NEED_BSFILTER();
    Settings("DisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\nProcessSpamMail=GoTrash\r\n");
    ASSERT_TRUE(BlockDatabaseUpdate());
    Mail(Name(1), Spam(1));
    Mail(Name(2), Spam(2));
    const Result result = Host({Receive(), "select --all", RunItem("--add-spam + --update"), RunItem("メールを spam 処置"),
                                RunItem("--update"), std::string("list ") + kInbox});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<Value> boxes = result.Events("messagebox");
    ASSERT_EQ(3u, boxes.size()) << Report(result);
    // Trained, but the update failed: the box says so, and that the previous table still judges.
    EXPECT_EQ("2 通のメールを --add-spam して学習しましたが、確率データベースの更新 (--update) に失敗しました。\r\nメールを学習し直す必要はありません。メニューの「--update」だけをやり直してください。\r\n更新前の確率データベースに戻したので、これまでどおりに判定されます。", boxes[0]["text"].Str());
    EXPECT_EQ("学習結果", boxes[0]["caption"].Str());
    EXPECT_EQ("2 通のメールを --add-spam して学習しましたが、確率データベースの更新 (--update) に失敗しました。\r\nメールを学習し直す必要はありません。メニューの「--update」だけをやり直してください。\r\n更新前の確率データベースに戻したので、これまでどおりに判定されます。", boxes[1]["text"].Str());
    EXPECT_EQ("spam 処置結果", boxes[1]["caption"].Str());
    EXPECT_EQ("確率データベースの更新に失敗しました。\r\n更新前の確率データベースに戻したので、これまでどおりに判定されます。", boxes[2]["text"].Str());
    EXPECT_EQ("更新結果", boxes[2]["caption"].Str());
    for (const Value& box : boxes) EXPECT_EQ("error", box["icon"].Str());
    // No spam action after the failed update: nothing moved.
    EXPECT_TRUE(Calls(result, "MoveMessages").empty());
    EXPECT_EQ(2u, Listed(result, kInbox).size());
}

// ---- judging and acting ------------------------------------------------------------------------

TEST_F(CommandScenario, TreatAsSpamMovesTheSelectionToTheTrashInOneCall) {
    NEED_BSFILTER();
    Settings("SetReadToSpamMail=True\r\n");
    Mail(Name(1), Spam(1));
    Mail(Name(2), Spam(2));
    // A big one: far more than a pipe holds, so bsfilter reads while the plug-in still writes.
    std::string body;
    for (int line = 0; line < 4000; ++line) body += "Cheap viagra casino bonus line " + std::to_string(line) + " of the offer.\n";
    Mail(Name(3), Spam(3) + body);
    Mail(Name(4), Clean(4));
    const Result result = Host({Receive(), "select --index 0,1,2", RunItem("メールを spam 処置"), std::string("list ") + kInbox,
                                std::string("list ") + kTrash});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<Value> boxes = result.Events("messagebox");
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(std::string("選択中のメールを spam として処置します。") + kConfirmTail, boxes[0]["text"].Str());
    EXPECT_EQ("選択中のメールを spam 処置", boxes[0]["caption"].Str());
    EXPECT_EQ("3 通のうち 3 通を spam として学習しました。", boxes[1]["text"].Str());
    EXPECT_EQ("spam 処置結果", boxes[1]["caption"].Str());

    EXPECT_EQ(3u, Calls(result, "SetStatus").size());
    const std::vector<Value> moves = Calls(result, "MoveMessages");
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(kTrash, moves[0]["folder"].Str());
    EXPECT_EQ((std::vector<std::string>{Id(kInbox, 1), Id(kInbox, 2), Id(kInbox, 3)}), moves[0]["ids"].Strings());
    EXPECT_FALSE(moves[0]["copy"].Bool());
    EXPECT_TRUE(moves[0]["ok"].Bool());
    ASSERT_EQ(1u, Listed(result, kInbox).size());
    const std::vector<Value> trash = Listed(result, kTrash);
    ASSERT_EQ(3u, trash.size());
    for (const Value& mail : trash) EXPECT_TRUE(mail["read"].Bool());
}

TEST_F(CommandScenario, TreatAsSpamCancelledWithAddHeaderMarksAndSelectsTheProcessedOnes) {
    NEED_BSFILTER();
    Settings("ProcessSpamMail=AddHeader\r\nDisableBeforeMsgbox=True\r\n");
    Mail(Name(1), Spam(1, "X-Mirvane: spam\n"));
    for (int n = 2; n <= 5; ++n) Mail(Name(n), Spam(n));
    const Result result = Host({Receive(), "select --all", RunItem("メールを spam 処置", "--cancel-after 2")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    EXPECT_EQ(2, Progress(result).cancelledAt);
    EXPECT_EQ(std::vector<std::string>{"5 通のうち 2 通を spam として学習しました。"}, BoxTexts(result));
    // The header goes on the second only: the first has it already.
    const std::vector<Value> rewrites = Calls(result, "SetSource");
    ASSERT_EQ(1u, rewrites.size());
    EXPECT_EQ(Id(kInbox, 2), rewrites[0]["id"].Str());
    EXPECT_EQ(std::vector<std::string>{"X-Mirvane: spam"}, rewrites[0]["headersAdded"].Strings());
    EXPECT_EQ(1, FieldCount(ReadMessage(Id(kInbox, 1)), "X-Mirvane"));
    EXPECT_EQ(1, FieldCount(ReadMessage(Id(kInbox, 2)), "X-Mirvane"));
    EXPECT_EQ(0, FieldCount(ReadMessage(Id(kInbox, 3)), "X-Mirvane"));
    // The processed messages become the selection, and the host filters them.
    const std::vector<Value> selections = Calls(result, "SetSel");
    ASSERT_EQ(5u, selections.size());
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(k < 2, selections[k]["select"].Bool()) << k;
    const std::vector<Value> commands = Calls(result, "Command");
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ("FilterSelected", commands[0]["command"].Str());
    EXPECT_EQ((std::vector<std::string>{Id(kInbox, 1), Id(kInbox, 2)}), commands[0]["selection"].Strings());
    EXPECT_TRUE(Calls(result, "MoveMessages").empty());
}

TEST_F(CommandScenario, TreatAsSpamMovesIntoTheSameFolderOfTheCurrentMailbox) {
    NEED_BSFILTER();
    // Names whose second byte is a backslash in CP932 (表 0x95 0x5C, ソ 0x83 0x5C): the folder
    // is split after the first real backslash only.
    Settings("ProcessSpamMail=GoFolder\r\nSpamFolder=表.mb\\!!!!Inbox\\ソフト\\\r\n"
             "GoFolderSameRelativeFolderPath=True\r\nDisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\n");
    Mail(Name(1), Spam(1));
    Mail(Name(2), Spam(2));
    const std::string target = "work.mb\\!!!!Inbox\\ソフト\\";
    const Result result = Host({"init 表.mb:Hyo:hyo@example.net", "mkfolder \"" + target + "\"", Receive(),
                                "select --all", RunItem("メールを spam 処置"), "list \"" + target + "\""});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<Value> moves = Calls(result, "MoveMessages");
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(target, moves[0]["folder"].Str());
    EXPECT_TRUE(moves[0]["ok"].Bool());
    EXPECT_EQ(2u, Listed(result, target).size());
    EXPECT_TRUE(result.Events("messagebox").empty());

    // "GoTrash" from that mailbox: its own trash.
    Settings("DisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\n");
    Mail(Name(3), Spam(3));
    const Result trash = Host({Receive() + " --mailbox 表.mb\\", "select --folder 表.mb\\!!!!Inbox\\ --all",
                               RunItem("メールを spam 処置")});
    ASSERT_EQ(0, trash.exitCode) << Report(trash);
    const std::vector<Value> trashMoves = Calls(trash, "MoveMessages");
    ASSERT_EQ(1u, trashMoves.size());
    EXPECT_EQ("表.mb\\!Trash\\", trashMoves[0]["folder"].Str());
    EXPECT_TRUE(trashMoves[0]["ok"].Bool());
}

TEST_F(CommandScenario, JudgingActsOnSpamAndHandsTheCleanOnesToTheHostsFilter) {
    NEED_BSFILTER();
    Settings("DisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\nRemoveSpamFromWhiteList=True\r\n");
    // The white list has no say in judging; spam takes its sender off it.
    ASSERT_TRUE(WritePluginData("WhiteList.txt", "colleague12@work.example\tC\r\npromo11@cheap-pills.example\tP\r\n"));
    for (int n = 1; n <= 5; ++n) Mail(Name(n), Spam(n));
    for (int n = 6; n <= 10; ++n) Mail(Name(n), Clean(n));
    const std::string training = Receive();
    Mail(Name(11), Spam(11));
    Mail(Name(12), Clean(12, "X-Mirvane: spam\n"));
    Mail(Name(13), Spam(13));
    Mail(Name(14), Clean(14));
    const Result result = Host({training, "select --index 0,1,2,3,4", RunItem("--add-spam + --update"),
                                "select --index 5,6,7,8,9", RunItem("--add-clean + --update"), Receive(),
                                "select 00000011.msg", RunItem("メールを 1 通のみ判定(テスト)"), "select 00000012.msg",
                                RunItem("メールを 1 通のみ判定(テスト)"),
                                "select 00000011.msg 00000012.msg 00000013.msg 00000014.msg", RunItem("メールを判定・処置"),
                                std::string("list ") + kTrash, "select 00000012.msg",
                                RunItem("差出人をホワイトリストから削除")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    // The list command saved the list: the clean sender it removed, the spam sender the judging
    // had removed.
    EXPECT_EQ("", ReadPluginData("WhiteList.txt"));

    // The test judgement: shown although result boxes are off; nothing changed.
    const std::vector<Value> boxes = result.Events("messagebox");
    ASSERT_EQ(2u, boxes.size()) << Report(result);
    EXPECT_TRUE(StartsWith(boxes[0]["text"].Str(), "spam と判定されました。\r\n\r\n")) << boxes[0]["text"].Str();
    EXPECT_TRUE(StartsWith(boxes[1]["text"].Str(), "clean と判定されました。\r\n\r\n")) << boxes[1]["text"].Str();
    EXPECT_EQ("判定結果", boxes[1]["caption"].Str());
    EXPECT_EQ("information", boxes[1]["icon"].Str());

    // "GoTrash": the spam is deselected and moved in one call; the clean ones are selected for
    // the host's filter, the one with the spam header without it.
    const std::vector<Value> moves = Calls(result, "MoveMessages");
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ((std::vector<std::string>{Id(kInbox, 11), Id(kInbox, 13)}), moves[0]["ids"].Strings());
    EXPECT_EQ(kTrash, moves[0]["folder"].Str());
    const std::vector<Value> rewrites = Calls(result, "SetSource");
    ASSERT_EQ(1u, rewrites.size());
    EXPECT_EQ(Id(kInbox, 12), rewrites[0]["id"].Str());
    EXPECT_EQ(std::vector<std::string>{"X-Mirvane: spam"}, rewrites[0]["headersRemoved"].Strings());
    const std::vector<Value> commands = Calls(result, "Command");
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ("FilterSelected", commands[0]["command"].Str());
    EXPECT_EQ((std::vector<std::string>{Id(kInbox, 12), Id(kInbox, 14)}), commands[0]["selection"].Strings());
    EXPECT_EQ(2u, Listed(result, kTrash).size());

    // "AddHeader": everything judged stays selected; the spam carries the header first.
    Settings("DisableBeforeMsgbox=True\r\nProcessSpamMail=AddHeader\r\n");
    Mail(Name(15), Spam(15));
    Mail(Name(16), Clean(16));
    const Result header = Host({Receive(), "select 00000015.msg 00000016.msg", RunItem("メールを判定・処置")});
    ASSERT_EQ(0, header.exitCode) << Report(header);
    EXPECT_EQ(std::vector<std::string>{"2 通のうち 1 通が spam と判定されました。"}, BoxTexts(header));
    EXPECT_EQ("判定・処置結果", header.First("messagebox")["caption"].Str());
    const std::vector<Value> added = Calls(header, "SetSource");
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ(Id(kInbox, 15), added[0]["id"].Str());
    EXPECT_EQ(std::vector<std::string>{"X-Mirvane: spam"}, added[0]["headersAdded"].Strings());
    EXPECT_EQ((std::vector<std::string>{Id(kInbox, 15), Id(kInbox, 16)}), Calls(header, "Command")[0]["selection"].Strings());
    EXPECT_TRUE(Calls(header, "MoveMessages").empty());

    // "NoMove" with the read mark: the spam stays, read; only the clean one is filtered. Without
    // a current message the test judgement does nothing.
    Settings("DisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\nProcessSpamMail=NoMove\r\nSetReadToSpamMail=True\r\n");
    Mail(Name(17), Spam(17));
    Mail(Name(18), Clean(18));
    const Result noMove = Host({Receive(), "select 00000017.msg 00000018.msg", RunItem("メールを判定・処置"), "select --none",
                                RunItem("メールを 1 通のみ判定(テスト)", "--force"), std::string("list ") + kInbox});
    ASSERT_EQ(0, noMove.exitCode) << Report(noMove);
    const std::vector<Value> marks = Calls(noMove, "SetStatus");
    ASSERT_EQ(1u, marks.size());
    EXPECT_EQ(Id(kInbox, 17), marks[0]["id"].Str());
    EXPECT_TRUE(Calls(noMove, "MoveMessages").empty());
    EXPECT_EQ(std::vector<std::string>{Id(kInbox, 18)}, Calls(noMove, "Command")[0]["selection"].Strings());
    EXPECT_TRUE(noMove.Events("messagebox").empty());
    const std::vector<Value> inbox = Listed(noMove, kInbox);
    ASSERT_FALSE(inbox.empty());
    EXPECT_EQ(Id(kInbox, 17), inbox[inbox.size() - 2]["id"].Str());
    EXPECT_TRUE(inbox[inbox.size() - 2]["read"].Bool());
}

// ---- bsfilter missing or not starting; cancelled confirmations ------------------------------------

TEST_F(CommandScenario, WithoutBsfilterTheBsfilterCommandsSaySoAndTheOthersWork) {
    NEED_BSFILTER();
    ASSERT_TRUE(DeleteFileA(BsfilterProgramFile().c_str()));
    Mail(Name(1), Spam(1, "X-Mirvane: spam\n"));
    const char* const bsfilterCommands[] = {
        "メールを spam 処置", "メールを判定・処置", "メールを 1 通のみ判定(テスト)", "--add-spam + --update",
        "--add-clean + --update", "--sub-spam + --update", "--sub-clean + --update", "--update", "--show-db-status"};
    std::vector<std::string> lines = {Receive(), "select --all"};
    for (const char* command : bsfilterCommands) lines.push_back(RunItem(command));
    // "--update" once more, chosen by its place in the menu.
    lines.push_back("run --pos 10/11");
    lines.push_back(RunItem("メールの spam ヘッダを除く"));
    const Result result = Host(lines);
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<Value> boxes = result.Events("messagebox");
    ASSERT_EQ(12u, boxes.size()) << Report(result);
    for (size_t k = 0; k < 10; ++k) {
        SCOPED_TRACE(k < 9 ? bsfilterCommands[k] : "--pos 10/11");
        EXPECT_EQ(kUnavailable, boxes[k]["text"].Str());
        EXPECT_EQ("bsfilter が利用できません", boxes[k]["caption"].Str());
        EXPECT_EQ("error", boxes[k]["icon"].Str());
    }
    EXPECT_EQ("--update", result.Events("run-start")[9]["text"].Str());
    EXPECT_EQ("1 通のうち 1 通から spam ヘッダを除きました。", boxes[11]["text"].Str());
    EXPECT_EQ(1u, Calls(result, "SetSource").size());
    EXPECT_TRUE(Calls(result, "MoveMessages").empty());
}

TEST_F(CommandScenario, ABsfilterThatCannotStartGivesNoVerdictAndNoTraining) {
    NEED_BSFILTER();
    ASSERT_TRUE(BreakBsfilter());
    Mail(Name(1), Spam(1));
    const Result result = Host({Receive(), "select --all", RunItem("メールを 1 通のみ判定(テスト)"), RunItem("--update"),
                                RunItem("--show-db-status"), RunItem("--add-spam + --update"),
                                RunItem("メールを spam 処置")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<std::string> texts = BoxTexts(result);
    ASSERT_EQ(7u, texts.size()) << Report(result);
    EXPECT_EQ("判定結果の取得に失敗しました。\r\n\r\n", texts[0].substr(0, std::string("判定結果の取得に失敗しました。\r\n\r\n").size()));
    EXPECT_EQ("確率データベースの更新に失敗しました。\r\n更新前の確率データベースに戻したので、これまでどおりに判定されます。", texts[1]);
    EXPECT_EQ("データベースの状態の取得に失敗しました。", texts[2]);
    // Nothing trained, so no update; the failing status run only leaves the report out.
    EXPECT_EQ("0 通のメールを --add-spam して学習しました。\r\n1 通のメールは学習できませんでした。", texts[4]);
    // Treated as spam without training: no update, but the spam action still runs.
    EXPECT_EQ("1 通のうち 0 通を spam として学習しました。", texts[6]);
    const std::vector<Value> moves = Calls(result, "MoveMessages");
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(std::vector<std::string>{Id(kInbox, 1)}, moves[0]["ids"].Strings());
}

TEST_F(CommandScenario, ACancelledConfirmationChangesNothing) {
    NEED_BSFILTER();
    Mail(Name(1), Spam(1, "X-Mirvane: spam\n"));
    Mail(Name(2), Spam(2));
    const std::string before = Spam(1, "X-Mirvane: spam\n");
    const char* const commands[] = {"メールを spam 処置", "メールを判定・処置", "--add-spam + --update",
                                    "--add-clean + --update", "メールの spam ヘッダを除く", "差出人をホワイトリストに追加",
                                    "件名をNGワードに登録する"};
    std::vector<std::string> lines = {Receive(), "select --all"};
    for (const char* command : commands) lines.push_back(RunItem(command, "--answer cancel"));
    const Result result = Host(lines, {"--trace"});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    // Between the start and the end of each run there is the box and nothing else: no list of
    // the selection is taken, no progress, no host call.
    size_t runs = 0;
    for (size_t i = 0; i < result.lines.size(); ++i) {
        if (result.lines[i]["event"].Str() != "run-start") continue;
        ++runs;
        ASSERT_LT(i + 2, result.lines.size());
        EXPECT_EQ("messagebox", result.lines[i + 1]["event"].Str());
        EXPECT_EQ("cancel", result.lines[i + 1]["answer"].Str());
        EXPECT_EQ("run", result.lines[i + 2]["event"].Str());
    }
    EXPECT_EQ(7u, runs);
    EXPECT_FALSE(testing_files::Exists(PluginData("WhiteList.txt")));
    EXPECT_FALSE(testing_files::Exists(PluginData("NgWordList.txt")));
    EXPECT_EQ(1, FieldCount(ReadMessage(Id(kInbox, 1)), "X-Mirvane"));
}

// ---- spam header and lists ----------------------------------------------------------------------

TEST_F(CommandScenario, RemovingTheSpamHeaderTakesOnlyThatField) {
    Settings("DontRemoveSpamHeader=True\r\n");
    const std::string third = "From: someone@example.org\nX-Mirvane-Note: keep\nSubject: quoted\n\n"
                              "A quoted header in the body:\nX-Mirvane: spam\n";
    Mail(Name(1), Clean(1, "X-Mirvane: spam\n\tfolded on\n"));
    Mail(Name(2), Clean(2, "x-mirvane: SPAM\n"));
    Mail(Name(3), third);
    const Result result = Host({Receive(), "select --all", RunItem("メールの spam ヘッダを除く")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<Value> boxes = result.Events("messagebox");
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(std::string("選択中のメールに spam ヘッダがあれば、除きます。") + kConfirmTail, boxes[0]["text"].Str());
    EXPECT_EQ("3 通のうち 2 通から spam ヘッダを除きました。", boxes[1]["text"].Str());
    EXPECT_EQ("spam ヘッダ除去結果", boxes[1]["caption"].Str());
    // The field goes with its folded line and whatever case its name is written in; a longer
    // name and the body are left alone.
    auto crlf = [](const std::string& text) {
        std::string out;
        for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    };
    EXPECT_EQ(crlf(Clean(1)), ReadMessage(Id(kInbox, 1)));
    EXPECT_EQ(crlf(Clean(2)), ReadMessage(Id(kInbox, 2)));
    EXPECT_EQ(crlf(third), ReadMessage(Id(kInbox, 3)));
}

TEST_F(CommandScenario, ListCommandsTakeSendersDomainsAndSubjectsIntoTheLists) {
    Settings("DisableBeforeMsgbox=True\r\n");
    ASSERT_TRUE(WritePluginData("WhiteList.txt", "carol@listed.example\tOld note\r\n"));
    // A subject of 601 bytes: the word keeps 511, as byte 512 would cut a character in two.
    std::string longSubject = "A";
    for (int k = 0; k < 300; ++k) longSubject += "あ";
    std::string cutSubject = "A";
    for (int k = 0; k < 255; ++k) cutSubject += "あ";
    Mail(Name(1), "From: alice@friends.example\nSubject: =?ISO-2022-JP?B?GyRCMnE1RCROJCpDTiRpJDsbKEI=?=\n\nbody\n");
    Mail(Name(2), "From: Alice <alice@friends.example>\nSubject: " + longSubject + "\n\nbody\n");
    Mail(Name(3), "From: Me <me@example.com>\nSubject: Alice\n\nbody\n");
    Mail(Name(4), "From: Bob <bob@example.com>\nSubject: Lunch\n\nbody\n");
    Mail(Name(5), "From: Carol <carol@listed.example>\nSubject: Hello from Carol\n\nbody\n");
    Mail(Name(6), "From: Dave <dave@home.example>\n\nbody\n");
    Mail(Name(7), "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@corp.example>\n\nbody\n");
    const Result result = Host({Receive(), "select --all", RunItem("差出人をホワイトリストに追加"),
                                RunItem("差出人ドメインをホワイトリストに追加"), RunItem("差出人をNGワードに登録する"),
                                RunItem("件名をNGワードに登録する"), RunItem("件名をOKワードに登録する", "--cancel-after 1"),
                                "select --index 1", RunItem("差出人をOKワードに登録する")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    EXPECT_EQ((std::vector<std::string>{"5 通の差出人をホワイトリストに追加しました。",
                                        "4 通の差出人ドメインをホワイトリストに追加しました。",
                                        "6 通の差出人をNGワードに登録しました。", "5 通の件名をNGワードに登録しました。",
                                        "1 通の件名をOKワードに登録しました。", "1 通の差出人をOKワードに登録しました。"}),
              BoxTexts(result));
    // The bare address came first with no name; the named message filled the note in. Own
    // addresses and the domains of own addresses (both mailboxes) stay out; a note once set
    // stays; an encoded name is decoded by the host.
    EXPECT_EQ(Cp932("alice@friends.example\tAlice\r\nbob@example.com\tBob\r\ncarol@listed.example\tOld note\r\n"
                    "corp.example\t山田\r\ndave@home.example\tDave\r\nfriends.example\tAlice\r\n"
                    "listed.example\tCarol\r\nyamada@corp.example\t山田\r\n"),
              ReadPluginData("WhiteList.txt"));
    // "Alice" came as a sender word and then as a subject: the subject wins.
    EXPECT_EQ(Cp932("Alice\tSubject\tText\tIgnoreCase\r\n" + cutSubject + "\tSubject\tText\tIgnoreCase\r\n"
                    "Bob\tFromname\tText\tIgnoreCase\r\nCarol\tFromname\tText\tIgnoreCase\r\n"
                    "Dave\tFromname\tText\tIgnoreCase\r\nHello from Carol\tSubject\tText\tIgnoreCase\r\n"
                    "Lunch\tSubject\tText\tIgnoreCase\r\nMe\tFromname\tText\tIgnoreCase\r\n"
                    "会議のお知らせ\tSubject\tText\tIgnoreCase\r\n山田\tFromname\tText\tIgnoreCase\r\n"),
              ReadPluginData("NgWordList.txt"));
    // Cancelled after the first message: its word is kept and the file written.
    EXPECT_EQ(Cp932("Alice\tFromname\tText\tIgnoreCase\r\n会議のお知らせ\tSubject\tText\tIgnoreCase\r\n"),
              ReadPluginData("OkWordList.txt"));

    // Removing domains leaves the address entries; removing a sender takes its address.
    const Result removal = Host({"select --all", RunItem("差出人ドメインをホワイトリストから削除"), "select --index 1",
                                 RunItem("差出人をホワイトリストから削除")});
    ASSERT_EQ(0, removal.exitCode) << Report(removal);
    EXPECT_EQ((std::vector<std::string>{"3 通の差出人ドメインをホワイトリストから削除しました。",
                                        "1 通の差出人をホワイトリストから削除しました。"}),
              BoxTexts(removal));
    EXPECT_EQ(Cp932("bob@example.com\tBob\r\ncarol@listed.example\tOld note\r\ndave@home.example\tDave\r\n"
                    "yamada@corp.example\t山田\r\n"),
              ReadPluginData("WhiteList.txt"));
}

TEST_F(CommandScenario, AListCommandWithoutASelectionCountsNothingAndStillSaves) {
    Mail(Name(1), Spam(1));
    const Result result = Host({Receive(), "select --none", RunItem("差出人をホワイトリストに追加", "--force")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<std::string> texts = BoxTexts(result);
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ("0 通の差出人をホワイトリストに追加しました。", texts[1]);
    EXPECT_EQ(0u, result.Events("progress").size());
    EXPECT_TRUE(testing_files::Exists(PluginData("WhiteList.txt")));
}
