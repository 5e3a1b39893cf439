// The child process of the platform's process tests: each test picks its behaviour with the
// first argument.
//   exit N          exit with status N
//   signal N        end by signal N
//   sleep MS        sleep, then exit 0
//   count           read standard input to its end, print the byte count
//   flood N         write N bytes to standard output first, then read all input and print
//                   its byte count
//   noread N        exit with status N without reading standard input
//   args            print each further argument as "[argument]" on its own line
//   fds             print the descriptors above 2 that are open (close-on-exec ones excluded
//                   by exec itself), one per line
//   env NAME        print the variable's value
//   cwd             print the current folder
//   stderr TEXT     write TEXT to standard error
//   hold PATH MS    open PATH with share mode 0 through the platform layer, print "held",
//                   keep it open for MS milliseconds
//   msgbox TYPE ANSWER [japanese]
//                   show a message box of TYPE; the registered hook reports what it was shown
//                   and answers ANSWER (0: declines; "none": no hook registered); then print
//                   "result N"
#include <dirent.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/posix/ui_hooks.h"

namespace {

void Put(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) _exit(90);
        done += static_cast<size_t>(n);
    }
}

unsigned long long ReadAll() {
    unsigned long long total = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(0, buffer, sizeof(buffer));
        if (n <= 0) return total;
        total += static_cast<unsigned long long>(n);
    }
}

const char* g_boxText = "";
const char* g_boxCaption = "";
int g_boxAnswer = 0;

}  // namespace

// The message-box hook the "msgbox" mode registers with the platform layer.
int RecordingMessageBoxHook(HWND, const char* text, const char* caption, unsigned type) {
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%x", type);
    Put(1, std::string("hook [") + (std::strcmp(caption, g_boxCaption) == 0 ? "caption" : caption) + "] " +
               (std::strcmp(text, g_boxText) == 0 ? "text" : text) + " " + hex + "\n");
    return g_boxAnswer;
}

int main(int argc, char** argv) {
    if (argc < 2) return 99;
    const std::string mode = argv[1];
    const char* value = argc > 2 ? argv[2] : "0";
    if (mode == "exit") return atoi(value);
    if (mode == "signal") {
        raise(atoi(value));
        return 98;
    }
    if (mode == "sleep") {
        usleep(static_cast<useconds_t>(atoi(value)) * 1000);
        return 0;
    }
    if (mode == "count") {
        Put(1, std::to_string(ReadAll()) + "\n");
        return 0;
    }
    if (mode == "flood") {
        Put(1, std::string(static_cast<size_t>(atol(value)), 'f'));
        Put(1, "\n" + std::to_string(ReadAll()) + "\n");
        return 0;
    }
    if (mode == "noread") return atoi(value);
    if (mode == "args") {
        for (int i = 2; i < argc; ++i) Put(1, std::string("[") + argv[i] + "]\n");
        return 0;
    }
    if (mode == "fds") {
        DIR* dir = opendir("/proc/self/fd");
        if (dir == nullptr) return 97;
        const int own = dirfd(dir);
        while (struct dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            const int fd = atoi(entry->d_name);
            if (fd > 2 && fd != own) Put(1, std::to_string(fd) + "\n");
        }
        closedir(dir);
        return 0;
    }
    if (mode == "env") {
        const char* text = getenv(value);
        Put(1, text != nullptr ? text : "<unset>");
        return 0;
    }
    if (mode == "cwd") {
        char folder[4096];
        if (getcwd(folder, sizeof(folder)) == nullptr) return 96;
        Put(1, folder);
        return 0;
    }
    if (mode == "stderr") {
        Put(2, value);
        return 0;
    }
    if (mode == "hold" && argc > 3) {
        HANDLE file = CreateFileA(value, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 95;
        Put(1, "held\n");
        usleep(static_cast<useconds_t>(atoi(argv[3])) * 1000);
        CloseHandle(file);
        return 0;
    }
    if (mode == "msgbox" && argc > 3) {
        const bool japanese = argc > 4;
        g_boxText = japanese ? "\x96\x7B\x95\xB6" : "plain text";          // "本文"
        g_boxCaption = japanese ? "\x8A\x6D\x94\x46" : "plain caption";    // "確認"
        g_boxAnswer = atoi(argv[3]);
        if (std::strcmp(argv[3], "none") != 0) SetMessageBoxHook(RecordingMessageBoxHook);
        const int result =
            MessageBoxA(nullptr, g_boxText, g_boxCaption, static_cast<UINT>(strtoul(value, nullptr, 0)));
        Put(1, "result " + std::to_string(result) + "\n");
        return 0;
    }
    return 99;
}
