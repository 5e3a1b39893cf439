// Threads, events, waits and anonymous pipes through the platform seam: what the bsfilter
// runner relies on. The same expectations hold for Win32 (under Wine) and the POSIX stand-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

struct PipePair {
    HANDLE read = INVALID_HANDLE_VALUE;
    HANDLE write = INVALID_HANDLE_VALUE;
    PipePair() {
        SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
        EXPECT_TRUE(CreatePipe(&read, &write, &security, 0));
    }
    ~PipePair() {
        CloseRead();
        CloseWrite();
    }
    void CloseRead() {
        if (read != INVALID_HANDLE_VALUE) CloseHandle(read);
        read = INVALID_HANDLE_VALUE;
    }
    void CloseWrite() {
        if (write != INVALID_HANDLE_VALUE) CloseHandle(write);
        write = INVALID_HANDLE_VALUE;
    }
};

DWORD WINAPI WaitForEventThread(LPVOID parameter) {
    WaitForSingleObject(static_cast<HANDLE>(parameter), INFINITE);
    return 42;
}

struct WriteJob {
    HANDLE pipe;
    std::string data;
    BOOL result = FALSE;
    DWORD error = 0;
};

DWORD WINAPI WriteThread(LPVOID parameter) {
    auto* job = static_cast<WriteJob*>(parameter);
    DWORD written = 0;
    job->result = WriteFile(job->pipe, job->data.data(), static_cast<DWORD>(job->data.size()), &written, nullptr);
    job->error = GetLastError();
    return 7;
}

struct Shared {
    CRITICAL_SECTION section;
    BOOL otherGotIt = TRUE;
};

DWORD WINAPI TryEnterThread(LPVOID parameter) {
    auto* shared = static_cast<Shared*>(parameter);
    shared->otherGotIt = TryEnterCriticalSection(&shared->section);
    if (shared->otherGotIt) LeaveCriticalSection(&shared->section);
    return 0;
}

}  // namespace

TEST(PlatformThreads, ExitCodeWaitsAndTimeOuts) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, event);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitForEventThread, event, 0, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_NE(0u, id);
    EXPECT_NE(GetCurrentThreadId(), id);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread, 50));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(STILL_ACTIVE, code);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(42u, code);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));  // stays signalled
    CloseHandle(thread);
    CloseHandle(event);

    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(PlatformThreads, ManualAndAutoResetEvents) {
    HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 20));
    CloseHandle(manual);

    HANDLE automatic = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(automatic, 0));
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(automatic, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(automatic, 20));  // the first wait took it
    CloseHandle(automatic);
}

TEST(PlatformThreads, CriticalSectionKeepsOtherThreadsOut) {
    Shared shared;
    InitializeCriticalSection(&shared.section);
    EnterCriticalSection(&shared.section);
    EnterCriticalSection(&shared.section);
    HANDLE thread = CreateThread(nullptr, 0, TryEnterThread, &shared, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    EXPECT_FALSE(shared.otherGotIt);
    LeaveCriticalSection(&shared.section);
    LeaveCriticalSection(&shared.section);
    thread = CreateThread(nullptr, 0, TryEnterThread, &shared, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    EXPECT_TRUE(shared.otherGotIt);
    DeleteCriticalSection(&shared.section);
}

TEST(PlatformPipes, PeekAndReadWhatIsThere) {
    PipePair pipe;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(pipe.write, "hello", 5, &written, nullptr));
    EXPECT_EQ(5u, written);
    DWORD available = 0;
    ASSERT_TRUE(PeekNamedPipe(pipe.read, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(5u, available);
    char peeked[8] = {0};
    DWORD peekedCount = 0;
    ASSERT_TRUE(PeekNamedPipe(pipe.read, peeked, 3, &peekedCount, &available, nullptr));
    EXPECT_EQ(3u, peekedCount);
    EXPECT_EQ("hel", std::string(peeked, peekedCount));
    EXPECT_EQ(5u, available);  // nothing consumed

    char buffer[64];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(pipe.read, buffer, sizeof(buffer), &read, nullptr));  // returns what is there
    EXPECT_EQ("hello", std::string(buffer, read));
    ASSERT_TRUE(PeekNamedPipe(pipe.read, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(0u, available);

    // The writer goes: queued data is still there, then the pipe reports it is broken.
    ASSERT_TRUE(WriteFile(pipe.write, "tail", 4, &written, nullptr));
    pipe.CloseWrite();
    ASSERT_TRUE(PeekNamedPipe(pipe.read, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(4u, available);
    ASSERT_TRUE(ReadFile(pipe.read, buffer, 2, &read, nullptr));
    EXPECT_EQ("ta", std::string(buffer, read));
    ASSERT_TRUE(ReadFile(pipe.read, buffer, sizeof(buffer), &read, nullptr));
    EXPECT_EQ("il", std::string(buffer, read));
    EXPECT_FALSE(ReadFile(pipe.read, buffer, sizeof(buffer), &read, nullptr));
    EXPECT_EQ(ERROR_BROKEN_PIPE, GetLastError());
    EXPECT_EQ(0u, read);
    EXPECT_FALSE(PeekNamedPipe(pipe.read, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(ERROR_BROKEN_PIPE, GetLastError());
}

TEST(PlatformPipes, WritingToAPipeWithoutReaderFailsAndDoesNotKill) {
    PipePair pipe;
    pipe.CloseRead();
    DWORD written = 99;
    EXPECT_FALSE(WriteFile(pipe.write, "x", 1, &written, nullptr));
    EXPECT_EQ(ERROR_NO_DATA, GetLastError());
    EXPECT_EQ(0u, written);
    // Again from another thread, with more than fits in the pipe.
    WriteJob job{pipe.write, std::string(200000, 'y')};
    HANDLE thread = CreateThread(nullptr, 0, WriteThread, &job, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    EXPECT_FALSE(job.result);
    EXPECT_EQ(ERROR_NO_DATA, job.error);
}

TEST(PlatformPipes, WriterThreadCompletesLargeWritesAndCopiesKeepThePipeOpen) {
    PipePair pipe;
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), pipe.write, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    pipe.CloseWrite();
    // One WriteFile of more than the pipe holds returns once the reader has taken it all.
    WriteJob job{copy, std::string(300000, 'z')};
    HANDLE thread = CreateThread(nullptr, 0, WriteThread, &job, 0, nullptr);
    std::string received;
    char buffer[8192];
    while (received.size() < job.data.size()) {
        DWORD read = 0;
        ASSERT_TRUE(ReadFile(pipe.read, buffer, sizeof(buffer), &read, nullptr));
        received.append(buffer, read);
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    EXPECT_TRUE(job.result);
    EXPECT_EQ(job.data, received);
    // The copy kept the write end open; closing it ends the pipe.
    DWORD available = 0;
    EXPECT_TRUE(PeekNamedPipe(pipe.read, nullptr, 0, nullptr, &available, nullptr));
    CloseHandle(copy);
    DWORD read = 0;
    EXPECT_FALSE(ReadFile(pipe.read, buffer, sizeof(buffer), &read, nullptr));
    EXPECT_EQ(ERROR_BROKEN_PIPE, GetLastError());
}

TEST(PlatformPipes, TerminateThreadEndsAWriterBlockedOnAFullPipe) {
    PipePair pipe;
    WriteJob job{pipe.write, std::string(4 * 1024 * 1024, 'w')};
    HANDLE thread = CreateThread(nullptr, 0, WriteThread, &job, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread, 100));  // nobody reads: it blocks
    EXPECT_TRUE(TerminateThread(thread, 0xFFFFFFFFul));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(0xFFFFFFFFul, code);
    CloseHandle(thread);
}
