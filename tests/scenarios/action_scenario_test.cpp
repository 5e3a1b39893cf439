// The spam actions as the host carries them out: to the trash, no move, to a folder (also the
// same folder in the receiving mailbox), an added header line; each with and without the read
// mark, which takes two calls; and a host that cannot allocate the parameter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/PluginInstall.h"

using testing_install::CleanMessage;
using testing_install::PluginInstall;
using testing_install::SpamMessage;

namespace {

// One call of the filter as the host reports it.
struct Step {
    int action;
    const char* param;  // null: none
    int result;
};

void ExpectSteps(const testing_json::Value& received, const std::vector<Step>& steps) {
    ASSERT_EQ(static_cast<long long>(steps.size()), received["calls"].Int());
    ASSERT_EQ(steps.size(), received["steps"].Size());
    for (size_t i = 0; i < steps.size(); ++i) {
        const testing_json::Value& step = received["steps"][i];
        EXPECT_EQ(steps[i].action, step["action"].Int()) << i;
        if (steps[i].param == nullptr) {
            EXPECT_TRUE(step["param"].IsNull()) << i;
        } else {
            EXPECT_EQ(steps[i].param, step["param"].Str()) << i;
        }
        EXPECT_EQ(steps[i].result, step["return"].Int()) << i;
        EXPECT_FALSE(step.Has("paramNotHostMemory")) << i;
    }
}

class ActionScenario : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(install.UseBestBsfilter());
        ASSERT_TRUE(install.UseTrainedDatabase());
        install.Set("Mirvane", "DontCheckDbOnStart", "True");
        spam = install.MessageFile("spam.eml", SpamMessage("Promo <deals@cheap-pills.example>", "cheap viagra casino"));
        clean = install.MessageFile("clean.eml", CleanMessage("Boss <boss@work.example>", "project review meeting"));
    }

    // Receives a spam and a clean message into mailbox; checks the clean one was left alone and
    // that the host's memory came back whole; returns the spam message's "received" line.
    testing_json::Value ReceiveSpam(const std::string& mailbox = "work.mb\\",
                                    const std::vector<std::string>& globals = std::vector<std::string>()) {
        const testing_host::Result result = install.Receive({spam, clean}, mailbox, globals);
        EXPECT_EQ(0, result.exitCode) << result.output;
        const std::vector<testing_json::Value> received = result.Events("received");
        EXPECT_EQ(2u, received.size()) << result.output;
        if (received.size() != 2) return testing_json::Value();
        // A pending second call never spills over onto the next message.
        ExpectSteps(received[1], {{-1, nullptr, 0}});
        EXPECT_EQ(mailbox + "!!!!Inbox\\", received[1]["folder"].Str());
        EXPECT_FALSE(received[1]["read"].Bool());
        const testing_json::Value memory = result.First("memory");
        EXPECT_EQ(0u, memory["leaks"].Size()) << result.output;
        EXPECT_EQ(0u, memory["faults"].Size()) << result.output;
        return received[0];
    }

    PluginInstall install;
    std::string spam;
    std::string clean;
};

}  // namespace

TEST_F(ActionScenario, GoTrashMovesToTheTrashOfTheReceivingMailbox) {
    testing_json::Value received = ReceiveSpam();
    ExpectSteps(received, {{0, "\\!Trash\\", 2}});
    EXPECT_EQ("work.mb\\!Trash\\", received["folder"].Str());
    EXPECT_FALSE(received["read"].Bool());
    received = ReceiveSpam("home.mb\\");
    EXPECT_EQ("home.mb\\!Trash\\", received["folder"].Str());

    install.Set("Mirvane", "SetReadToSpamMail", "True");
    received = ReceiveSpam();
    ExpectSteps(received, {{2, "R", 3}, {0, "\\!Trash\\", 2}});
    EXPECT_EQ("work.mb\\!Trash\\", received["folder"].Str());
    EXPECT_TRUE(received["read"].Bool());
}

TEST_F(ActionScenario, NoMoveLeavesTheMessageWithOrWithoutTheReadMark) {
    install.Set("Mirvane", "ProcessSpamMail", "NoMove");
    testing_json::Value received = ReceiveSpam();
    ExpectSteps(received, {{-1, nullptr, 0}});
    EXPECT_EQ("work.mb\\!!!!Inbox\\", received["folder"].Str());
    EXPECT_FALSE(received["read"].Bool());

    install.Set("Mirvane", "SetReadToSpamMail", "True");
    received = ReceiveSpam();
    ExpectSteps(received, {{2, "R", 3}, {-1, nullptr, 0}});
    EXPECT_EQ("work.mb\\!!!!Inbox\\", received["folder"].Str());
    EXPECT_TRUE(received["read"].Bool());
}

TEST_F(ActionScenario, GoFolderMovesToTheSpamFolderOrItsTwinInTheReceivingMailbox) {
    install.Set("Mirvane", "ProcessSpamMail", "GoFolder");
    // No folder chosen: nothing to do.
    testing_json::Value received = ReceiveSpam();
    ExpectSteps(received, {{-1, nullptr, 0}});

    install.Set("Mirvane", "SpamFolder", "work.mb\\!!!!Inbox\\spam\\");
    received = ReceiveSpam("home.mb\\");
    ExpectSteps(received, {{0, "work.mb\\!!!!Inbox\\spam\\", 2}});
    EXPECT_EQ("work.mb\\!!!!Inbox\\spam\\", received["folder"].Str());

    install.Set("Mirvane", "GoFolderSameRelativeFolderPath", "True");
    install.Set("Mirvane", "SetReadToSpamMail", "True");
    received = ReceiveSpam("home.mb\\");
    ExpectSteps(received, {{2, "R", 3}, {0, "home.mb\\!!!!Inbox\\spam\\", 2}});
    EXPECT_EQ("home.mb\\!!!!Inbox\\spam\\", received["folder"].Str());
    EXPECT_TRUE(received["read"].Bool());
    received = ReceiveSpam();
    EXPECT_EQ("work.mb\\!!!!Inbox\\spam\\", received["folder"].Str());
}

TEST_F(ActionScenario, AddHeaderPutsTheHeaderLineIntoTheStoredMessage) {
    install.Set("Mirvane", "ProcessSpamMail", "AddHeader");
    testing_json::Value received = ReceiveSpam();
    ExpectSteps(received, {{8, "X-Mirvane: spam", 1}});
    EXPECT_EQ("work.mb\\!!!!Inbox\\", received["folder"].Str());
    EXPECT_EQ(std::vector<std::string>{"X-Mirvane: spam"}, received["headersAdded"].Strings());

    install.Set("Mirvane", "SpamHeaderFieldName", "spam-check");
    install.Set("Mirvane", "SpamHeaderFieldBody", "yes");
    install.Set("Mirvane", "SetReadToSpamMail", "True");
    received = ReceiveSpam();
    ExpectSteps(received, {{2, "R", 3}, {8, "X-spam-check: yes", 1}});
    EXPECT_TRUE(received["read"].Bool());
    const std::string stored = testing_files::ReadBytes(install.InData(received["id"].Str()));
    const size_t header = stored.find("X-spam-check: yes\r\n");
    ASSERT_NE(std::string::npos, header) << stored;
    EXPECT_LT(header, stored.find("\r\n\r\n"));
}

TEST_F(ActionScenario, AHostWithoutMemoryForTheParameterGetsNoAction) {
    for (const char* read : {"False", "True"}) {
        install.Set("Mirvane", "SetReadToSpamMail", read);
        const testing_json::Value received = ReceiveSpam("work.mb\\", {"--fail-alloc"});
        ExpectSteps(received, {{-1, nullptr, 0}});
        EXPECT_EQ("work.mb\\!!!!Inbox\\", received["folder"].Str()) << read;
        EXPECT_FALSE(received["read"].Bool()) << read;
    }
}
