// Batch training ("BatchLearning") and the probability table kept across a failed update.
#include <gtest/gtest.h>

#include "commands/CommandsFixture.h"
#include "resources/resource.h"

namespace {

using commands_test::BsfilterRun;
using commands_test::CommandsTest;
using commands_test::J;
using commands_test::Message;
using commands_test::Text;
using testing_files::Exists;
using testing_files::ReadBytes;
using testing_files::WriteBytes;

// The quoted file arguments after the option of a batch run.
std::vector<std::string> FileArguments(const std::string& options) {
    std::vector<std::string> files;
    size_t at = options.find('"');
    while (at != std::string::npos) {
        const size_t end = options.find('"', at + 1);
        if (end == std::string::npos) break;
        files.push_back(options.substr(at + 1, end - at - 1));
        at = options.find('"', end + 1);
    }
    return files;
}

bool IsBatchRun(const BsfilterRun& run) { return !run.hasInput && run.options.find('"') != std::string::npos; }

class LearnBatchTest : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        g_profile.SetBatchLearning(true);
        g_profile.SetDisableBeforeMsgbox(true);
        // Every batch run is read at once: its files, in argument order, while they exist.
        bsfilter.result = [this](const BsfilterRun& run) {
            if (!IsBatchRun(run)) return perMessage ? perMessage(run) : 0;
            std::vector<std::string> texts;
            for (const std::string& file : FileArguments(run.options)) {
                files.push_back(file);
                texts.push_back(ReadBytes(file));
            }
            batches.push_back(texts);
            return batchResult ? batchResult(texts) : 0;
        };
    }

    std::string Db(const std::string& name) const { return dir.File("bsfilterdb\\" + name); }
    std::string ResultText() {
        auto boxes = host.TakeBoxes();
        return boxes.empty() ? std::string() : boxes.back().text;
    }

    std::vector<std::vector<std::string>> batches;  // the sources each batch run read
    std::vector<std::string> files;                 // every file a batch run was given
    std::function<int(const std::vector<std::string>&)> batchResult;
    std::function<int(const BsfilterRun&)> perMessage;
};

}  // namespace

TEST_F(LearnBatchTest, MessagesGoInBatchesOfAHundredAsFilesThatAreRemovedAfterwards) {
    struct Case {
        int messages;
        std::vector<size_t> batchSizes;  // a batch of one trains on standard input
        size_t perMessageRuns;
    };
    const Case cases[] = {{1, {}, 1}, {100, {100}, 0}, {250, {100, 100, 50}, 0}, {201, {100, 100}, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messages);
        batches.clear();
        files.clear();
        bsfilter.runs.clear();
        std::vector<std::string> ids;
        for (int i = 1; i <= c.messages; ++i) {
            ids.push_back("case" + std::to_string(c.messages) + "-" + std::to_string(i));
            host.AddMessage(ids.back(), Message("Sender <s" + std::to_string(i) + "@example.com>", ids.back()));
        }
        host.Select(ids);
        Run(CmdLearnAddSpam);
        ASSERT_EQ(batches.size(), c.batchSizes.size());
        size_t next = 0;
        for (size_t b = 0; b < batches.size(); ++b) {
            ASSERT_EQ(batches[b].size(), c.batchSizes[b]);
            for (const std::string& text : batches[b]) EXPECT_EQ(text, host.Source(ids[next++]));
        }
        size_t stdinRuns = 0;
        for (const BsfilterRun& run : bsfilter.runs) {
            if (run.hasInput) {
                EXPECT_EQ(run.options, "--add-spam");
                EXPECT_EQ(run.input, host.Source(ids[next++]));
                ++stdinRuns;
            }
        }
        EXPECT_EQ(stdinRuns, c.perMessageRuns);
        EXPECT_EQ(next, ids.size());
        for (const std::string& file : files) EXPECT_FALSE(Exists(file)) << file;
        EXPECT_EQ(bsfilter.RunsWith("--update").size(), 1u);
        const std::string text = ResultText();
        EXPECT_EQ(text.substr(0, text.find("\r\n")),
                  J(std::to_string(c.messages) + " 通のメールを --add-spam して学習しました。"));
        EXPECT_EQ(host.OutstandingSources(), 0);
    }
}

TEST_F(LearnBatchTest, ResultCountsTheTrainedMessagesAndTheTidyingFollowsTheOption) {
    host.AddMessage("a", Message("x <x@example.com>", "one", "X-Mirvane: spam\r\n"));
    host.AddMessage("b", Message("y <y@example.com>", "two", "X-Mirvane: spam\r\n"));
    host.AddMessage("c", Message("z <z@example.com>", "three"));
    host.SelectAll();
    Run(CmdLearnAddClean);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].size(), 3u);
    EXPECT_EQ(host.Source("a"), Message("x <x@example.com>", "one"));
    EXPECT_EQ(host.Source("b"), Message("y <y@example.com>", "two"));
    EXPECT_EQ(host.CallsNamed("SetSource").size(), 2u);
    const std::string text = ResultText();
    EXPECT_EQ(text.substr(0, text.find("\r\n")), J("3 通のメールを --add-clean して学習しました。"));
}

TEST_F(LearnBatchTest, CancelEndsTheBatchAfterTheMessageDuringWhichItCame) {
    const std::vector<std::string> ids = AddMessages(10);
    host.CancelAfter(3);
    Run(CmdLearnAddSpam);
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(batches[0][i], host.Source(ids[i]));
    EXPECT_EQ(host.GetSourceCalls(), 3);
    EXPECT_EQ(bsfilter.RunsWith("--update").size(), 1u);
    const std::string text = ResultText();
    EXPECT_EQ(text.substr(0, text.find("\r\n")), J("3 通のメールを --add-spam して学習しました。"));
}

TEST_F(LearnBatchTest, FailingBatchPutsTheTokenTablesBackAndTrainsOneByOne) {
    AddMessages(5);
    WriteBytes(Db("C.clean.sdbm.pag"), "trained before");
    WriteBytes(Db("C.prob.sdbm.pag"), "table");
    // The batch run fails after it has written to the token table, as bsfilter does when one of
    // its messages breaks it half-way.
    batchResult = [this](const std::vector<std::string>&) {
        WriteBytes(Db("C.clean.sdbm.pag"), "half a batch");
        WriteBytes(Db("C.clean.sdbm.new"), "made by the failed run");
        return 1;
    };
    std::vector<std::string> tablesSeen;
    perMessage = [&](const BsfilterRun& run) {
        if (run.hasInput) tablesSeen.push_back(ReadBytes(Db("C.clean.sdbm.pag")));
        return run.input.find("subject 3") != std::string::npos ? 1 : 0;
    };
    Run(CmdLearnAddClean);
    ASSERT_EQ(batches.size(), 1u);
    // Each message again on its own, on the tables as they were before the batch.
    ASSERT_EQ(tablesSeen.size(), 5u);
    for (const std::string& table : tablesSeen) EXPECT_EQ(table, "trained before");
    EXPECT_FALSE(Exists(Db("C.clean.sdbm.new")));
    EXPECT_EQ(ReadBytes(Db("C.prob.sdbm.pag")), "table");
    EXPECT_FALSE(Exists(dir.File("bsfilterdb.batch-copy")));
    const std::string text = ResultText();
    EXPECT_EQ(text.substr(0, text.find("\r\n\r\n")),
              J("4 通のメールを --add-clean して学習しました。\r\n1 通のメールは学習できませんでした。"));
}

TEST_F(LearnBatchTest, PerMessageTrainingStaysWhenTheSettingIsOff) {
    g_profile.SetBatchLearning(false);
    AddMessages(3);
    Run(CmdLearnSubClean);
    EXPECT_TRUE(batches.empty());
    EXPECT_EQ(bsfilter.RunsWith("--sub-clean").size(), 3u);
}

// ---- judging in batches ---------------------------------------------------------------------------

TEST_F(LearnBatchTest, JudgingListsTheSpamOfEachBatchAndActsAsPerMessageJudging) {
    const std::vector<std::string> ids = AddMessages(150);
    g_profile.SetProcessSpamMail(kNoMove);
    g_profile.SetSetReadToSpamMail(true);
    // "--list-spam": the files whose message has a subject ending in 7 are spam.
    batchResult = [this](const std::vector<std::string>& texts) {
        const std::vector<std::string> given = FileArguments(bsfilter.runs.back().options);
        bsfilter.output.clear();
        for (size_t i = 0; i < texts.size(); ++i) {
            if (texts[i].find("7\r\nTo:") != std::string::npos) bsfilter.output += given[i] + "\n";
        }
        return bsfilter.output.empty() ? 1 : 0;
    };
    Run(CmdJudgeAndAct);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(bsfilter.runs[0].options.compare(0, 12, "--list-spam "), 0);
    for (const std::string& file : files) EXPECT_FALSE(Exists(file)) << file;
    // Subjects 7, 17, ..., 147: fifteen spam, marked read and left out of the host's filter.
    std::vector<std::string> read;
    for (const auto& call : host.CallsNamed("SetStatus")) read.push_back(call.args[0]);
    std::vector<std::string> expected;
    for (int i = 7; i <= 150; i += 10) expected.push_back(ids[i - 1]);
    EXPECT_EQ(read, expected);
    EXPECT_EQ(ResultText(), J("150 通のうち 15 通が spam と判定されました。"));
}

TEST_F(LearnBatchTest, JudgingBatchWithoutAListFallsBackToOneRunPerMessage) {
    AddMessages(4);
    batchResult = [this](const std::vector<std::string>&) {
        bsfilter.output = "/usr/bin/bsfilter:1783:in `update': sdbm error\n";
        return 1;
    };
    perMessage = [](const BsfilterRun& run) { return run.input.find("subject 3") != std::string::npos ? 0 : 1; };
    Run(CmdJudgeAndAct);
    ASSERT_EQ(batches.size(), 1u);
    size_t judgedAlone = 0;
    for (const BsfilterRun& run : bsfilter.runs) judgedAlone += run.hasInput && run.options.empty() ? 1 : 0;
    EXPECT_EQ(judgedAlone, 4u);
    EXPECT_EQ(ResultText(), J("4 通のうち 1 通が spam と判定されました。"));
}

// ---- the probability table across "--update" ---------------------------------------------------

class ProbabilityTableTest : public LearnBatchTest {
protected:
    void SetUp() override {
        LearnBatchTest::SetUp();
        WriteBytes(Db("C.prob.sdbm.pag"), "previous table");
        WriteBytes(Db("C.prob.sdbm.dir"), "previous directory");
        WriteBytes(Db("C.spam.sdbm.pag"), "spam tokens");
        // "--update" rewrites half of the table and adds a file, then fails or not as asked.
        perMessage = [this](const BsfilterRun& run) {
            if (run.options != "--update") return 0;
            WriteBytes(Db("C.prob.sdbm.pag"), "27 tokens");
            WriteBytes(Db("ja.prob.sdbm.pag"), "new");
            return updateResult;
        };
    }

    void ExpectPreviousTable() {
        EXPECT_EQ(ReadBytes(Db("C.prob.sdbm.pag")), "previous table");
        EXPECT_EQ(ReadBytes(Db("C.prob.sdbm.dir")), "previous directory");
        EXPECT_FALSE(Exists(Db("ja.prob.sdbm.pag")));
        EXPECT_EQ(ReadBytes(Db("C.spam.sdbm.pag")), "spam tokens");
        EXPECT_FALSE(Exists(dir.File("bsfilterdb.prob-copy")));
    }

    int updateResult = 1;
};

TEST_F(ProbabilityTableTest, FailedUpdateAfterTrainingPutsThePreviousTableBackAndSaysSo) {
    AddMessages(2);
    g_profile.SetDisableResultMsgbox(true);
    Run(CmdLearnAddSpam);
    ExpectPreviousTable();
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              J("2 通のメールを --add-spam して学習しましたが、確率データベースの更新 (--update) に失敗しました。\r\n"
                "メールを学習し直す必要はありません。メニューの「--update」だけをやり直してください。\r\n"
                "更新前の確率データベースに戻したので、これまでどおりに判定されます。"));
    EXPECT_EQ(boxes[0].caption, Text(IDS_LEARN_CAPTION));
    EXPECT_TRUE(bsfilter.RunsWith("--show-db-status").empty());
}

TEST_F(ProbabilityTableTest, FailedUpdateOfTheOtherCommandsKeepsThePreviousTableToo) {
    AddMessages(2);
    Run(CmdUpdateDb);
    ExpectPreviousTable();
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, J("確率データベースの更新に失敗しました。\r\n"
                               "更新前の確率データベースに戻したので、これまでどおりに判定されます。"));

    Run(CmdTreatAsSpam);
    ExpectPreviousTable();
    boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.substr(0, boxes[0].text.find("\r\n")),
              J("2 通のメールを --add-spam して学習しましたが、確率データベースの更新 (--update) に失敗しました。"));
    EXPECT_EQ(boxes[0].caption, Text(IDS_TREAT_SPAM_CAPTION));
    EXPECT_TRUE(host.CallsNamed("MoveMessages").empty());
}

TEST_F(ProbabilityTableTest, SuccessfulUpdateKeepsTheNewTableAndDropsTheCopy) {
    updateResult = 0;
    AddMessages(1);
    Run(CmdLearnAddClean);
    EXPECT_EQ(ReadBytes(Db("C.prob.sdbm.pag")), "27 tokens");
    EXPECT_TRUE(Exists(Db("ja.prob.sdbm.pag")));
    EXPECT_FALSE(Exists(dir.File("bsfilterdb.prob-copy")));
    const std::string text = ResultText();
    EXPECT_EQ(text.substr(0, text.find("\r\n")), J("1 通のメールを --add-clean して学習しました。"));
}

TEST_F(ProbabilityTableTest, NoUpdateRunsWhenTheTableCannotBeCopied) {
    // A file in the place of the copy's folder: the copy cannot be made.
    WriteBytes(dir.File("bsfilterdb.prob-copy"), "in the way");
    AddMessages(1);
    Run(CmdUpdateDb);
    EXPECT_TRUE(bsfilter.RunsWith("--update").empty());
    EXPECT_EQ(ReadBytes(Db("C.prob.sdbm.pag")), "previous table");
    auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, J("確率データベースの更新に失敗しました。\r\n"
                               "確率データベースの控えを作れなかったので、更新せずに今の確率データベースを使い続けます。"));
}
