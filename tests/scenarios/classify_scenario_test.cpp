// Classification of incoming mail in the host, with a trained bsfilter (the real one where it
// is installed, else the stand-in): the decision order white list, OK words, bsfilter, NG
// words, and the text bsfilter reads.
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

class ClassifyScenario : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(install.UseBestBsfilter());
        ASSERT_TRUE(install.UseTrainedDatabase());
        install.Set("Mirvane", "LogLevel", "INFO");
        install.Set("Mirvane", "DontCheckDbOnStart", "True");
    }

    // Receives the messages (name, text) into work.mb; returns the "received" lines in order.
    std::vector<testing_json::Value> Receive(const std::vector<std::pair<std::string, std::string>>& messages,
                                             const std::string& options = std::string()) {
        std::vector<std::string> files;
        for (const auto& message : messages) files.push_back(install.MessageFile(message.first, message.second));
        last = install.Receive(files, "work.mb\\", {}, options);
        EXPECT_EQ(0, last.exitCode) << last.output;
        const std::vector<testing_json::Value> received = last.Events("received");
        EXPECT_EQ(messages.size(), received.size()) << last.output;
        return received;
    }

    PluginInstall install;
    testing_host::Result last;
};

}  // namespace

TEST_F(ClassifyScenario, TheTrainedBsfilterTellsSpamFromCleanMail) {
    const auto received = Receive({{"spam.eml", SpamMessage("Promo <deals@cheap-pills.example>", "cheap viagra casino")},
                                   {"clean.eml", CleanMessage("Boss <boss@work.example>", "project review meeting")}});
    ASSERT_EQ(2u, received.size());
    EXPECT_EQ(kTrash, received[0]["folder"].Str());
    EXPECT_EQ(kInbox, received[1]["folder"].Str());
    EXPECT_TRUE(install.Logged("BKC_OnBeforeFilter2(): ExecBsfilter(): rc: [0], Message-Id: [<spam@cheap-pills.example>], "
                               "From: [Promo <deals@cheap-pills.example>], To: [me@example.com], Subject: [cheap viagra "
                               "casino]."));
    EXPECT_TRUE(install.Logged("ExecBsfilter(): rc: [1], Message-Id: [<clean@work.example>], From: [Boss "
                               "<boss@work.example>], To: [me@example.com], Subject: [project review meeting]."));
}

TEST_F(ClassifyScenario, WhiteListedSenderOrDomainIsLeftAloneWithoutRunningBsfilter) {
    install.Set("NgWord", "UseNgWord", "True");
    ASSERT_TRUE(install.WritePluginFile("NgWordList.txt", "viagra\tAll\tText\tIgnoreCase\r\n"));
    ASSERT_TRUE(install.WritePluginFile("WhiteList.txt", "deals@cheap-pills.example\t\r\nfriends.example\tclub\r\n"));
    const auto received = Receive({
        {"address.eml", SpamMessage("Promo <deals@cheap-pills.example>", "cheap viagra casino")},
        {"domain.eml", SpamMessage("\"Club\" <news@friends.example>", "viagra club casino")},
        {"subdomain.eml", SpamMessage("<news@mail.friends.example>", "viagra casino deals")},
        {"case.eml", SpamMessage("DEALS@cheap-pills.example", "cheap viagra prize")},
    });
    ASSERT_EQ(4u, received.size());
    EXPECT_EQ(kInbox, received[0]["folder"].Str());
    EXPECT_EQ(kInbox, received[1]["folder"].Str());
    // A sub-domain and another letter case are not the listed entries.
    EXPECT_EQ(kTrash, received[2]["folder"].Str());
    EXPECT_EQ(kTrash, received[3]["folder"].Str());
    EXPECT_TRUE(install.Logged("BKC_OnBeforeFilter2(): in white list (email or domain): email: [deals@cheap-pills.example], "
                               "From: [Promo <deals@cheap-pills.example>]."));
    EXPECT_TRUE(install.Logged("in white list (email or domain): email: [news@friends.example], From: [\"Club\" "
                               "<news@friends.example>]."));
    EXPECT_EQ(2u, install.Count("in white list (email or domain)"));
    // bsfilter ran for the other two only, and no NG lookup overrode the white list.
    EXPECT_EQ(2u, install.Count("ExecBsfilter(): rc: "));
    EXPECT_FALSE(install.Logged("Subject: [cheap viagra casino]"));
    EXPECT_FALSE(install.Logged("g_ngWordList: match"));
}

TEST_F(ClassifyScenario, OkWordsBeatBsfilterAndNgWords) {
    install.Set("OkWord", "UseOkWord", "True");
    install.Set("NgWord", "UseNgWord", "True");
    ASSERT_TRUE(install.WritePluginFile("OkWordList.txt", "newsletter\tSubject\tText\tIgnoreCase\r\n"
                                                          "^Friendly\tFromname\tRegex\tCase\r\n"));
    ASSERT_TRUE(install.WritePluginFile("NgWordList.txt", "viagra\tAll\tText\tIgnoreCase\r\n"));
    const auto received = Receive({
        {"subject.eml", SpamMessage("Promo <deals@cheap-pills.example>", "viagra NewsLetter")},
        {"sender.eml", SpamMessage("Friendly Promo <deals@cheap-pills.example>", "cheap viagra casino")},
        {"neither.eml", SpamMessage("friendly promo <deals@cheap-pills.example>", "cheap casino")},
    });
    ASSERT_EQ(3u, received.size());
    EXPECT_EQ(kInbox, received[0]["folder"].Str());
    EXPECT_EQ(kInbox, received[1]["folder"].Str());
    EXPECT_EQ(kTrash, received[2]["folder"].Str());  // the regular expression is case-sensitive
    EXPECT_TRUE(install.Logged("BKC_OnBeforeFilter2(): g_okWordList: match: From: [Promo <deals@cheap-pills.example>], "
                               "Subject: [viagra NewsLetter]."));
    EXPECT_TRUE(install.Logged("g_okWordList: match: From: [Friendly Promo <deals@cheap-pills.example>], Subject: "
                               "[cheap viagra casino]."));
    EXPECT_EQ(1u, install.Count("ExecBsfilter(): rc: "));
    EXPECT_FALSE(install.Logged("g_ngWordList: match"));
}

TEST_F(ClassifyScenario, NgWordsTurnACleanVerdictIntoSpamButAreNotAskedAfterASpamVerdict) {
    install.Set("NgWord", "UseNgWord", "True");
    ASSERT_TRUE(install.WritePluginFile("NgWordList.txt", "quarterly\tSubject\tText\tIgnoreCase\r\n"
                                                          "casino\tAll\tText\tIgnoreCase\r\n"));
    const auto received = Receive({
        {"ng.eml", CleanMessage("Boss <boss@work.example>", "Quarterly project review meeting")},
        {"clean.eml", CleanMessage("Boss <boss@work.example>", "project review meeting")},
        {"spam.eml", SpamMessage("Promo <deals@cheap-pills.example>", "cheap viagra casino")},
    });
    ASSERT_EQ(3u, received.size());
    EXPECT_EQ(kTrash, received[0]["folder"].Str());
    EXPECT_EQ(kInbox, received[1]["folder"].Str());
    EXPECT_EQ(kTrash, received[2]["folder"].Str());
    std::vector<std::string> lines;
    for (const std::string& line : install.LogLines()) {
        if (line.find("BKC_OnBeforeFilter2()") != std::string::npos) lines.push_back(line);
    }
    ASSERT_EQ(4u, lines.size()) << testing_files::ReadBytes(install.InPluginData("Mirvane.log"));
    EXPECT_NE(std::string::npos, lines[0].find("ExecBsfilter(): rc: [1], Message-Id: [<clean@work.example>], From: [Boss "
                                                "<boss@work.example>], To: [me@example.com], Subject: [Quarterly project "
                                                "review meeting]."));
    EXPECT_NE(std::string::npos, lines[1].find(" INFO: DllMain: "));
    EXPECT_NE(std::string::npos, lines[1].find("BKC_OnBeforeFilter2(): g_ngWordList: match: From: [Boss <boss@work.example>], "
                                                "Subject: [Quarterly project review meeting]."));
    EXPECT_NE(std::string::npos, lines[2].find("ExecBsfilter(): rc: [1]"));
    // bsfilter's spam verdict stands on its own: the NG word "casino" is not looked up.
    EXPECT_NE(std::string::npos, lines[3].find("ExecBsfilter(): rc: [0]"));

    // With the NG list switched off the same message stays.
    install.Set("NgWord", "UseNgWord", "False");
    const auto off = Receive({{"ng2.eml", CleanMessage("Boss <boss@work.example>", "Quarterly project review meeting")}});
    ASSERT_EQ(1u, off.size());
    EXPECT_EQ(kInbox, off[0]["folder"].Str());
}

TEST_F(ClassifyScenario, FoldedAndEncodedHeadersAreLoggedDecodedOnOneLine) {
    install.Set("NgWord", "UseNgWord", "True");
    // "迷惑" in CP932, the NG word; the subject carries it MIME-encoded (UTF-8) and folded.
    ASSERT_TRUE(install.WritePluginFile("NgWordList.txt", "\x96\xc0\x98\x66\tSubject\tText\tCase\r\n"));
    const std::string message =
        "From: =?UTF-8?B?5bGx55Sw?= <yamada@work.example>\r\nTo: me@example.com,\r\n you@example.com\r\nSubject: "
        "project\r\n =?UTF-8?B?6L+35oORIHJldmlldw==?=\r\n\r\nThe agenda for the review meeting: schedule and budget.\r\n";
    const auto received = Receive({{"encoded.eml", message}});
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ(kTrash, received[0]["folder"].Str());
    // "山田" and "迷惑 review", decoded by the host to CP932; a fold's CR LF is taken out and
    // its blank kept.
    EXPECT_TRUE(install.Logged("From: [\x8e\x52\x93\x63 <yamada@work.example>], To: [me@example.com, you@example.com], "
                               "Subject: [project \x96\xc0\x98\x66 review]."))
        << testing_files::ReadBytes(install.InPluginData("Mirvane.log"));
    EXPECT_TRUE(install.Logged("g_ngWordList: match: From: [\x8e\x52\x93\x63 <yamada@work.example>], Subject: "
                               "[project \x96\xc0\x98\x66 review]."));
}

TEST_F(ClassifyScenario, BsfilterReadsTheMessageUpToTheEndLine) {
    // The stand-in reports what it read; with no trained data it then judges clean.
    PluginInstall standin;
    ASSERT_TRUE(standin.UseStandin());
    ASSERT_TRUE(standin.WriteConfig("standin input-digest\r\n"));
    standin.Set("Mirvane", "LogLevel", "DEBUG");
    const std::string text = "From: a@b.example\r\nSubject: dots\r\n\r\nline one\r\n..stuffed\r\nlast line\r\n";
    const std::string inner = "From: a@b.example\r\nSubject: inner\r\n\r\nbefore\r\n.\r\nafter\r\n";
    const std::string file = standin.MessageFile("m.eml", text);
    const std::string innerFile = standin.MessageFile("inner.eml", inner);
    const testing_host::Result dotted = standin.Receive({file}, "work.mb\\", {}, "--dot");
    ASSERT_EQ(0, dotted.exitCode) << dotted.output;
    const testing_host::Result plain = standin.Receive({file, innerFile});
    ASSERT_EQ(0, plain.exitCode) << plain.output;
    auto digest = [](const std::string& input) {
        std::string line = testing_bsfilter::StandinDigest(input);
        line.pop_back();
        return line;
    };
    // With the POP3 end line the cut takes the CR LF before "." with it.
    EXPECT_EQ(1u, standin.Count(digest(text.substr(0, text.size() - 2)))) << digest(text);
    // Without one the whole text; a "." line inside a message also ends what bsfilter reads.
    EXPECT_EQ(1u, standin.Count(digest(text)));
    EXPECT_EQ(1u, standin.Count(digest("From: a@b.example\r\nSubject: inner\r\n\r\nbefore")));
    EXPECT_EQ(3u, standin.Count("ExecBsfilter(): rc: [1]"));
}
