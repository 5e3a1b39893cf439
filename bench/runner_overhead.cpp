// What the runner costs: judging corpus messages through ExecBsfilter against starting the same
// child directly (posix_spawn, a pipe each way, poll, waitpid) with the same arguments and the
// same message, interleaved in one run. Printed as messages per second both ways and their
// ratio, for the real bsfilter (script mode under Ruby) and for the stand-in, whose short life
// makes the runner's own share visible.
//   bench_runner_overhead [corpus data folder] [messages]
// Without a folder, tools/fetch-corpus.sh (run from the source tree) supplies the corpus.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"
#include "settings/Profile.h"
#include "support/Log.h"
#include "support/Util.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string ToPosix(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool IsFile(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The raw messages (.txt) of one corpus group, sorted by name.
std::vector<std::string> GroupFiles(const std::string& data, const char* group) {
    std::vector<std::string> files;
    const std::string folder = data + "/" + group;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0) files.push_back(folder + "/" + name);
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The message as the host hands it over: CR LF line ends.
std::string AsHostText(const std::string& raw) {
    std::string text;
    text.reserve(raw.size() + raw.size() / 30);
    for (char c : raw) {
        if (c == '\n') text += '\r';
        text += c;
    }
    return text;
}

// Runs argv with input on standard input and standard output and error collected; returns the
// exit status (or -1).
int RunDirect(const std::vector<std::string>& args, const std::string& input, std::string& output) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (spawned != 0) {
        close(in[1]);
        close(out[0]);
        return -1;
    }
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    size_t written = 0;
    int writeFd = in[1];
    if (input.empty()) {
        close(writeFd);
        writeFd = -1;
    }
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {writeFd, POLLOUT, 0}};
        if (poll(fds, writeFd >= 0 ? 2 : 1, -1) < 0) break;
        if (writeFd >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t n = write(writeFd, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<size_t>(n);
            if (n < 0 || written == input.size()) {
                close(writeFd);
                writeFd = -1;
            }
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = read(out[0], buffer, sizeof(buffer));
            if (n <= 0) break;
            output.append(buffer, static_cast<size_t>(n));
        }
    }
    if (writeFd >= 0) close(writeFd);
    close(out[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Result {
    double execSeconds = 0;
    double directSeconds = 0;
    int disagreements = 0;
    int spam = 0;
};

// Judges every message both ways, alternating which goes first.
Result Measure(const std::vector<std::string>& directFront, const std::vector<std::string>& messages) {
    Result result;
    for (size_t i = 0; i < messages.size(); ++i) {
        const std::string& message = messages[i];
        int viaExec = 0, viaDirect = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool execTurn = (turn == 0) == (i % 2 == 0);
            std::string output;
            const Clock::time_point start = Clock::now();
            if (execTurn) {
                viaExec = ExecBsfilter(message.data(), static_cast<DWORD>(message.size()), &output, "");
            } else {
                viaDirect = RunDirect(directFront, message, output);
            }
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            (execTurn ? result.execSeconds : result.directSeconds) += seconds;
        }
        if (viaExec != viaDirect) ++result.disagreements;
        if (viaExec == 0) ++result.spam;
    }
    return result;
}

void Print(const char* child, const Result& r, size_t count) {
    const double exec = count / r.execSeconds;
    const double direct = count / r.directSeconds;
    std::printf("%-22s %12.1f %16.1f %10.3f   (%d spam, %d disagreements)\n", child, direct, exec,
                r.execSeconds / r.directSeconds, r.spam, r.disagreements);
}

std::string CorpusFolder(int argc, char** argv) {
    if (argc > 1) return argv[1];
    FILE* pipe = popen("tools/fetch-corpus.sh", "r");
    if (pipe == nullptr) return "";
    char line[4096] = {0};
    if (std::fgets(line, sizeof(line), pipe) == nullptr) line[0] = '\0';
    pclose(pipe);
    std::string folder = line;
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) folder.pop_back();
    return folder;
}

std::string OwnFolder() {
    char path[4096] = {0};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string self = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
    return self.substr(0, self.rfind('/'));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string data = CorpusFolder(argc, argv);
    const size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
    std::vector<std::string> spam = GroupFiles(data, "spam-2");
    std::vector<std::string> ham = GroupFiles(data, "easy-ham-2");
    if (spam.size() < 300 || ham.size() < 300) {
        std::fprintf(stderr, "runner_overhead: no corpus in [%s] (run from the source tree, or pass the folder)\n",
                     data.c_str());
        return 1;
    }

    // A plug-in installation in a temporary folder; the log as shipped (ERROR only).
    char temp[kPathSize] = {0};
    GetTempPathA(sizeof(temp), temp);
    char root[kPathSize];
    FormatTo(root, sizeof(root), "%smirvane-bench-%lu", temp, static_cast<unsigned long>(getpid()));
    BuildProgramPaths((std::string(root) + "\\dll").c_str());
    BuildDataPaths((std::string(root) + "\\data").c_str());
    PlatformMakeSureDirectoryPathExists((std::string(g_pluginFolder) + "\\").c_str());
    PlatformMakeSureDirectoryPathExists((std::string(g_bsfilterDbFolder) + "\\").c_str());
    CreateLocks();
    g_scriptProfile.SetLock(&g_settingsLock);
    g_logger.Configure("ERROR", g_pluginDataFolder, g_logPath);
    CreateBsfilterConfig();

    // Messages to judge: spam and clean alternating, none of them trained.
    std::vector<std::string> messages;
    size_t bytes = 0;
    for (size_t i = 0; messages.size() < count && 200 + i < std::min(spam.size(), ham.size()); ++i) {
        messages.push_back(AsHostText(ReadFileText(spam[200 + i])));
        messages.push_back(AsHostText(ReadFileText(ham[200 + i])));
    }
    messages.resize(std::min(messages.size(), count));
    for (const std::string& m : messages) bytes += m.size();

    std::printf("runner overhead: judging %zu corpus messages (mean %zu bytes), ExecBsfilter vs. a direct spawn\n",
                messages.size(), messages.empty() ? 0 : bytes / messages.size());
    std::printf("%-22s %12s %16s %10s\n", "child", "direct msg/s", "ExecBsfilter msg/s", "time ratio");

    const std::string db = ToPosix(g_bsfilterDbFolder);
    const std::string conf = ToPosix(g_bsfilterConfig);
    if (IsFile("/usr/bin/bsfilter") && IsFile("/usr/bin/ruby")) {
        // Script mode with Debian's bsfilter, trained on 200 spam and 200 clean messages.
        CopyFileA("\\usr\\bin\\bsfilter", g_bsfilterScript, FALSE);
        g_scriptProfile.SetUseBsfilterScript(true);
        g_scriptProfile.SetRubyModulePath("\\usr\\bin\\ruby");
        const std::vector<std::string> front = {"/usr/bin/ruby", ToPosix(g_bsfilterScript), "--homedir", db,
                                                "--config-file", conf};
        std::vector<std::string> train = front;
        train.push_back("--add-spam");
        train.insert(train.end(), spam.begin(), spam.begin() + 200);
        std::string ignored;
        int trained = RunDirect(train, "", ignored);
        train = front;
        train.push_back("--add-clean");
        train.insert(train.end(), ham.begin(), ham.begin() + 200);
        trained |= RunDirect(train, "", ignored);
        std::vector<std::string> update = front;
        update.push_back("--update");
        trained |= RunDirect(update, "", ignored);
        if (trained != 0) std::fprintf(stderr, "runner_overhead: training bsfilter failed: %s\n", ignored.c_str());
        Print("bsfilter (ruby)", Measure(front, messages), messages.size());
    } else {
        std::printf("%-22s (not installed)\n", "bsfilter (ruby)");
    }

    const std::string standin = OwnFolder() + "/bsfilter-standin";
    if (IsFile(standin)) {
        g_scriptProfile.SetUseBsfilterScript(false);
        unlink(ToPosix(g_bsfilterExe).c_str());
        if (symlink(standin.c_str(), ToPosix(g_bsfilterExe).c_str()) == 0) {
            const std::vector<std::string> front = {standin, "--homedir", db, "--config-file", conf};
            std::string ignored;
            for (size_t i = 0; i < 200; ++i) {
                std::vector<std::string> add = front;
                add.push_back("--add-spam");
                RunDirect(add, ReadFileText(spam[i]), ignored);
                add.back() = "--add-clean";
                RunDirect(add, ReadFileText(ham[i]), ignored);
            }
            std::vector<std::string> update = front;
            update.push_back("--update");
            RunDirect(update, "", ignored);
            Print("stand-in", Measure(front, messages), messages.size());
        }
    } else {
        std::printf("%-22s (not built)\n", "stand-in");
    }

    std::string cleanup = "rm -rf '" + ToPosix(root) + "'";
    if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "runner_overhead: could not remove %s\n", root);
    return 0;
}
