// Odd input and a misbehaving or missing bsfilter, through the host: messages without a sender
// or without any header, with NUL bytes or a 10 MB body; bsfilter missing or crashing. The
// plug-in never fails the host and decides as well as the input allows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/BsfilterSetup.h"
#include "common/PluginInstall.h"

using testing_install::CleanMessage;
using testing_install::PluginInstall;
using testing_install::SpamMessage;

namespace {

const char kInbox[] = "work.mb\\!!!!Inbox\\";
const char kTrash[] = "work.mb\\!Trash\\";

class BadInputScenario : public ::testing::Test {
protected:
    void SetUp() override {
        install.Set("Mirvane", "DontCheckDbOnStart", "True");
        install.Set("NgWord", "UseNgWord", "True");
        ASSERT_TRUE(install.WritePluginFile("NgWordList.txt", "viagra\tAll\tText\tIgnoreCase\r\n"));
        ASSERT_TRUE(install.WritePluginFile("WhiteList.txt", "example.com\t\r\n"));
    }

    std::vector<testing_json::Value> Receive(const std::vector<std::string>& files) {
        const testing_host::Result result = install.Receive(files);
        EXPECT_EQ(0, result.exitCode) << result.output;
        EXPECT_EQ(0u, result.First("memory")["faults"].Size());
        const std::vector<testing_json::Value> received = result.Events("received");
        EXPECT_EQ(files.size(), received.size()) << result.output;
        return received;
    }

    PluginInstall install;
};

}  // namespace

TEST_F(BadInputScenario, MessagesWithoutSenderOrHeaderOrWithNulBytesAreJudged) {
    ASSERT_TRUE(install.UseStandin());
    ASSERT_TRUE(install.WriteConfig("standin input-digest\r\n"));
    install.Set("Mirvane", "LogLevel", "DEBUG");
    const std::string nul("From: a@b.example\r\nSubject: nul\r\n\r\nbefore\0after viagra\r\n", 57);
    const std::vector<testing_json::Value> received = Receive({
        install.MessageFile("1-nofrom.eml", "To: me@example.com\r\nSubject: viagra question\r\n\r\nThe agenda.\r\n"),
        install.MessageFile("2-noheader.eml", "just a line of text\r\nand another one\r\n"),
        install.MessageFile("3-nul.eml", nul),
        install.MessageFile("4-empty.eml", ""),
    });
    ASSERT_EQ(4u, received.size());
    // No sender: no white-list test, but the NG words still see the subject.
    EXPECT_EQ(kTrash, received[0]["folder"].Str());
    EXPECT_TRUE(install.Logged("ExecBsfilter(): rc: [1], Message-Id: [], From: [], To: [me@example.com], Subject: "
                               "[viagra question]."));
    EXPECT_TRUE(install.Logged("g_ngWordList: match: From: [], Subject: [viagra question]."));
    // No header (as for the empty message below): every field empty, bsfilter still reads
    // the text.
    EXPECT_EQ(kInbox, received[1]["folder"].Str());
    EXPECT_EQ(2u, install.Count("ExecBsfilter(): rc: [1], Message-Id: [], From: [], To: [], Subject: []."));
    std::string digest = testing_bsfilter::StandinDigest("just a line of text\r\nand another one\r\n");
    digest.pop_back();
    EXPECT_TRUE(install.Logged(digest));
    // The host hands the text over as a C string: it ends at the NUL byte, and so does what
    // bsfilter reads (the NG word after it is not seen).
    EXPECT_EQ(kInbox, received[2]["folder"].Str());
    digest = testing_bsfilter::StandinDigest("From: a@b.example\r\nSubject: nul\r\n\r\nbefore");
    digest.pop_back();
    EXPECT_TRUE(install.Logged(digest));
    // An empty message: bsfilter reads nothing and judges.
    EXPECT_EQ(kInbox, received[3]["folder"].Str());
    EXPECT_TRUE(install.Logged("input bytes=0 "));
    EXPECT_EQ(4u, install.Count("ExecBsfilter(): rc: "));
}

TEST_F(BadInputScenario, ATenMegabyteMessageIsReadWholeByBsfilter) {
    ASSERT_TRUE(install.UseStandin());
    ASSERT_TRUE(install.UseTrainedDatabase());
    install.Set("Mirvane", "LogLevel", "INFO");
    // Ten megabytes of words bsfilter was never trained on, then the spam words at the very end:
    // only a bsfilter that read it all can call it spam.
    std::string big = "From: Promo <deals@cheap-pills.example>\r\nSubject: report\r\n\r\n";
    const std::string line = "lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor\r\n";
    while (big.size() < 10u * 1024 * 1024) big += line;
    big += "Free money casino bonus, click here, viagra pills prize. Cheap viagra casino offer.\r\n";
    const std::vector<testing_json::Value> received = Receive({install.MessageFile("big.eml", big)});
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ(kTrash, received[0]["folder"].Str());
    EXPECT_EQ(big.size(), testing_files::ReadBytes(install.InData(received[0]["id"].Str())).size());
    EXPECT_TRUE(install.Logged("ExecBsfilter(): rc: [0], Message-Id: [], From: [Promo <deals@cheap-pills.example>]"));
}

TEST_F(BadInputScenario, OverlongHeaderFieldsAreCutInTheLogAndStillMatched) {
    ASSERT_TRUE(install.UseStandin());
    install.Set("Mirvane", "LogLevel", "INFO");
    const std::string address = std::string(2000, 'a') + "@example.net";
    const std::string subject = std::string(20000, 's') + " viagra";
    const std::vector<testing_json::Value> received = Receive({
        install.MessageFile("long.eml", "From: " + std::string(3000, 'N') + " <" + address + ">\r\nSubject: " + subject +
                                            "\r\n\r\nbody\r\n"),
    });
    ASSERT_EQ(1u, received.size());
    // The NG word at the end of the subject is found.
    EXPECT_EQ(kTrash, received[0]["folder"].Str());
    // Each entry is cut to 8191 characters (losing its line end, so the next entry follows on
    // the same line): three entries, PATH, the verdict and the NG match, make at most 3 * 8191.
    const std::string log = testing_files::ReadBytes(install.InPluginData("Mirvane.log"));
    EXPECT_LE(log.size(), 3u * 8191u);
    EXPECT_EQ(1u, install.Count("ExecBsfilter(): rc: [1], Message-Id: [], From: [NNNN"));
    EXPECT_EQ(1u, install.Count("g_ngWordList: match: From: [NNNN"));
}

TEST_F(BadInputScenario, WithoutBsfilterNothingIsDecided) {
    install.Set("Mirvane", "LogLevel", "WARN");
    const std::vector<testing_json::Value> received = Receive({
        install.MessageFile("spam.eml", SpamMessage("Promo <deals@cheap-pills.example>", "cheap viagra casino")),
        install.MessageFile("clean.eml", CleanMessage("Boss <boss@work.example>", "project review")),
    });
    ASSERT_EQ(2u, received.size());
    for (const testing_json::Value& message : received) {
        EXPECT_EQ(kInbox, message["folder"].Str());
        EXPECT_EQ(1u, message["steps"].Size());
        EXPECT_EQ(-1, message["steps"][0]["action"].Int());
        EXPECT_EQ(0, message["steps"][0]["return"].Int());
    }
    EXPECT_EQ(2u, install.Count(" WARN: DllMain: "));
    EXPECT_EQ(2u, install.Count("BKC_OnBeforeFilter2(): bsfilter Unavailable."));
    EXPECT_FALSE(install.Logged("g_ngWordList"));
}

TEST_F(BadInputScenario, ACrashingBsfilterJudgesNothingSpamButNgWordsStillCount) {
    ASSERT_TRUE(install.UseStandin());
    ASSERT_TRUE(install.UseTrainedDatabase());
    ASSERT_TRUE(install.WriteConfig("standin crash\r\n"));
    install.Set("Mirvane", "LogLevel", "INFO");
    const std::vector<testing_json::Value> received = Receive({
        install.MessageFile("spam.eml", SpamMessage("Promo <deals@cheap-pills.example>", "cheap casino")),
        install.MessageFile("ng.eml", CleanMessage("Boss <boss@work.example>", "viagra review")),
    });
    ASSERT_EQ(2u, received.size());
    EXPECT_EQ(kInbox, received[0]["folder"].Str());
    EXPECT_EQ(kTrash, received[1]["folder"].Str());
    // A crash's status is large: it reads as negative, and is no verdict.
    EXPECT_EQ(2u, install.Count("BKC_OnBeforeFilter2(): ExecBsfilter(): rc: [-"));
    EXPECT_TRUE(install.Logged("g_ngWordList: match: From: [Boss <boss@work.example>], Subject: [viagra review]."));
}
