// The runner's handles: each failure of a system call ends the run with -1 and its log entry,
// and on every path, failed or not, every handle the run made is closed exactly once. The
// system calls are swapped for counting ones that can also be told to fail.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>

#include "common/BsfilterSetup.h"
#include "common/TestFiles.h"
#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"

using testing_bsfilter::BsfilterSetup;
using testing_files::Exists;

namespace {

std::mutex g_mutex;
std::set<HANDLE> g_open;
int g_badCloses = 0;
std::string g_failCall;  // the call to fail ("CreatePipe", ...), its failIndex-th use
int g_failIndex = 0;
int g_uses = 0;

bool ShouldFail(const char* call) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_failCall != call) return false;
    if (++g_uses != g_failIndex) return false;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return true;
}

void Opened(HANDLE handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_open.insert(handle);
}

BOOL WINAPI CountingCreatePipe(HANDLE* readEnd, HANDLE* writeEnd, LPSECURITY_ATTRIBUTES security, DWORD size) {
    if (ShouldFail("CreatePipe")) return FALSE;
    const BOOL ok = CreatePipe(readEnd, writeEnd, security, size);
    if (ok) {
        Opened(*readEnd);
        Opened(*writeEnd);
    }
    return ok;
}

BOOL WINAPI CountingDuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target,
                                    DWORD access, BOOL inherit, DWORD options) {
    if (ShouldFail("DuplicateHandle")) return FALSE;
    const BOOL ok = DuplicateHandle(sourceProcess, source, targetProcess, target, access, inherit, options);
    if (ok) Opened(*target);
    return ok;
}

BOOL WINAPI CountingCreateProcess(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                                  LPSECURITY_ATTRIBUTES threadSecurity, BOOL inherit, DWORD flags, LPVOID environment,
                                  LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
    const BOOL ok = CreateProcessA(application, commandLine, processSecurity, threadSecurity, inherit, flags,
                                   environment, folder, startup, info);
    if (ok) {
        Opened(info->hProcess);
        Opened(info->hThread);
    }
    return ok;
}

HANDLE WINAPI CountingCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                   LPVOID parameter, DWORD flags, LPDWORD id) {
    if (ShouldFail("CreateThread")) return nullptr;
    HANDLE thread = CreateThread(security, stack, start, parameter, flags, id);
    if (thread != nullptr) Opened(thread);
    return thread;
}

BOOL WINAPI CountingGetExitCodeProcess(HANDLE process, LPDWORD code) {
    if (ShouldFail("GetExitCodeProcess")) return FALSE;
    return GetExitCodeProcess(process, code);
}

HANDLE WINAPI CountingCreateJobObject(LPSECURITY_ATTRIBUTES security, LPCSTR name) {
    if (ShouldFail("CreateJobObject")) return nullptr;
    HANDLE job = CreateJobObjectA(security, name);
    if (job != nullptr) Opened(job);
    return job;
}

BOOL WINAPI CountingAssignProcessToJobObject(HANDLE job, HANDLE process) {
    if (ShouldFail("AssignProcessToJobObject")) return FALSE;
    return AssignProcessToJobObject(job, process);
}

BOOL WINAPI CountingCloseHandle(HANDLE handle) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_open.erase(handle) == 0) ++g_badCloses;  // never made by the run, or closed twice
    }
    return CloseHandle(handle);
}

class BsfilterHandles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(setup.InstallStandinExe());
        setup.LogAt("DEBUG");
        g_bsfilterCalls = BsfilterSystemCalls{CountingCreatePipe,      CountingDuplicateHandle,
                                              CountingCreateProcess,   CountingCreateThread,
                                              CountingGetExitCodeProcess, CountingCloseHandle,
                                              CountingCreateJobObject, CountingAssignProcessToJobObject};
    }
    void TearDown() override { g_bsfilterCalls = BsfilterSystemCalls::System(); }

    // One run with input and output, the given call failing at its index-th use (none for "").
    int RunFailing(const char* call, int index, const std::string& actions = "") {
        g_open.clear();
        g_badCloses = 0;
        g_failCall = call;
        g_failIndex = index;
        g_uses = 0;
        EXPECT_TRUE(testing_files::WriteBytes(g_logPath, ""));
        EXPECT_TRUE(setup.WriteConfig(actions));
        const std::string input = "Subject: test\r\n\r\nbody\r\n";
        std::string output;
        return ExecBsfilter(input.data(), static_cast<DWORD>(input.size()), &output, "");
    }

    BsfilterSetup setup;
};

}  // namespace

TEST_F(BsfilterHandles, EveryFailureEndsTheRunAndEveryHandleIsClosedOnce) {
    struct Case {
        const char* call;
        int index;
        const char* entry;  // the ERROR entry of the failed call
    };
    const Case cases[] = {
        {"CreatePipe", 1, "ExecBsfilter(): CreatePipe(): LastError: [8].\r\n"},       // input pipe
        {"DuplicateHandle", 1, "ExecBsfilter(): DuplicateHandle(): LastError: [8].\r\n"},  // its parent end
        {"CreatePipe", 2, "ExecBsfilter(): CreatePipe(): LastError: [8].\r\n"},       // output pipe
        {"DuplicateHandle", 2, "ExecBsfilter(): DuplicateHandle(): LastError: [8].\r\n"},  // standard error
        {"DuplicateHandle", 3, "ExecBsfilter(): DuplicateHandle(): LastError: [8].\r\n"},  // parent's read end
        {"GetExitCodeProcess", 1, "ExecBsfilter(): GetExitCodeProcess(): LastError: [8].\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " #" + std::to_string(c.index));
        EXPECT_EQ(RunFailing(c.call, c.index), -1);
        EXPECT_TRUE(g_open.empty());
        EXPECT_EQ(g_badCloses, 0);
        const std::string log = setup.LogText();
        EXPECT_NE(log.find(c.entry), std::string::npos);
        EXPECT_NE(log.find("ExecBsfilter(): end result: [-1].\r\n"), std::string::npos);
        // Nothing is started after a failure before the process.
        if (std::string(c.call) != "GetExitCodeProcess") {
            EXPECT_EQ(log.find("CreateProcess()"), std::string::npos);
        }
    }

    // The run that goes through: the judged message is clean.
    EXPECT_EQ(RunFailing("", 0), 1);
    EXPECT_TRUE(g_open.empty());
    EXPECT_EQ(g_badCloses, 0);

    // Without a job object (one that cannot be made, or joined) the run still goes through.
    for (const char* call : {"CreateJobObject", "AssignProcessToJobObject"}) {
        SCOPED_TRACE(call);
        EXPECT_EQ(RunFailing(call, 1), 1);
        EXPECT_TRUE(g_open.empty());
        EXPECT_EQ(g_badCloses, 0);
        EXPECT_NE(setup.LogText().find(std::string("ExecBsfilter(): ") +
                                       (std::string(call) == "CreateJobObject" ? "CreateJobObject()"
                                                                               : "AssignProcessToJobObject()") +
                                       ": LastError: [8].\r\n"),
                  std::string::npos);
    }
}

TEST_F(BsfilterHandles, WithoutWriterThreadTheChildIsTerminated) {
    EXPECT_EQ(RunFailing("CreateThread", 1, "standin sleep 1500\nstandin touch survived\n"), -1);
    EXPECT_TRUE(g_open.empty());
    EXPECT_EQ(g_badCloses, 0);
    const std::string log = setup.LogText();
    EXPECT_NE(log.find("ExecBsfilter(): CreateThread(): LastError: [8].\r\n"), std::string::npos);
    EXPECT_NE(log.find("ExecBsfilter(): TerminateJobObject(): succeeded.\r\n"), std::string::npos);
    EXPECT_EQ(log.find("pOutput->length()"), std::string::npos);
    Sleep(2000);
    EXPECT_FALSE(Exists(std::string(g_bsfilterDbFolder) + "\\survived"));
}

TEST_F(BsfilterHandles, ClosedOnceAlsoAfterCrashesStartFailuresAndTheRunLimit) {
    EXPECT_LT(RunFailing("", 0, "standin crash\n"), -1);
    EXPECT_TRUE(g_open.empty());
    EXPECT_EQ(g_badCloses, 0);

    SetBsfilterRunLimitForTesting(500);
    EXPECT_EQ(RunFailing("", 0, "standin hang\n"), -1);
    EXPECT_TRUE(g_open.empty());
    EXPECT_EQ(g_badCloses, 0);

    ASSERT_TRUE(DeleteFileA(g_bsfilterExe));
    EXPECT_EQ(RunFailing("", 0), -1);
    EXPECT_TRUE(g_open.empty());
    EXPECT_EQ(g_badCloses, 0);
}

TEST_F(BsfilterHandles, AWriterStuckOnALiveChildIsTerminated) {
    // Without an output pipe the writer is waited for right after the start; a child that
    // neither reads nor ends keeps it blocked past that wait, until the run limit ends the child.
    SetBsfilterRunLimitForTesting(6000);
    g_open.clear();
    g_badCloses = 0;
    g_failCall.clear();
    ASSERT_TRUE(setup.WriteConfig("standin hang\n"));
    const std::string input(2u << 20, 'm');
    EXPECT_EQ(ExecBsfilter(input.data(), static_cast<DWORD>(input.size()), nullptr, ""), -1);
    EXPECT_TRUE(g_open.empty());
    EXPECT_EQ(g_badCloses, 0);
    const std::string log = setup.LogText();
    const size_t writerWait = log.find("ExecBsfilter(): WaitForSingleObject(): LastError: [");
    const size_t terminated = log.find("ExecBsfilter(): TerminateThread(): succeeded.\r\n");
    const size_t childEnded = log.find("ExecBsfilter(): TerminateJobObject(): succeeded.\r\n");
    EXPECT_NE(writerWait, std::string::npos);
    EXPECT_NE(terminated, std::string::npos);
    EXPECT_NE(childEnded, std::string::npos);
    EXPECT_LT(writerWait, terminated);
    EXPECT_LT(terminated, childEnded);
    EXPECT_NE(log.find("ExecBsfilter(): end result: [-1].\r\n"), std::string::npos);
}
