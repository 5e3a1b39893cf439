// Batch training and the probability table end to end: the real plug-in in the host simulator
// with Debian's bsfilter on Linux and the stand-in under Wine.
#include <algorithm>
#include <map>

#include "common/CommandScenario.h"
#include "common/TestFiles.h"

using testing_host::Result;
using testing_json::Value;
using namespace testing_scenario;

namespace {

// Messages whose bodies hold lines starting with "From " (as mailbox files would split them),
// one of them also starting with such a line, as a message saved from a mailbox file does.
std::string SpamWithFromLines(int n) {
    const std::string i = std::to_string(n);
    return std::string(n == 1 ? "From promo@cheap-pills.example Thu Aug 22 13:17:22 2002\n" : "") +
           "From: Promo " + i + " <promo" + i + "@cheap-pills.example>\nTo: me@example.com\nSubject: Cheap pills " + i +
           "\n\nCheap viagra casino bonus " + i + ".\n\nFrom the desk of our casino manager: free money.\n"
           "From here on, every line is an offer.\n\n>From quoted text stays as it is.\nFrom \nFrom\n";
}

std::string CleanWithFromLines(int n) {
    const std::string i = std::to_string(n);
    return "From: Colleague " + i + " <colleague" + i + "@work.example>\nTo: me@example.com\nSubject: Agenda " + i +
           "\n\nHi,\n\nFrom Monday on the review meets at ten.\nFrom: someone quoted\n\nFrom the team " + i + "\n";
}

// The script line that selects the inbox's messages first to last (numbered from 1 in the order
// they came in).
std::string SelectInbox(int first, int last) {
    std::string line = "select";
    for (int n = first; n <= last; ++n) line += " " + Id(kInbox, n);
    return line;
}

// Where each received message went, by file name.
std::map<std::string, std::string> Destinations(const Result& result) {
    std::map<std::string, std::string> where;
    for (const Value& line : result.Events("received")) {
        const std::string file = line["file"].Str();
        where[file.substr(file.find_last_of('\\') + 1)] = line["folder"].Str();
    }
    return where;
}

}  // namespace

TEST_F(CommandScenario, BatchTrainingBuildsTheSameDatabaseAsOneRunPerMessage) {
    NEED_BSFILTER();
    Settings("DisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\n");
    for (int n = 1; n <= 12; ++n) Mail(Name(n), SpamWithFromLines(n));
    const std::string spamMail = Receive();
    for (int n = 1; n <= 8; ++n) Mail(Name(n), CleanWithFromLines(n));
    const std::string cleanMail = Receive();
    const std::vector<std::string> training = {SelectInbox(1, 12), RunItem("--add-spam + --update"),
                                               SelectInbox(13, 20), RunItem("--add-clean + --update")};
    Result result = Host({spamMail, cleanMail, training[0], training[1], training[2], training[3]});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::string perMessage = DatabaseExport();
    ASSERT_FALSE(perMessage.empty());

    RemoveDatabase();
    Settings("DisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\nBatchLearning=True\r\n");
    result = Host(training);
    ASSERT_EQ(0, result.exitCode) << Report(result);
    EXPECT_EQ(perMessage, DatabaseExport());
}

TEST_F(CommandScenario, BatchTrainingCancelledInTheFirstBatchTrainsWhatItGathered) {
    NEED_BSFILTER();
    Settings("BatchLearning=True\r\n");
    for (int n = 1; n <= 150; ++n) Mail(Name(n), SpamWithFromLines(n));
    const Result result = Host({Receive(), "select --all", RunItem("--add-spam + --update", "--cancel-after 3")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    // Cancel comes once the bar shows 3 (at once on Linux; under Wine the host may see the
    // dialog a few messages later): the batch ends there and trains exactly what it gathered.
    long long shown = 0;
    long long cancelledAt = 0;
    for (const Value& line : result.Events("progress")) {
        shown = std::max(shown, line["current"].Int());
        if (line["cancel"].Bool()) cancelledAt = line["current"].Int();
    }
    EXPECT_GE(cancelledAt, 3);
    EXPECT_LT(shown, 101);
    const std::vector<std::string> texts = BoxTexts(result);
    ASSERT_EQ(2u, texts.size()) << Report(result);
    EXPECT_EQ(0u, texts[1].find(std::to_string(shown) + " 通のメールを --add-spam して学習しました。\r\n\r\n")) << texts[1];
    long spam = -1;
    long clean = -1;
    ASSERT_TRUE(ParseDbStatus(texts[1], &spam, &clean)) << texts[1];
    EXPECT_EQ(shown, spam);
}

TEST_F(CommandScenario, AFailingBatchIsTrainedAgainMessageByMessage) {
    NEED_BSFILTER();
    if (!FailTrainingOn("POISON")) GTEST_SKIP() << "only the stand-in can be made to fail on one message";
    Settings("DisableBeforeMsgbox=True\r\nBatchLearning=True\r\n");
    for (int n = 1; n <= 6; ++n) Mail(Name(n), SpamWithFromLines(n) + (n == 4 ? "POISON\n" : ""));
    const Result result = Host({Receive(), "select --all", RunItem("--add-spam + --update")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<std::string> texts = BoxTexts(result);
    ASSERT_EQ(1u, texts.size()) << Report(result);
    EXPECT_EQ(0u, texts[0].find("5 通のメールを --add-spam して学習しました。\r\n1 通のメールは学習できませんでした。"))
        << texts[0];
    // The three trained before the poisoned one in the failed batch are not counted twice.
    long spam = -1;
    long clean = -1;
    ASSERT_TRUE(ParseDbStatus(texts[0], &spam, &clean)) << texts[0];
    EXPECT_EQ(5, spam);
    EXPECT_FALSE(testing_files::Exists(PluginData("bsfilterdb.batch-copy")));
}

TEST_F(CommandScenario, AFailedUpdateLeavesThePreviousTableJudgingAsBefore) {
    NEED_BSFILTER();
    Settings("DisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\nBatchLearning=True\r\nProcessSpamMail=GoTrash\r\n");
    for (int n = 1; n <= 6; ++n) Mail(Name(n), SpamWithFromLines(n));
    const std::string spamMail = Receive();
    for (int n = 1; n <= 6; ++n) Mail(Name(n), CleanWithFromLines(n));
    const std::string cleanMail = Receive();
    Result result = Host({spamMail, cleanMail, SelectInbox(1, 6), RunItem("--add-spam + --update"), SelectInbox(7, 12),
                          RunItem("--add-clean + --update")});
    ASSERT_EQ(0, result.exitCode) << Report(result);

    // Held-out messages judged on the trained table.
    auto heldOut = [this]() {
        for (int n = 21; n <= 24; ++n) Mail(Name(n), SpamWithFromLines(n));
        for (int n = 31; n <= 34; ++n) Mail(Name(n), CleanWithFromLines(n));
        return Receive(true);
    };
    result = Host({heldOut()});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::map<std::string, std::string> before = Destinations(result);
    ASSERT_EQ(8u, before.size()) << Report(result);
    EXPECT_EQ(kTrash, before.at(Name(21)));
    EXPECT_EQ(kInbox, before.at(Name(31)));

    // More training whose update fails half-way through the table.
    ASSERT_TRUE(BreakDatabaseUpdateHalfWay());
    result = Host({SelectInbox(1, 3), RunItem("--add-spam + --update"), RunItem("--update")});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    const std::vector<std::string> texts = BoxTexts(result);
    ASSERT_EQ(2u, texts.size()) << Report(result);
    EXPECT_EQ("3 通のメールを --add-spam して学習しましたが、確率データベースの更新 (--update) に失敗しました。\r\n"
              "メールを学習し直す必要はありません。メニューの「--update」だけをやり直してください。\r\n"
              "更新前の確率データベースに戻したので、これまでどおりに判定されます。",
              texts[0]);
    EXPECT_EQ("確率データベースの更新に失敗しました。\r\n"
              "更新前の確率データベースに戻したので、これまでどおりに判定されます。",
              texts[1]);
    EXPECT_FALSE(testing_files::Exists(PluginData("bsfilterdb\\C.prob.sdbm.partial")));
    EXPECT_FALSE(testing_files::Exists(PluginData("bsfilterdb.prob-copy")));

    result = Host({heldOut()});
    ASSERT_EQ(0, result.exitCode) << Report(result);
    EXPECT_EQ(before, Destinations(result));
}
