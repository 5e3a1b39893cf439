// The runner with the real bsfilter: Debian's bsfilter script under Ruby, in script mode, doing
// for real what the plug-in asks of it: training, taking training back, updating, reporting
// the database and judging.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "common/BsfilterSetup.h"
#include "common/TestFiles.h"
#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"
#include "settings/Profile.h"

using testing_bsfilter::BsfilterSetup;
using testing_files::Exists;

namespace {

const char kRuby[] = "\\usr\\bin\\ruby";
const char kBsfilter[] = "\\usr\\bin\\bsfilter";

std::string Spam(int i) {
    return "From: promo" + std::to_string(i) + "@cheap-pills.example\r\nSubject: Buy cheap viagra pills now " +
           std::to_string(i) +
           "\r\n\r\nCheap viagra, casino bonus, free money, click here to win a prize. Limited offer viagra "
           "casino.\r\n";
}

std::string Clean(int i) {
    return "From: colleague" + std::to_string(i) + "@work.example\r\nSubject: Meeting agenda for the project review " +
           std::to_string(i) +
           "\r\n\r\nHi, please find the agenda for tomorrow's project meeting attached. The review covers the "
           "schedule and the budget.\r\n";
}

// The numbers of the "db C" line of bsfilter's status report (tokens and messages per corpus;
// the second is the clean messages, the fourth the spam messages).
std::vector<long> StatusNumbers(const std::string& status) {
    std::vector<long> numbers;
    const size_t at = status.find("db C ");
    if (at == std::string::npos) return numbers;
    std::istringstream fields(status.substr(at + 5, status.find('\n', at) - at - 5));
    long n = 0;
    while (fields >> n) numbers.push_back(n);
    return numbers;
}

class RealBsfilter : public ::testing::Test {
protected:
    void SetUp() override {
        bool regular = false;
        if (!PlatformStat(kRuby, &regular, nullptr) || !PlatformStat(kBsfilter, &regular, nullptr)) {
            GTEST_SKIP() << "bsfilter and ruby are not installed";
        }
        g_scriptProfile.SetUseBsfilterScript(true);
        g_scriptProfile.SetRubyModulePath(kRuby);
        ASSERT_TRUE(CopyFileA(kBsfilter, g_bsfilterScript, FALSE));
        ASSERT_TRUE(IsBsfilterAvailable());
    }

    int Run(const std::string* message, std::string* output, const char* option) {
        return ExecBsfilter(message != nullptr ? message->data() : nullptr,
                            message != nullptr ? static_cast<DWORD>(message->size()) : 0, output, "%s", option);
    }

    BsfilterSetup setup;
};

}  // namespace

TEST_F(RealBsfilter, TrainsUpdatesReportsAndJudges) {
    std::string output;
    for (int i = 1; i <= 5; ++i) {
        const std::string spam = Spam(i);
        const std::string clean = Clean(i);
        EXPECT_EQ(Run(&spam, &output, "--add-spam"), 0) << output;
        EXPECT_EQ(Run(&clean, &output, "--add-clean"), 0) << output;
    }
    EXPECT_EQ(Run(nullptr, &output, "--update"), 0) << output;
    // The database lives in the home folder given on the command line.
    EXPECT_TRUE(Exists(std::string(g_bsfilterDbFolder) + "\\C.spam.sdbm.pag"));
    EXPECT_TRUE(Exists(std::string(g_bsfilterDbFolder) + "\\C.prob.sdbm.pag"));

    std::string status;
    EXPECT_EQ(Run(nullptr, &status, "--show-db-status"), 0);
    std::vector<long> numbers = StatusNumbers(status);
    ASSERT_GE(numbers.size(), 4u) << status;
    EXPECT_EQ(numbers[1], 5);
    EXPECT_EQ(numbers[3], 5);

    // Judging: no option, the message on standard input, 0 spam and 1 clean.
    const std::string newSpam =
        "From: deals@cheap-pills.example\r\nSubject: cheap viagra casino\r\n\r\nFree money casino bonus, click here, "
        "viagra pills prize.\r\n";
    const std::string newClean =
        "From: boss@work.example\r\nSubject: project review meeting\r\n\r\nThe agenda for the review meeting: schedule "
        "and budget of the project.\r\n";
    std::string verdict;
    EXPECT_EQ(ExecBsfilter(newSpam.data(), static_cast<DWORD>(newSpam.size()), &verdict, ""), 0) << verdict;
    EXPECT_EQ(ExecBsfilter(newClean.data(), static_cast<DWORD>(newClean.size()), &verdict, ""), 1) << verdict;

    // Taking training back.
    const std::string spam = Spam(1);
    const std::string clean = Clean(1);
    EXPECT_EQ(Run(&spam, &output, "--sub-spam"), 0) << output;
    EXPECT_EQ(Run(&clean, &output, "--sub-clean"), 0) << output;
    status.clear();
    EXPECT_EQ(Run(nullptr, &status, "--show-db-status"), 0);
    numbers = StatusNumbers(status);
    ASSERT_GE(numbers.size(), 4u) << status;
    EXPECT_EQ(numbers[1], 4);
    EXPECT_EQ(numbers[3], 4);
}

TEST_F(RealBsfilter, ReportsItsErrorsThroughTheOutput) {
    // An option bsfilter does not know: a non-zero status and its complaint in the output,
    // standard error included.
    std::string output;
    const int status = Run(nullptr, &output, "--no-such-option");
    EXPECT_NE(status, 0);
    EXPECT_NE(status, -1);
    EXPECT_FALSE(output.empty());
}

// Each failure of a real bsfilter that could be caused here: what it prints, and what the
// runner makes of it. A judging run that dies with a Ruby exception exits with 1, the status
// of "clean": the runner reads its traceback and gives no verdict (-1) instead.
TEST_F(RealBsfilter, FailuresGiveNoVerdictAndTheirTextReachesTheLog) {
    setup.LogAt("ERROR");
    std::string output;
    for (int i = 1; i <= 3; ++i) {
        const std::string spam = Spam(i);
        const std::string clean = Clean(i);
        ASSERT_EQ(Run(&spam, &output, "--add-spam"), 0) << output;
        ASSERT_EQ(Run(&clean, &output, "--add-clean"), 0) << output;
    }
    ASSERT_EQ(Run(nullptr, &output, "--update"), 0) << output;
    const std::string message = Clean(9);
    output.clear();
    ASSERT_EQ(Run(&message, &output, ""), 1) << output;  // clean, and silent
    EXPECT_EQ(output, "");
    EXPECT_EQ(setup.LogText(), "");
    const std::string db = g_bsfilterDbFolder;

    // A corrupt probability table: "sdbm_store failed (SDBMError)".
    std::string pag(4096, '\0');
    for (size_t k = 0; k < pag.size(); ++k) pag[k] = static_cast<char>((k * 2654435761u) >> 13);
    ASSERT_TRUE(testing_files::WriteBytes(db + "\\C.prob.sdbm.pag", pag));
    ASSERT_TRUE(testing_files::WriteBytes(db + "\\C.prob.sdbm.dir", pag.substr(0, 64)));
    output.clear();
    EXPECT_EQ(Run(&message, &output, ""), -1);
    EXPECT_NE(output.find("(SDBMError)"), std::string::npos) << output;
    EXPECT_NE(setup.LogText().find("(SDBMError)"), std::string::npos);

    // A table that cannot be read (a folder where the file should be): the same error.
    SetBsfilterRunLimitForTesting(0);  // a new session: the text is logged again
    ASSERT_TRUE(DeleteFileA((db + "\\C.prob.sdbm.pag").c_str()));
    ASSERT_TRUE(CreateDirectoryA((db + "\\C.prob.sdbm.pag").c_str(), nullptr));
    output.clear();
    EXPECT_EQ(Run(&message, &output, ""), -1);
    EXPECT_NE(output.find("(SDBMError)"), std::string::npos) << output;
    RemoveDirectoryA((db + "\\C.prob.sdbm.pag").c_str());

    // The database library missing: Ruby cannot load "sdbm" ("LoadError"). A library folder
    // first on Ruby's load path stands in for an installation without it.
    const std::string lib = std::string(g_bsfilterDbFolder) + "\\..\\nosdbm";
    ASSERT_TRUE(testing_files::MakeFolders(lib));
    ASSERT_TRUE(testing_files::WriteBytes(lib + "\\sdbm.rb", "raise LoadError, 'cannot load such file -- sdbm'\n"));
    char saved[4096] = "";
    const bool hadRubyOpt = GetEnvironmentVariableA("RUBYOPT", saved, sizeof(saved)) > 0;
    std::string native = lib;
    for (char& c : native) c = c == '\\' ? '/' : c;
    ASSERT_TRUE(SetEnvironmentVariableA("RUBYOPT", ("-I" + native).c_str()));
    SetBsfilterRunLimitForTesting(0);
    output.clear();
    const int missing = Run(&message, &output, "");
    SetEnvironmentVariableA("RUBYOPT", hadRubyOpt ? saved : nullptr);
    EXPECT_EQ(missing, -1);
    EXPECT_NE(output.find("(LoadError)"), std::string::npos) << output;
    EXPECT_NE(setup.LogText().find("cannot load such file -- sdbm (LoadError)"), std::string::npos);

    // A bad option in bsfilter.conf: bsfilter's own message and status 2, no verdict either.
    SetBsfilterRunLimitForTesting(0);
    ASSERT_TRUE(setup.WriteConfig("no-such-option\n"));
    output.clear();
    EXPECT_EQ(Run(&message, &output, ""), 2);
    EXPECT_NE(output.find("unrecognized option `--no-such-option'"), std::string::npos) << output;
    EXPECT_NE(setup.LogText().find("unrecognized option"), std::string::npos);
}
