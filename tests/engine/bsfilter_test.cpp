// The bsfilter runner against the stand-in (tests/standin): command lines, exit statuses, pipes
// and the writer thread, large input and output, misbehaving children, the run limit, the log
// texts, the locks and the availability rules.
#include <gtest/gtest.h>

#include <atomic>
#include <initializer_list>
#include <string>
#include <thread>

#include "common/BsfilterSetup.h"
#include "common/TestFiles.h"
#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"
#include "settings/Profile.h"

using testing_bsfilter::BsfilterSetup;
using testing_bsfilter::ChildPath;
using testing_bsfilter::StandinDigest;
using testing_bsfilter::StandinPattern;
using testing_files::Exists;
using testing_files::MakeFolders;
using testing_files::WriteBytes;

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string ExeCommand() {
    return Quoted(g_bsfilterExe) + " --homedir " + Quoted(g_bsfilterDbFolder) + " --config-file " +
           Quoted(g_bsfilterConfig);
}

// The arguments the stand-in's echo-args reports for the fixed front of the command line.
std::string FrontArgs() {
    return "arg[0]=[--homedir]\narg[1]=[" + ChildPath(g_bsfilterDbFolder) + "]\narg[2]=[--config-file]\narg[3]=[" +
           ChildPath(g_bsfilterConfig) + "]\n";
}

// Whether the texts occur in text in this order.
bool InOrder(const std::string& text, std::initializer_list<std::string> parts) {
    size_t at = 0;
    for (const std::string& part : parts) {
        at = text.find(part, at);
        if (at == std::string::npos) return false;
        at += part.size();
    }
    return true;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// Every byte value but NUL, repeated (NULs are not kept in the output, see the output test).
std::string BinaryText(size_t length, bool withNul) {
    std::string text(length, '\0');
    for (size_t k = 0; k < length; ++k) text[k] = static_cast<char>(withNul ? k % 256 : 1 + k % 255);
    return text;
}

class BsfilterRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(setup.InstallStandinExe()); }

    // One run with the given stand-in actions; input null for none.
    int Run(const std::string& actions, const std::string* input, std::string* output, const char* option = "") {
        EXPECT_TRUE(setup.WriteConfig(actions));
        return ExecBsfilter(input != nullptr ? input->data() : nullptr,
                            input != nullptr ? static_cast<DWORD>(input->size()) : 0, output, "%s", option);
    }

    std::string Db(const char* name) const { return std::string(g_bsfilterDbFolder) + "\\" + name; }

    BsfilterSetup setup;
};

}  // namespace

TEST_F(BsfilterRun, CommandLineHasTheFixedFrontAndTheCallersOptions) {
    EXPECT_EQ(GetBsfilterCommand(), ExeCommand());

    // The child gets the four front words and then the formatted options; an empty format adds
    // only the trailing blank, which makes no argument.
    std::string output;
    EXPECT_EQ(Run("standin echo-args\nstandin exit 0\n", nullptr, &output), 0);
    EXPECT_EQ(output, FrontArgs());
    output.clear();
    EXPECT_TRUE(setup.WriteConfig("standin echo-args\nstandin exit 0\n"));
    EXPECT_EQ(ExecBsfilter(nullptr, 0, &output, "%s --x=%d", "--update", 42), 0);
    EXPECT_EQ(output, FrontArgs() + "arg[4]=[--update]\narg[5]=[--x=42]\n");

    setup.LogAt("DEBUG");
    ASSERT_TRUE(setup.WriteConfig(""));
    std::string ignored;
    EXPECT_EQ(ExecBsfilter(nullptr, 0, &ignored, ""), 1);  // judging an empty message: clean
    EXPECT_NE(setup.LogText().find("ExecBsfilter(): CreateProcess(): succeeded. command: [" + ExeCommand() + " ].\r\n"),
              std::string::npos);
}

TEST_F(BsfilterRun, ScriptModeRunsTheScriptUnderTheInterpreter) {
    ASSERT_TRUE(setup.InstallStandinScript());
    EXPECT_EQ(GetBsfilterCommand(), Quoted(g_scriptProfile.RubyModulePath()) + " " + Quoted(g_bsfilterScript) +
                                        " --homedir " + Quoted(g_bsfilterDbFolder) + " --config-file " +
                                        Quoted(g_bsfilterConfig));
    std::string output;
    EXPECT_EQ(Run("standin echo-args\n", nullptr, &output, "--show-db-status"), 0);
    EXPECT_EQ(output.substr(0, output.find("db standin")),
              "arg[0]=[" + ChildPath(g_bsfilterScript) + "]\n" +
                  "arg[1]=[--homedir]\narg[2]=[" + ChildPath(g_bsfilterDbFolder) + "]\narg[3]=[--config-file]\narg[4]=[" +
                  ChildPath(g_bsfilterConfig) + "]\narg[5]=[--show-db-status]\n");
}

TEST_F(BsfilterRun, OverlongCommandLineIsCutAt8191Characters) {
    const std::string option = "-" + std::string(8999, 'x');
    std::string output;
    EXPECT_EQ(Run("standin echo-args\n", nullptr, &output, option.c_str()), 2);  // the stand-in refuses it
    const std::string kept = "-" + std::string(8191 - ExeCommand().size() - 2, 'x');
    EXPECT_EQ(output, FrontArgs() + "arg[4]=[" + kept + "]\n" + "bsfilter-standin: unknown argument: " + kept + "\n");
}

TEST(BsfilterPaths, PercentInEveryPathStaysLiteral) {
    BsfilterSetup setup("p%s%d%n%%");
    ASSERT_TRUE(setup.InstallStandinExe());
    const std::string command = GetBsfilterCommand();
    EXPECT_EQ(Count(command, "p%s%d%n%%"), 3u);
    EXPECT_EQ(command, ExeCommand());

    ASSERT_TRUE(setup.WriteConfig("standin echo-args\n"));
    std::string output;
    EXPECT_EQ(ExecBsfilter(nullptr, 0, &output, "%s", "--update"), 0);
    EXPECT_EQ(output, FrontArgs() + "arg[4]=[--update]\n");
    EXPECT_TRUE(Exists(std::string(g_bsfilterDbFolder) + "\\standin.prob.txt"));

    // Script mode: the interpreter and the script path are copied literally too.
    ASSERT_TRUE(setup.InstallStandinScript());
    EXPECT_EQ(Count(GetBsfilterCommand(), "p%s%d%n%%"), 3u);
    std::string status;
    EXPECT_EQ(ExecBsfilter(nullptr, 0, &status, "%s", "--show-db-status"), 0);
    EXPECT_NE(status.find("arg[0]=[" + ChildPath(g_bsfilterScript) + "]"), std::string::npos);
}

TEST_F(BsfilterRun, ResultIsTheChildsExitStatus) {
    std::string output;
    EXPECT_EQ(Run("standin exit 0\n", nullptr, &output), 0);
    EXPECT_EQ(Run("standin exit 1\n", nullptr, &output), 1);
    EXPECT_EQ(Run("standin exit 3\n", nullptr, &output), 3);
    EXPECT_EQ(Run("standin exit 3\n", nullptr, nullptr), 3);

    // A crash ends with a large status (an NTSTATUS-like code), which reads as negative but
    // is not the runner's own -1.
    const int crashed = Run("standin crash\n", nullptr, &output);
    EXPECT_LT(crashed, 0);
    EXPECT_NE(crashed, -1);
    const std::string input = "From: a@example.com\r\n\r\nbody\r\n";
    const int crashedReading = Run("standin crash\n", &input, &output);
    EXPECT_LT(crashedReading, 0);
    EXPECT_NE(crashedReading, -1);
}

TEST_F(BsfilterRun, OutputGathersStandardOutputAndErrorAfterWhatTheStringHeld) {
    std::string output = "before|";
    EXPECT_EQ(Run("standin print one\\n\nstandin stderr two\\n\nstandin print three\\n\nstandin exit 0\n", nullptr,
                  &output),
              0);
    EXPECT_EQ(output, "before|one\ntwo\nthree\n");

    // NUL bytes are left out; the text after them is kept.
    output.clear();
    EXPECT_EQ(Run("standin print a\\0b\\0\\0c\\n\nstandin exit 0\n", nullptr, &output), 0);
    EXPECT_EQ(output, "abc\n");

    // A child that writes nothing leaves the string as it was.
    output = "kept";
    EXPECT_EQ(Run("standin exit 0\n", nullptr, &output), 0);
    EXPECT_EQ(output, "kept");

    // A child slower than one turn of the read loop: the output written late still arrives.
    output.clear();
    EXPECT_EQ(Run("standin sleep 1300\nstandin print late\nstandin exit 5\n", nullptr, &output), 5);
    EXPECT_EQ(output, "late");
}

TEST_F(BsfilterRun, LargeInputAndOutputPassCompletely) {
    const std::string input = BinaryText(5u << 20, true);
    std::string output;
    EXPECT_EQ(Run("standin input-digest\nstandin exit 0\n", &input, &output), 0);
    EXPECT_EQ(output, StandinDigest(input));

    output.clear();
    EXPECT_EQ(Run("standin write 1000000\nstandin exit 0\n", nullptr, &output), 0);
    EXPECT_EQ(output.size(), 1000000u);
    EXPECT_TRUE(output == StandinPattern(1000000));

    // Output still queued in the pipe when the child ends (several reads' worth where the
    // pipe holds that much) is read to the end.
    output.clear();
    EXPECT_EQ(Run("standin write 60000\nstandin exit 0\n", nullptr, &output), 0);
    EXPECT_EQ(output, StandinPattern(60000));

    // Both ways at once: everything read is written back while the rest is still coming
    // (kept up to the bound, drained beyond it).
    const std::string text = BinaryText(3u << 20, false);
    output.clear();
    EXPECT_EQ(Run("standin echo-input\nstandin exit 0\n", &text, &output), 0);
    EXPECT_EQ(output.size(), kBsfilterOutputLimit);
    EXPECT_TRUE(output == text.substr(0, kBsfilterOutputLimit));
}

TEST_F(BsfilterRun, ChildMayWriteBeforeItReadsItsInput) {
    const std::string input = BinaryText(3u << 20, true);
    std::string output;
    EXPECT_EQ(Run("standin write 1000000\nstandin input-digest\n", &input, &output), 1);  // then judged clean
    EXPECT_EQ(output.size(), 1000000u + StandinDigest(input).size());
    EXPECT_TRUE(output == StandinPattern(1000000) + StandinDigest(input));
}

TEST_F(BsfilterRun, ChildMayEndWithoutReadingItsInput) {
    const std::string input = BinaryText(5u << 20, true);
    std::string output;
    EXPECT_EQ(Run("standin print bye\nstandin exit 7\n", &input, &output), 7);
    EXPECT_EQ(output, "bye");
    EXPECT_EQ(Run("standin exit 6\n", &input, nullptr), 6);
    // The writer learnt of the closed pipe by itself; it did not have to be terminated.
    const std::string log = setup.LogText();
    EXPECT_EQ(Count(log, "WriteBsfilStdinThread(): Util::WriteToFile().\r\n"), 2u);
    EXPECT_EQ(Count(log, "WaitForSingleObject(): LastError: ["), 0u);
}

TEST_F(BsfilterRun, RunLimitEndsAHungChild) {
    // The limit leaves a slow process start (a Windows program under Wine on a loaded machine) ample time
    // to reach its first step before it is ended.
    SetBsfilterRunLimitForTesting(2000);
    const std::string input = BinaryText(2u << 20, true);
    std::string output;
    // With output, without output, and with input the child never reads.
    EXPECT_EQ(Run("standin touch started-a\nstandin sleep 4000\nstandin touch survived-a\n", nullptr, &output), -1);
    EXPECT_EQ(Run("standin touch started-b\nstandin sleep 4000\nstandin touch survived-b\n", nullptr, nullptr), -1);
    EXPECT_EQ(Run("standin touch started-c\nstandin sleep 4000\nstandin touch survived-c\n", &input, &output), -1);

    const std::string log = setup.LogText();
    EXPECT_EQ(Count(log, "ExecBsfilter(): bsfilter did not end within the run limit: [2000] ms.\r\n"), 3u);
    // Only the run without output pipe found its child still running at the final wait; no
    // writer had to be given up (the terminated child's pipe broke under it).
    EXPECT_EQ(Count(log, "WaitForSingleObject(): LastError: ["), 1u);
    EXPECT_EQ(Count(log, "], waitStatus: [258].\r\n"), 1u);
    EXPECT_TRUE(Exists(Db("started-a")));
    EXPECT_TRUE(Exists(Db("started-b")));
    EXPECT_TRUE(Exists(Db("started-c")));
    // None of them lives on: after their sleep, nothing appears.
    Sleep(4500);
    EXPECT_FALSE(Exists(Db("survived-a")));
    EXPECT_FALSE(Exists(Db("survived-b")));
    EXPECT_FALSE(Exists(Db("survived-c")));

    // A child that ends in time is not affected.
    SetBsfilterRunLimitForTesting(10000);
    output.clear();
    EXPECT_EQ(Run("standin sleep 1200\nstandin print done\nstandin exit 0\n", nullptr, &output), 0);
    EXPECT_EQ(output, "done");
}

TEST_F(BsfilterRun, RunLimitEndsTheWholeProcessTree) {
    // bsfilter (here the stand-in) starts a program that outlives it unless the whole tree is
    // ended: the descendant appends to a file every 20 ms while it lives.
    SetBsfilterRunLimitForTesting(3000);
    std::string output;
    EXPECT_EQ(Run("standin spawn-beater beats\nstandin hang\n", nullptr, &output), -1);
    ASSERT_TRUE(Exists(Db("beats")));
    Sleep(300);  // a kill in flight lands
    const size_t before = testing_files::ReadBytes(Db("beats")).size();
    Sleep(600);
    EXPECT_EQ(testing_files::ReadBytes(Db("beats")).size(), before) << "a descendant of bsfilter lives on";

    // A descendant left behind by a bsfilter that ended by itself is ended with its run too.
    SetBsfilterRunLimitForTesting(0);
    EXPECT_EQ(Run("standin spawn-beater beats-2\nstandin exit 1\n", nullptr, &output), 1);
    Sleep(300);
    const size_t left = testing_files::ReadBytes(Db("beats-2")).size();
    Sleep(600);
    EXPECT_EQ(testing_files::ReadBytes(Db("beats-2")).size(), left) << "a descendant of bsfilter lives on";
}

TEST(BsfilterRunLimits, EachKindOfRunHasItsOwnLimit) {
    SetBsfilterRunLimitForTesting(0);
    // The kind as ExecBsfilter reads it from the options its callers pass.
    EXPECT_EQ(BsfilterRunKindOf("").task, BsfilterTask::Judge);
    EXPECT_EQ(BsfilterRunKindOf("  ").task, BsfilterTask::Judge);
    EXPECT_EQ(BsfilterRunKindOf("--show-db-status").task, BsfilterTask::Status);
    EXPECT_EQ(BsfilterRunKindOf("--update").task, BsfilterTask::Update);
    for (const char* training : {"--add-spam", "--add-clean", "--sub-spam", "--sub-clean"}) {
        const BsfilterRunKind kind = BsfilterRunKindOf(training);
        EXPECT_EQ(kind.task, BsfilterTask::Train) << training;
        EXPECT_EQ(kind.messages, 1u);
        EXPECT_FALSE(kind.update);
    }
    EXPECT_TRUE(BsfilterRunKindOf("--add-spam --update").update);
    EXPECT_EQ(BsfilterRunKindOf("--add-spamx").task, BsfilterTask::Update);  // unknown: the long limit
    EXPECT_EQ(BsfilterRunKindOf("--update --show-db-status").task, BsfilterTask::Update);
    // Batch runs: the quoted message files count, for training and for "--list-spam".
    const BsfilterRunKind batch = BsfilterRunKindOf("--add-clean --update \"C:\\t\\a b.eml\" \"C:\\t\\2.eml\" \"3\"");
    EXPECT_EQ(batch.task, BsfilterTask::Train);
    EXPECT_EQ(batch.messages, 3u);
    EXPECT_TRUE(batch.update);
    const BsfilterRunKind list = BsfilterRunKindOf("--list-spam \"1.eml\" \"2.eml\"");
    EXPECT_EQ(list.task, BsfilterTask::Judge);
    EXPECT_EQ(list.messages, 2u);
    EXPECT_GT(BsfilterRunLimitMs(list), BsfilterRunLimitMs(JudgingRun()));

    // Judging and the start-up probe end a hang within seconds; an update may take minutes;
    // a batch gets more time with every message, and an update on top, but never unbounded.
    EXPECT_EQ(BsfilterRunLimitMs(BsfilterRunKindOf("")), kJudgeRunLimitMs);
    EXPECT_EQ(BsfilterRunLimitMs(BsfilterRunKindOf("--show-db-status")), kStatusRunLimitMs);
    EXPECT_LE(kJudgeRunLimitMs, 60000u);
    EXPECT_LE(kStatusRunLimitMs, 60000u);
    EXPECT_GT(BsfilterRunLimitMs(UpdateRun()), BsfilterRunLimitMs(JudgingRun()));
    const DWORD one = BsfilterRunLimitMs(TrainingRun(1));
    const DWORD many = BsfilterRunLimitMs(TrainingRun(1000));
    EXPECT_GT(many, one);
    EXPECT_GT(BsfilterRunLimitMs(TrainingRun(1000, true)), many);
    EXPECT_EQ(BsfilterRunLimitMs(TrainingRun(4000000000u, true)), kLongestRunLimitMs);
    // A test's cap bounds them all.
    SetBsfilterRunLimitForTesting(250);
    EXPECT_EQ(BsfilterRunLimitMs(TrainingRun(1000, true)), 250u);
    SetBsfilterRunLimitForTesting(0);
}

TEST_F(BsfilterRun, ExplicitKindSetsTheLimitOfThatRun) {
    // The same slow child: too slow for a judging run capped at 1.5 s, fine for one whose
    // limit the caller chose: the cap and the kind's own limit are both in force.
    SetBsfilterRunLimitForTesting(1500);
    ASSERT_TRUE(setup.WriteConfig("standin sleep 300\nstandin exit 0\n"));
    std::string output;
    EXPECT_EQ(ExecBsfilterAs(TrainingRun(3), nullptr, 0, &output, "%s", "--update"), 0);
    ASSERT_TRUE(setup.WriteConfig("standin hang\n"));
    EXPECT_EQ(ExecBsfilterAs(TrainingRun(3), nullptr, 0, &output, "%s", "--update"), -1);
    EXPECT_NE(setup.LogText().find("bsfilter did not end within the run limit: [1500] ms."), std::string::npos);
}

TEST_F(BsfilterRun, OutputBeyondTheBoundIsDrainedAndDropped) {
    // Endless output once crashed the 32-bit host with std::bad_alloc: now the first
    // kBsfilterOutputLimit bytes are kept, the rest is read and dropped, and the run ends with
    // the child's own status.
    std::string output = "held";
    const size_t written = 3 * kBsfilterOutputLimit + 12345;
    EXPECT_EQ(Run("standin write " + std::to_string(written) + "\nstandin exit 3\n", nullptr, &output), 3);
    ASSERT_EQ(output.size(), 4 + kBsfilterOutputLimit);
    EXPECT_EQ(output.substr(0, 4), "held");
    EXPECT_EQ(output.substr(4, 64), StandinPattern(64));
    const std::string log = setup.LogText();
    EXPECT_NE(log.find("ExecBsfilter(): output over the bound: [" + std::to_string(kBsfilterOutputLimit) +
                       "] bytes kept, [" + std::to_string(written - kBsfilterOutputLimit) + "] bytes dropped."),
              std::string::npos);
    // Within the bound nothing is dropped or logged.
    ASSERT_TRUE(WriteBytes(g_logPath, ""));
    output.clear();
    EXPECT_EQ(Run("standin write 70000\nstandin exit 0\n", nullptr, &output), 0);
    EXPECT_EQ(output.size(), 70000u);
    EXPECT_EQ(setup.LogText().find("output over the bound"), std::string::npos);
}

TEST(BsfilterFailureText, RubyExceptionsAreFailuresAndVerdictTextIsNot) {
    // What Debian's bsfilter 1.0.19 printed here: the database library missing, a corrupt
    // database, a store that failed; Ruby 3.4 quotes the method with ' instead of `.
    EXPECT_TRUE(BsfilterOutputShowsFailure(
        "/usr/lib/ruby/3.1.0/sdbm.rb:1:in `<top (required)>': cannot load such file -- sdbm (LoadError)\n"
        "\tfrom /usr/bin/bsfilter:3106:in `get_options'\n"));
    EXPECT_TRUE(BsfilterOutputShowsFailure("/usr/bin/bsfilter:680:in `[]=': sdbm_store failed (SDBMError)\n"
                                           "\tfrom /usr/bin/bsfilter:680:in `set'\n"));
    EXPECT_TRUE(BsfilterOutputShowsFailure("warning: something\r\n/usr/bin/bsfilter:719:in 'open': "
                                           "Permission denied @ rb_sysopen - x (Errno::EACCES)\r\n"));
    EXPECT_TRUE(BsfilterOutputShowsFailure("C:\\bsfilter\\bsfilter:12:in `initialize': bad (RuntimeError)"));
    // A clean verdict prints nothing; the status report and stray text are no failure.
    EXPECT_FALSE(BsfilterOutputShowsFailure(""));
    EXPECT_FALSE(BsfilterOutputShowsFailure("db standin spam 3 clean 4 tokens 10 probabilities 10\n"));
    EXPECT_FALSE(BsfilterOutputShowsFailure("Subject: we met in `Tokyo': nice (really)\n"));
    EXPECT_FALSE(BsfilterOutputShowsFailure("file:12:in `x': text (lower case)\n"));
    EXPECT_FALSE(BsfilterOutputShowsFailure("file:in `x': text (Error)\n"));
}

TEST_F(BsfilterRun, FailedRunsLogTheirOutputAtErrorAndFailedJudgingIsNoVerdict) {
    // The default level: ERROR only.
    setup.LogAt("ERROR");
    const std::string traceback = "/usr/bin/bsfilter:680:in `[]=': sdbm_store failed (SDBMError)\\n"
                                  "\\tfrom /usr/bin/bsfilter:3414:in `<main>'\\n";
    const std::string message = "Subject: x\r\n\r\nbody\r\n";
    std::string output;
    // A judging run that dies with a Ruby exception exits 1 like "clean": no verdict.
    EXPECT_EQ(Run("standin stderr " + traceback + "\nstandin exit 1\n", &message, &output), -1);
    std::string log = setup.LogText();
    EXPECT_NE(log.find("ExecBsfilter(): bsfilter failed: status: [-1], output: ["), std::string::npos);
    EXPECT_NE(log.find("sdbm_store failed (SDBMError)"), std::string::npos);
    // Once per session with the text: every incoming message would repeat it.
    output.clear();
    EXPECT_EQ(Run("standin stderr " + traceback + "\nstandin exit 1\n", &message, &output), -1);
    log = setup.LogText();
    EXPECT_EQ(Count(log, "sdbm_store failed (SDBMError)"), 1u);
    EXPECT_EQ(Count(log, "bsfilter failed: status: [-1] (output as logged at the first failure)."), 1u);

    // A clean verdict, with empty output or with ordinary text, stays clean and logs nothing.
    ASSERT_TRUE(WriteBytes(g_logPath, ""));
    output.clear();
    EXPECT_EQ(Run("standin read\nstandin exit 1\n", &message, &output), 1);
    EXPECT_EQ(Run("standin read\nstandin print in `x': y (z)\nstandin exit 1\n", &message, &output), 1);
    EXPECT_EQ(Run("standin read\nstandin exit 0\n", &message, &output), 0);
    EXPECT_EQ(setup.LogText(), "");

    // Any other run whose status is not 0 logs what bsfilter said, every time.
    for (int i = 0; i < 2; ++i) {
        output.clear();
        EXPECT_EQ(Run("standin stderr update broke\\n\nstandin exit 1\n", nullptr, &output, "--update"), 1);
    }
    EXPECT_EQ(Count(setup.LogText(), "ExecBsfilter(): bsfilter failed: status: [1], output: [13] bytes."), 2u);
    EXPECT_EQ(Count(setup.LogText(), "update broke"), 2u);
    // Bounded: a failure that floods keeps its log entry small.
    ASSERT_TRUE(WriteBytes(g_logPath, ""));
    output.clear();
    EXPECT_EQ(Run("standin write 200000\nstandin exit 5\n", nullptr, &output, "--update"), 5);
    log = setup.LogText();
    EXPECT_LT(log.size(), kBsfilterLoggedOutputLimit + 1000);
    EXPECT_NE(log.find("[... " + std::to_string(200000 - kBsfilterLoggedOutputLimit) + " more bytes]"),
              std::string::npos);
}

TEST_F(BsfilterRun, PipesOnlyForWhatIsGiven) {
    setup.LogAt("DEBUG");
    EXPECT_EQ(Run("standin exit 4\n", nullptr, nullptr), 4);
    std::string log = setup.LogText();
    EXPECT_EQ(Count(log, "CreatePipe()"), 0u);
    EXPECT_EQ(Count(log, "CreateThread()"), 0u);
    EXPECT_EQ(Count(log, "pOutput->length()"), 0u);
    EXPECT_TRUE(InOrder(log, {"ExecBsfilter(): CreateProcess(): succeeded.", "ExecBsfilter(): WaitForSingleObject(): succeeded.\r\n",
                              "ExecBsfilter(): GetExitCodeProcess(): succeeded. exitCode: [4].\r\n",
                              "ExecBsfilter(): end result: [4].\r\n"}));

    ASSERT_TRUE(WriteBytes(g_logPath, ""));
    const std::string input = "abc";
    EXPECT_EQ(Run("standin read\nstandin exit 5\n", &input, nullptr), 5);
    log = setup.LogText();
    EXPECT_EQ(Count(log, "CreatePipe(): succeeded."), 1u);
    EXPECT_EQ(Count(log, "DuplicateHandle(): succeeded."), 1u);
    EXPECT_EQ(Count(log, "CreateThread(): succeeded."), 1u);
    EXPECT_EQ(Count(log, "pOutput->length()"), 0u);
}

TEST_F(BsfilterRun, LogTellsEveryStep) {
    setup.LogAt("DEBUG");
    const std::string input = "Subject: hi\r\n\r\nmessage\r\n";
    std::string output;
    EXPECT_EQ(Run("standin read\nstandin print hello\\n\nstandin exit 1\n", &input, &output, "--add-spam"), 1);
    const std::string log = setup.LogText();
    EXPECT_TRUE(InOrder(log, {
        "ExecBsfilter(): begin.\r\n",
        "ExecBsfilter(): CreatePipe(): succeeded.\r\n",
        "ExecBsfilter(): DuplicateHandle(): succeeded.\r\n",
        "ExecBsfilter(): CreatePipe(): succeeded.\r\n",
        "ExecBsfilter(): DuplicateHandle(): succeeded.\r\n",
        "ExecBsfilter(): DuplicateHandle(): succeeded.\r\n",
        "ExecBsfilter(): CreateProcess(): succeeded. command: [" + ExeCommand() + " --add-spam].\r\n",
        "ExecBsfilter(): CreateThread(): succeeded.\r\n",
        "ExecBsfilter(): WaitForSingleObject(): succeeded. waitStatus: [",
        "ExecBsfilter(): PeekNamedPipe(): succeeded. readBytes: [",
        "ExecBsfilter(): ReadFile(): succeeded. readBytes: [6].\r\n",
        "ExecBsfilter(): WaitForSingleObject(): succeeded. waitStatus: [0].\r\n",
        "ExecBsfilter(): PeekNamedPipe(): succeeded. readBytes: [0].\r\n",
        "ExecBsfilter(): pOutput->length(): [6].\r\nhello\r\n",
        "ExecBsfilter(): WaitForSingleObject(): succeeded.\r\n",
        "ExecBsfilter(): WaitForSingleObject(): succeeded.\r\n",
        "ExecBsfilter(): GetExitCodeProcess(): succeeded. exitCode: [1].\r\n",
        "ExecBsfilter(): end result: [1].\r\n"}));
    EXPECT_TRUE(InOrder(log, {"WriteBsfilStdinThread(): begin.\r\n", "WriteBsfilStdinThread(): Util::WriteToFile(): succeeded.\r\n",
                              "WriteBsfilStdinThread(): end.\r\n"}));

    // Nothing written: the length line says 0.
    output.clear();
    ASSERT_TRUE(WriteBytes(g_logPath, ""));
    EXPECT_EQ(Run("standin exit 0\n", nullptr, &output), 0);
    EXPECT_NE(setup.LogText().find("ExecBsfilter(): pOutput->length(): [0].\r\n"), std::string::npos);

    // A program that cannot be started.
    ASSERT_TRUE(WriteBytes(g_logPath, ""));
    ASSERT_TRUE(DeleteFileA(g_bsfilterExe));
    EXPECT_EQ(Run("", nullptr, &output, "--update"), -1);
    const std::string failed = setup.LogText();
    EXPECT_TRUE(InOrder(failed, {"ERROR: Mirvane: ", "ExecBsfilter(): CreateProcess(): LastError: [",
                                 "], command: [" + ExeCommand() + " --update].\r\n",
                                 "ExecBsfilter(): end result: [-1].\r\n"}));
    EXPECT_EQ(Count(failed, "WaitForSingleObject()"), 0u);
}

TEST_F(BsfilterRun, LockIsHeldForTheWholeRunAndSettingsLockIsNot) {
    std::atomic<bool> runOver{false};
    std::atomic<bool> sawStart{false};
    std::atomic<bool> bsfilterLockFree{true};
    std::atomic<bool> heldSettingsUntilTheEnd{false};
    const std::string started = Db("started");
    std::thread prober([&]() {
        for (int i = 0; i < 1000 && !Exists(started); ++i) Sleep(10);
        sawStart = Exists(started);
        bsfilterLockFree = TryEnterCriticalSection(&g_bsfilterLock) != 0;
        if (bsfilterLockFree) LeaveCriticalSection(&g_bsfilterLock);
        // Hold the settings lock while the child runs: the run must not need it any more.
        EnterCriticalSection(&g_settingsLock);
        for (int i = 0; i < 1000 && !runOver; ++i) Sleep(10);
        heldSettingsUntilTheEnd = runOver.load();
        LeaveCriticalSection(&g_settingsLock);
    });
    std::string output;
    EXPECT_EQ(Run("standin touch started\nstandin sleep 600\nstandin print ok\nstandin exit 0\n", nullptr, &output), 0);
    runOver = true;
    prober.join();
    EXPECT_TRUE(sawStart);
    EXPECT_FALSE(bsfilterLockFree);
    EXPECT_TRUE(heldSettingsUntilTheEnd);
    EXPECT_EQ(output, "ok");

    bool freeAfterwards = false;
    std::thread([&]() {
        freeAfterwards = TryEnterCriticalSection(&g_bsfilterLock) != 0;
        if (freeAfterwards) LeaveCriticalSection(&g_bsfilterLock);
    }).join();
    EXPECT_TRUE(freeAfterwards);
}

TEST_F(BsfilterRun, StandinHonoursTheTrainingContract) {
    const std::string spam = "Subject: cheap pills casino\r\n\r\ncheap pills casino bonus winner money\r\n";
    const std::string clean = "Subject: project meeting agenda\r\n\r\nagenda for the project meeting and budget\r\n";
    std::string output;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Run("", &spam, &output, "--add-spam"), 0);
        EXPECT_EQ(Run("", &clean, &output, "--add-clean"), 0);
    }
    EXPECT_EQ(Run("", nullptr, &output, "--update"), 0);
    EXPECT_EQ(Run("", &spam, &output), 0);
    EXPECT_EQ(Run("", &clean, &output), 1);
    output.clear();
    EXPECT_EQ(Run("", nullptr, &output, "--show-db-status"), 0);
    EXPECT_EQ(output.substr(0, 24), "db standin spam 3 clean ");
    EXPECT_EQ(Run("", &spam, &output, "--sub-spam"), 0);
    EXPECT_EQ(Run("", &clean, &output, "--sub-clean"), 0);
    output.clear();
    EXPECT_EQ(Run("", nullptr, &output, "--show-db-status"), 0);
    EXPECT_EQ(output.substr(0, 26), "db standin spam 2 clean 2 ");
}

TEST(BsfilterWriter, WritesEverythingThenClosesTheHandle) {
    BsfilterSetup setup;
    HANDLE readEnd = INVALID_HANDLE_VALUE;
    HANDLE writeEnd = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    const std::string text = "Subject: x\r\n\r\nbody\r\n";
    BsfilStdinArgs args = {text.data(), static_cast<DWORD>(text.size()), &writeEnd};
    EXPECT_EQ(WriteBsfilStdinThread(&args), 0u);
    EXPECT_EQ(writeEnd, INVALID_HANDLE_VALUE);
    char buffer[256];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), text);
    // The write end is gone: the reader sees the end.
    read = 0;
    const BOOL more = ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr);
    EXPECT_TRUE(!more || read == 0);
    CloseHandle(readEnd);

    // A handle that cannot be written: the failure is logged and the handle still closed.
    const std::string path = setup.Temp().File("readonly.txt");
    ASSERT_TRUE(WriteBytes(path, "x"));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    BsfilStdinArgs failing = {text.data(), static_cast<DWORD>(text.size()), &file};
    EXPECT_EQ(WriteBsfilStdinThread(&failing), 0u);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_NE(setup.LogText().find("WriteBsfilStdinThread(): Util::WriteToFile().\r\n"), std::string::npos);
}

TEST(BsfilterAvailable, ExecutableModeNeedsBsfilterExeAndIconvDll) {
    BsfilterSetup setup;
    EXPECT_FALSE(IsBsfilterAvailable());
    ASSERT_TRUE(WriteBytes(g_bsfilterExe, "MZ"));
    EXPECT_FALSE(IsBsfilterAvailable());
    ASSERT_TRUE(WriteBytes(g_iconvDll, ""));  // even an empty file counts
    EXPECT_TRUE(IsBsfilterAvailable());
    ASSERT_TRUE(DeleteFileA(g_bsfilterExe));
    EXPECT_FALSE(IsBsfilterAvailable());  // tested afresh, nothing cached

    // Folders do not count.
    ASSERT_TRUE(MakeFolders(g_bsfilterExe));
    EXPECT_FALSE(IsBsfilterAvailable());
    ASSERT_TRUE(RemoveDirectoryA(g_bsfilterExe));
    ASSERT_TRUE(WriteBytes(g_bsfilterExe, "MZ"));
    ASSERT_TRUE(DeleteFileA(g_iconvDll));
    ASSERT_TRUE(MakeFolders(g_iconvDll));
    EXPECT_FALSE(IsBsfilterAvailable());
}

TEST(BsfilterAvailable, ScriptModeNeedsTheScriptAndTheInterpreter) {
    BsfilterSetup setup;
    ASSERT_TRUE(WriteBytes(g_bsfilterExe, "MZ"));
    ASSERT_TRUE(WriteBytes(g_iconvDll, ""));
    g_scriptProfile.SetUseBsfilterScript(true);
    // The executable's files do not help script mode; an empty interpreter path never exists.
    ASSERT_TRUE(WriteBytes(g_bsfilterScript, "# script"));
    EXPECT_FALSE(IsBsfilterAvailable());

    const std::string ruby = setup.Temp().File("ruby.exe");
    g_scriptProfile.SetRubyModulePath(ruby);
    EXPECT_FALSE(IsBsfilterAvailable());
    ASSERT_TRUE(WriteBytes(ruby, "MZ"));
    EXPECT_TRUE(IsBsfilterAvailable());
    ASSERT_TRUE(DeleteFileA(g_bsfilterScript));
    EXPECT_FALSE(IsBsfilterAvailable());
    ASSERT_TRUE(MakeFolders(g_bsfilterScript));
    EXPECT_FALSE(IsBsfilterAvailable());
    ASSERT_TRUE(RemoveDirectoryA(g_bsfilterScript));
    ASSERT_TRUE(WriteBytes(g_bsfilterScript, "# script"));
    ASSERT_TRUE(DeleteFileA(ruby.c_str()));
    ASSERT_TRUE(MakeFolders(ruby));
    EXPECT_FALSE(IsBsfilterAvailable());

    // Back to executable mode at once.
    g_scriptProfile.SetUseBsfilterScript(false);
    EXPECT_TRUE(IsBsfilterAvailable());
}
