// The bsfilter runner: every run of the Bayesian filter goes through ExecBsfilter, which starts
// bsfilter (bsfilter.exe, or the bsfilter script under Ruby) as a child process, feeds it a text
// on standard input from a writer thread, collects its standard output and error, and returns
// its exit status. Runs are one at a time in the whole process (g_bsfilterLock). Also the two
// helpers every caller needs: the fixed front of the command line and the availability test.
#pragma once

#include <string>

#include "platform/platform.h"
#include "support/Log.h"

// What ExecBsfilter hands to WriteBsfilStdinThread. The record lives in the runner's frame, and
// the runner does not return before the thread has ended or been terminated.
struct BsfilStdinArgs {
    const char* text;    // the bytes to write, owned by ExecBsfilter's caller
    DWORD length;        // how many
    HANDLE* stdinWrite;  // the runner's variable holding the parent's end of the input pipe; the
                         // thread closes it and stores INVALID_HANDLE_VALUE there
};

// Writer thread of a run with input: writes the whole text to the child's standard input and
// closes the pipe, so that the child sees the end of its input. Returns 0.
DWORD WINAPI WriteBsfilStdinThread(LPVOID args);

// What a run is for. Each kind has a run limit of its own (BsfilterRunLimitMs): a hung
// bsfilter must not hold the host for longer than the work at hand could ever need.
enum class BsfilterTask {
    Judge,   // judging one message (incoming mail, judge-and-act, the test judge)
    Train,   // training: "--add-spam" and friends, maybe with "--update" in the same run
    Update,  // "--update" alone: rebuilding the probability table
    Status,  // "--show-db-status": the start-up probe and the status command
};

struct BsfilterRunKind {
    BsfilterTask task = BsfilterTask::Judge;
    DWORD messages = 1;   // Train: the messages the run trains (one on standard input, or the
                          // number of message files given as arguments)
    bool update = false;  // Train: the run also rebuilds the probability table
};

inline BsfilterRunKind JudgingRun() { return BsfilterRunKind{BsfilterTask::Judge, 1, false}; }
inline BsfilterRunKind TrainingRun(DWORD messages, bool withUpdate = false) {
    return BsfilterRunKind{BsfilterTask::Train, messages, withUpdate};
}
inline BsfilterRunKind UpdateRun() { return BsfilterRunKind{BsfilterTask::Update, 0, true}; }
inline BsfilterRunKind StatusRun() { return BsfilterRunKind{BsfilterTask::Status, 0, false}; }

// The kind of a run from its options (the text ExecBsfilter formats): none is judging, a
// training option ("--add-spam", "--add-clean", "--sub-spam", "--sub-clean") training one
// message (with "--update" too when it is there), "--update" alone an update,
// "--show-db-status" alone a status run. Anything else counts as an update, the longest
// limit of a single run.
BsfilterRunKind BsfilterRunKindOf(const char* options);

// The run limits, measured with Debian's bsfilter 1.0.19 on a heavily loaded 2-core x86-64
// machine: judging a 50 MB message took 6.2 s and training it 5.3 s; on a database trained on
// the whole public SpamAssassin corpus (6,046 messages, 8.8 MB of database files)
// "--show-db-status" took 0.6 s and "--update" worked 12.5 s before SDBM gave up on it (a
// database of 10,000 messages needs about twice that). Each limit leaves a margin of five to
// ten times that for a slower machine, yet ends a hang long before a user gives up on the
// mail client: judging and the start-up probe hold the host at most 30 s.
constexpr DWORD kJudgeRunLimitMs = 30000;
constexpr DWORD kStatusRunLimitMs = 30000;
constexpr DWORD kTrainRunLimitMs = 30000;          // one message, and the base of a batch
constexpr DWORD kTrainPerMessageLimitMs = 1000;    // each further message of a batch
constexpr DWORD kUpdateRunLimitMs = 300000;        // added to a training run that also updates
constexpr DWORD kLongestRunLimitMs = 6 * 3600000;  // no batch, however large, beyond this

// The run limit in milliseconds of a run of the given kind (bounded by a test's
// SetBsfilterRunLimitForTesting).
DWORD BsfilterRunLimitMs(const BsfilterRunKind& kind);
// For tests only: every run limit becomes at most milliseconds (0: the limits above again),
// and a new session begins for the once-per-session log entry of failed judging runs.
// Returns the previous setting.
DWORD SetBsfilterRunLimitForTesting(DWORD milliseconds);

// At most this much of a run's output is kept; the rest is read and dropped (the child must
// never block on a full pipe), and the log says how much. bsfilter's status report is two
// lines, a Ruby traceback a few kilobytes.
constexpr size_t kBsfilterOutputLimit = 1024 * 1024;
// At most this much of a failed run's output goes into its ERROR entry.
constexpr size_t kBsfilterLoggedOutputLimit = 8192;

// Whether bsfilter's output shows that it failed rather than judged: an uncaught Ruby
// exception ("<file>:<line>:in `<method>': <message> (<class>)", the first line of the
// traceback Ruby prints on standard error when it exits with status 1, the status of
// "clean"). bsfilter's own error messages end it with status 2 and need no look at the text.
bool BsfilterOutputShowsFailure(const std::string& output);

// Runs bsfilter once: the base command (GetBsfilterCommand), one blank, then format formatted
// with the further arguments (the whole at most 8191 characters). kind: what the run is for,
// which sets its run limit (see BsfilterRunLimitMs). input/inputLength: the bytes for the
// child's standard input, or null for none. output: receives (appended) what the child writes
// to standard output and standard error, at most kBsfilterOutputLimit bytes, or null when it
// is not wanted.
// Returns the child's exit status (a status of 0x80000000 or more reads as negative), or -1
// when the run failed: a pipe, copy, process or thread could not be made, the child could not
// be waited for, its status could not be read, it had to be ended at its run limit (with
// every process it started), memory ran out, or a judging run's output shows that bsfilter
// failed (BsfilterOutputShowsFailure) although its status says "clean". A failed run's output
// is logged at ERROR (bounded; for judging runs, whose failures repeat with every message,
// once per session).
// Takes g_bsfilterLock for the whole run; must not be called with g_settingsLock held.
// (No printf attribute: judging runs pass the empty format, which GCC would warn about.)
int ExecBsfilterAs(const BsfilterRunKind& kind, const char* input, DWORD inputLength, std::string* output,
                   const char* format, ...);

// ExecBsfilterAs with the kind taken from the formatted options (BsfilterRunKindOf).
int ExecBsfilter(const char* input, DWORD inputLength, std::string* output, const char* format, ...);

// The fixed front of every command line: the quoted program (bsfilter.exe, or the Ruby
// interpreter followed by the quoted bsfilter script), --homedir with the database folder and
// --config-file with bsfilter.conf, each path quoted. At most 8191 characters.
std::string GetBsfilterCommand();

// Whether the bsfilter program files are present: in script mode the bsfilter script and the
// Ruby interpreter, otherwise bsfilter.exe and iconv.dll, each an existing regular file.
// Tested afresh at every call.
bool IsBsfilterAvailable();

// The system calls that make and release a run's handles, gathered in one table so that tests
// can make one of them fail, or count the handles (every handle a run makes is closed once,
// whichever way the run ends). Holds the system's functions; only tests change it.
struct BsfilterSystemCalls {
    decltype(&::CreatePipe) createPipe;
    decltype(&::DuplicateHandle) duplicateHandle;
    decltype(&::CreateProcessA) createProcess;
    decltype(&::CreateThread) createThread;
    decltype(&::GetExitCodeProcess) getExitCodeProcess;
    decltype(&::CloseHandle) closeHandle;
    decltype(&::CreateJobObjectA) createJobObject;
    decltype(&::AssignProcessToJobObject) assignProcessToJobObject;

    static BsfilterSystemCalls System();
};
extern BsfilterSystemCalls g_bsfilterCalls;
