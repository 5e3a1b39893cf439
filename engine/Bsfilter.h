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

// Runs bsfilter once: the base command (GetBsfilterCommand), one blank, then format formatted
// with the further arguments (the whole at most 8191 characters). input/inputLength: the bytes
// for the child's standard input, or null for none. output: receives (appended) everything the
// child writes to standard output and standard error, or null when it is not wanted.
// Returns the child's exit status (a status of 0x80000000 or more reads as negative), or -1
// when the run failed: a pipe, copy, process or thread could not be made, the child could not
// be waited for, its status could not be read, or it had to be terminated (see below).
// Takes g_bsfilterLock for the whole run; must not be called with g_settingsLock held.
// (No printf attribute: judging runs pass the empty format, which GCC would warn about.)
int ExecBsfilter(const char* input, DWORD inputLength, std::string* output, const char* format, ...);

// The fixed front of every command line: the quoted program (bsfilter.exe, or the Ruby
// interpreter followed by the quoted bsfilter script), --homedir with the database folder and
// --config-file with bsfilter.conf, each path quoted. At most 8191 characters.
std::string GetBsfilterCommand();

// Whether the bsfilter program files are present: in script mode the bsfilter script and the
// Ruby interpreter, otherwise bsfilter.exe and iconv.dll, each an existing regular file.
// Tested afresh at every call.
bool IsBsfilterAvailable();

// No run lasts longer than this: a child still running when it is reached is terminated and
// the run returns -1, so a hung bsfilter cannot block the host (whose UI thread waits on the
// run) for ever. Measured with Debian's bsfilter 1.0.19 on a 2-core x86-64 machine: "--update"
// of a database trained on 3,100 corpus messages (600 spam, 2,500 clean; about 4 MB of corpus
// files) takes 1.0 s, a training or judging run about 0.08 s. Ten minutes leave room for a
// database a hundred times larger on a machine several times slower, yet end a hang.
constexpr DWORD kBsfilterRunLimitMs = 600000;

// The bound in force (kBsfilterRunLimitMs unless a test changed it).
DWORD BsfilterRunLimit();
// For tests only: sets the bound and returns the previous one.
DWORD SetBsfilterRunLimitForTesting(DWORD milliseconds);

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

    static BsfilterSystemCalls System();
};
extern BsfilterSystemCalls g_bsfilterCalls;
