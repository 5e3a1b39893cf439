// Child processes through the POSIX stand-in, driven the way the bsfilter runner drives them:
// inheritable pipes, non-inheritable parent ends, a writer thread for the input, a polling
// read loop for the output, time-outs. The child is tests/platform/child/TestChild.cpp.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/TestFiles.h"
#include "platform/platform.h"

using testing_files::TempDir;
using testing_files::WriteBytes;

namespace {

std::string WindowsStyle(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

const std::string& ChildPath() {
    static const std::string path = WindowsStyle(MIRVANE_BINARY_DIR "/bin/platform-test-child");
    return path;
}

struct InputJob {
    HANDLE* pipe;
    std::string data;
    BOOL result = FALSE;
    DWORD error = 0;
};

DWORD WINAPI FeedInput(LPVOID parameter) {
    auto* job = static_cast<InputJob*>(parameter);
    DWORD written = 0;
    job->result = WriteFile(*job->pipe, job->data.data(), static_cast<DWORD>(job->data.size()), &written, nullptr);
    job->error = GetLastError();
    CloseHandle(*job->pipe);
    *job->pipe = INVALID_HANDLE_VALUE;
    return 0;
}

struct RunResult {
    bool started = false;
    DWORD error = 0;
    DWORD exitCode = 0;
    std::string output;
    bool inputWritten = false;
    DWORD inputError = 0;
};

// Runs the command line as the runner does: output and error into one pipe whose parent end
// is not inheritable, the input (if any) written by a second thread through a non-inheritable
// copy, the output collected by peeking and reading while the child runs.
RunResult RunChild(const std::string& commandLine, const std::string* input = nullptr, LPCSTR folder = nullptr) {
    RunResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE self = GetCurrentProcess();
    HANDLE stdinRead = INVALID_HANDLE_VALUE, stdinWriteOrig = INVALID_HANDLE_VALUE, stdinWrite = INVALID_HANDLE_VALUE;
    HANDLE outReadOrig = INVALID_HANDLE_VALUE, outRead = INVALID_HANDLE_VALUE, outWrite = INVALID_HANDLE_VALUE;
    HANDLE errWrite = INVALID_HANDLE_VALUE;
    if (input != nullptr) {
        EXPECT_TRUE(CreatePipe(&stdinRead, &stdinWriteOrig, &inherit, 0));
        EXPECT_TRUE(DuplicateHandle(self, stdinWriteOrig, self, &stdinWrite, 0, FALSE, DUPLICATE_SAME_ACCESS));
        CloseHandle(stdinWriteOrig);
    }
    EXPECT_TRUE(CreatePipe(&outReadOrig, &outWrite, &inherit, 0));
    EXPECT_TRUE(DuplicateHandle(self, outWrite, self, &errWrite, 0, TRUE, DUPLICATE_SAME_ACCESS));
    EXPECT_TRUE(DuplicateHandle(self, outReadOrig, self, &outRead, 0, FALSE, DUPLICATE_SAME_ACCESS));
    CloseHandle(outReadOrig);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input != nullptr ? stdinRead : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    result.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0x0C000200ul, nullptr, folder,
                                    &startup, &info) != FALSE;
    result.error = GetLastError();
    // The child's end of the input pipe goes right after the start, so that a child that
    // ends without reading makes the writer fail instead of blocking.
    if (stdinRead != INVALID_HANDLE_VALUE) {
        CloseHandle(stdinRead);
        stdinRead = INVALID_HANDLE_VALUE;
    }
    if (result.started) {
        HANDLE writer = nullptr;
        InputJob job{&stdinWrite, input != nullptr ? *input : std::string()};
        if (input != nullptr) writer = CreateThread(nullptr, 0, FeedInput, &job, 0, nullptr);
        DWORD status;
        do {
            status = WaitForSingleObject(info.hProcess, 20);  // the runner waits 1000 ms; the same loop, faster
            DWORD available = 0;
            while (PeekNamedPipe(outRead, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
                char buffer[8192];
                DWORD read = 0;
                if (!ReadFile(outRead, buffer, sizeof(buffer) - 1, &read, nullptr)) break;
                result.output.append(buffer, read);
            }
        } while (status != WAIT_OBJECT_0 && status != WAIT_FAILED);
        if (writer != nullptr) {
            if (WaitForSingleObject(writer, 5000) != WAIT_OBJECT_0) {
                ADD_FAILURE() << "the input writer did not finish";
                TerminateThread(writer, 0xFFFFFFFFul);
                WaitForSingleObject(writer, 5000);
            }
            CloseHandle(writer);
            result.inputWritten = job.result != FALSE;
            result.inputError = job.error;
        }
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &result.exitCode));
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    for (HANDLE handle : {stdinRead, stdinWrite, outRead, outWrite, errWrite}) {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    return result;
}

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

// The descriptors above 2 that this process holds without close-on-exec although they are
// none of the layer's (inherited from whatever started the tests): every child gets them.
std::string ForeignInheritedFds() {
    std::string list;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return list;
    std::vector<int> fds;
    while (struct dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const int fd = atoi(entry->d_name);
        if (fd > 2 && fd != dirfd(dir) && (fcntl(fd, F_GETFD) & FD_CLOEXEC) == 0) fds.push_back(fd);
    }
    closedir(dir);
    std::sort(fds.begin(), fds.end());
    for (int fd : fds) list += std::to_string(fd) + "\n";
    return list;
}

// The child's list of descriptors, sorted as numbers.
std::vector<int> Numbers(const std::string& list) {
    std::vector<int> numbers;
    size_t start = 0;
    while (start < list.size()) {
        const size_t end = list.find('\n', start);
        numbers.push_back(atoi(list.substr(start, end - start).c_str()));
        start = end == std::string::npos ? list.size() : end + 1;
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// Starts the child with the given arguments, without pipes.
PROCESS_INFORMATION Start(const std::string& arguments) {
    PROCESS_INFORMATION info = {};
    std::string line = Quote(ChildPath()) + " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    return info;
}

void Close(PROCESS_INFORMATION& info) {
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
}

}  // namespace

TEST(PlatformProcesses, ExitCodesSignalsAndTermination) {
    EXPECT_EQ(0u, RunChild(Quote(ChildPath()) + " exit 0").exitCode);
    EXPECT_EQ(3u, RunChild(Quote(ChildPath()) + " exit 3").exitCode);
    EXPECT_EQ(255u, RunChild(Quote(ChildPath()) + " exit 255").exitCode);
    EXPECT_EQ(0xC0000000ul | SIGTERM, RunChild(Quote(ChildPath()) + " signal 15").exitCode);
    EXPECT_EQ(0xC0000000ul | SIGKILL, RunChild(Quote(ChildPath()) + " signal 9").exitCode);

    PROCESS_INFORMATION info = Start("sleep 10000");
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(info.hProcess, 50));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(STILL_ACTIVE, code);
    ASSERT_TRUE(GetExitCodeThread(info.hThread, &code));
    EXPECT_EQ(STILL_ACTIVE, code);
    EXPECT_TRUE(TerminateProcess(info.hProcess, 0xFFFFFFFFu));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 5000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hThread, 0));
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(0xFFFFFFFFul, code);
    EXPECT_EQ(-1, static_cast<int>(static_cast<int32_t>(code)));  // the runner reads it as -1
    EXPECT_FALSE(TerminateProcess(info.hProcess, 1));  // it has ended already
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    Close(info);

    // Files and pipes cannot be waited on here.
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(read, 0));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    CloseHandle(read);
    CloseHandle(write);
}

TEST(PlatformProcesses, InputLargerThanThePipeAndOutputBeforeInput) {
    const std::string big(1 << 20, 'i');
    RunResult counted = RunChild(Quote(ChildPath()) + " count", &big);
    ASSERT_TRUE(counted.started);
    EXPECT_EQ("1048576\n", counted.output);
    EXPECT_TRUE(counted.inputWritten);

    // The child writes 200000 bytes before it reads: the parent must read meanwhile.
    const std::string input(300000, 'j');
    RunResult flooded = RunChild(Quote(ChildPath()) + " flood 200000", &input);
    EXPECT_EQ(std::string(200000, 'f') + "\n300000\n", flooded.output);
    EXPECT_EQ(0u, flooded.exitCode);

    // A child that never reads: the writer fails instead of hanging, nothing dies of SIGPIPE.
    RunResult ignored = RunChild(Quote(ChildPath()) + " noread 7", &big);
    EXPECT_EQ(7u, ignored.exitCode);
    EXPECT_FALSE(ignored.inputWritten);
    EXPECT_TRUE(ignored.inputError == ERROR_NO_DATA || ignored.inputError == ERROR_BROKEN_PIPE) << ignored.inputError;

    // Standard error arrives in the same pipe.
    EXPECT_EQ("oops", RunChild(Quote(ChildPath()) + " stderr oops").output);
}

TEST(PlatformProcesses, PeekAfterTheChildEnded) {
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    ASSERT_TRUE(CreatePipe(&outRead, &outWrite, &inherit, 0));
    std::string line = Quote(ChildPath()) + " args one two";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 5000));
    // The parent still holds the write end, as the runner does: no end of file, data waits.
    DWORD available = 0;
    ASSERT_TRUE(PeekNamedPipe(outRead, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(12u, available);
    char buffer[64];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(outRead, buffer, sizeof(buffer), &read, nullptr));
    EXPECT_EQ("[one]\n[two]\n", std::string(buffer, read));
    Close(info);
    CloseHandle(outRead);
    CloseHandle(outWrite);
}

TEST(PlatformProcesses, CommandLinesSplitByWindowsRules) {
    // Quotes group; three quotes in a row give a literal one; 2n backslashes before a quote give n and the
    // quote groups, 2n+1 give n and a literal quote; other backslashes are literal; a word
    // that starts with a backslash is a Windows path; double-byte text arrives in UTF-8.
    const std::string line = Quote(ChildPath()) +
                             " args plain \"two words\" a\\\"b \"c\\\"d\" e\\\\\\\\\"f g\" h\\i \"\" "
                             "\"\"\"x\"\"\" \\tmp\\dir\\file \x95\x5C\\\x83\x5C \"\x95\x5C\"  ";
    RunResult result = RunChild(line);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(
        "[plain]\n[two words]\n[a\"b]\n[c\"d]\n[e\\\\f g]\n[h\\i]\n[]\n[\"x\"]\n[/tmp/dir/file]\n"
        "[\xE8\xA1\xA8\\\xE3\x82\xBD]\n[\xE8\xA1\xA8]\n",
        result.output);
    // The program itself may be unquoted, or found in PATH.
    EXPECT_EQ("[x]\n", RunChild(ChildPath() + " args x").output);
    EXPECT_EQ(5u, RunChild("sh -c \"exit 5\"").exitCode);
}

TEST(PlatformProcesses, FailuresToStartAreReportedByCreateProcess) {
    TempDir folder;
    RunResult missing = RunChild(Quote(folder.File("none")) + " x");
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.error);
    RunResult noFolder = RunChild(Quote(folder.File("none\\prog")));
    EXPECT_FALSE(noFolder.started);
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, noFolder.error);
    ASSERT_TRUE(WriteBytes(folder.File("text.txt"), "not a program"));
    RunResult notExecutable = RunChild(Quote(folder.File("text.txt")));
    EXPECT_FALSE(notExecutable.started);
    EXPECT_EQ(ERROR_ACCESS_DENIED, notExecutable.error);
    // Executable but not a program (a script without "#!"): exec itself fails, and
    // CreateProcessA says so instead of starting a child that exits with 127.
    ASSERT_TRUE(WriteBytes(folder.File("script"), "echo hi\n"));
    std::string native = folder.File("script");
    std::replace(native.begin(), native.end(), '\\', '/');
    ASSERT_EQ(0, chmod(native.c_str(), 0755));
    RunResult badFormat = RunChild(Quote(folder.File("script")));
    EXPECT_FALSE(badFormat.started);
    EXPECT_EQ(ERROR_BAD_EXE_FORMAT, badFormat.error);
    RunResult badFolder = RunChild(Quote(ChildPath()) + " cwd", nullptr, folder.File("none").c_str());
    EXPECT_FALSE(badFolder.started);
    EXPECT_EQ(ERROR_DIRECTORY, badFolder.error);
    EXPECT_EQ(folder.File(""), WindowsStyle(RunChild(Quote(ChildPath()) + " cwd", nullptr, folder.Path().c_str()).output) + "\\");
    RunResult noProgram = RunChild("no-such-program-anywhere x");
    EXPECT_FALSE(noProgram.started);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, noProgram.error);
}

TEST(PlatformProcesses, OnlyInheritableHandlesReachTheChild) {
    TempDir folder;
    // A non-inheritable file and pipe stay with the parent.
    HANDLE file = CreateFileA(folder.File("private.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    // Only the run's own inheritable output ends (standard output and error) come along.
    const std::vector<int> baseline = Numbers(ForeignInheritedFds());
    const std::vector<int> seen = Numbers(RunChild(Quote(ChildPath()) + " fds").output);
    EXPECT_EQ(baseline.size() + 2, seen.size());
    EXPECT_TRUE(std::includes(seen.begin(), seen.end(), baseline.begin(), baseline.end()));

    // An inheritable one reaches it.
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE shared = CreateFileA(folder.File("shared.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, shared);
    EXPECT_EQ(baseline.size() + 3, Numbers(RunChild(Quote(ChildPath()) + " fds").output).size());
    CloseHandle(shared);

    // Why it matters: the child sees the end of its input only if no copy of the write end
    // leaked into it. With the parent's end inheritable, it never would.
    SECURITY_ATTRIBUTES both = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inRead = nullptr;
    HANDLE inWrite = nullptr;
    ASSERT_TRUE(CreatePipe(&inRead, &inWrite, &both, 0));
    std::string line = Quote(ChildPath()) + " count";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(inWrite);
    CloseHandle(inRead);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(info.hProcess, 300));  // waits for an input that never ends
    EXPECT_TRUE(TerminateProcess(info.hProcess, 1));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 5000));
    Close(info);

    CloseHandle(file);
    CloseHandle(read);
    CloseHandle(write);
}

TEST(PlatformProcesses, EnvironmentAndSharingReachAcrossProcesses) {
    ASSERT_TRUE(SetEnvironmentVariableA("MIRVANE_CHILD_VARIABLE", "from parent"));
    EXPECT_EQ("from parent", RunChild(Quote(ChildPath()) + " env MIRVANE_CHILD_VARIABLE").output);
    ASSERT_TRUE(SetEnvironmentVariableA("MIRVANE_CHILD_VARIABLE", nullptr));
    EXPECT_EQ("<unset>", RunChild(Quote(ChildPath()) + " env MIRVANE_CHILD_VARIABLE").output);

    // A file that another process holds with share mode 0 cannot be opened here.
    TempDir folder;
    const std::string path = folder.File("held.txt");
    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    ASSERT_TRUE(CreatePipe(&outRead, &outWrite, &inherit, 0));
    std::string line = Quote(ChildPath()) + " hold " + Quote(path) + " 5000";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
    char buffer[16];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(outRead, buffer, sizeof(buffer), &read, nullptr));
    EXPECT_EQ("held\n", std::string(buffer, read));
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
    EXPECT_TRUE(TerminateProcess(info.hProcess, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 5000));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    Close(info);
    CloseHandle(outRead);
    CloseHandle(outWrite);
}

TEST(PlatformProcesses, WaitsReapOnlyTheirOwnChild) {
    // A child of the program's own making keeps its status for its own waitpid.
    const pid_t own = fork();
    if (own == 0) _exit(42);
    ASSERT_GT(own, 0);
    EXPECT_EQ(0u, RunChild(Quote(ChildPath()) + " exit 0").exitCode);
    int status = 0;
    ASSERT_EQ(own, waitpid(own, &status, 0));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(42, WEXITSTATUS(status));

    // A child whose handles were closed while it ran leaves no zombie behind.
    PROCESS_INFORMATION info = Start("sleep 100");
    const pid_t pid = static_cast<pid_t>(info.dwProcessId);
    Close(info);
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        Sleep(50);
        gone = kill(pid, 0) != 0;  // a zombie still answers kill(0); a reaped pid does not
    }
    EXPECT_TRUE(gone);
}
