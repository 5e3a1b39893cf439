// Shared set-up of the command tests: a fake host, a scripted bsfilter in g_commandBsfilter,
// default settings, empty lists saved into a temporary folder, and one own address.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "common/FakeHost.h"
#include "common/TestFiles.h"
#include "engine/Mirvane.h"
#include "lists/AddressInfo.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "settings/Profile.h"
#include "support/Util.h"

namespace commands_test {

// One bsfilter run as the commands asked for it.
struct BsfilterRun {
    std::string input;  // "" for runs without input
    bool hasInput = false;
    std::string options;
};

// The scripted bsfilter: records every run and answers with result(run) (0 by default) and
// the output text (as it is after result ran).
struct FakeBsfilter {
    bool available = true;
    std::vector<BsfilterRun> runs;
    std::function<int(const BsfilterRun&)> result;
    std::string output = "db status line 1\nline 2\r\n";

    std::vector<BsfilterRun> RunsWith(const std::string& options) const {
        std::vector<BsfilterRun> found;
        for (const BsfilterRun& r : runs) {
            if (r.options == options) found.push_back(r);
        }
        return found;
    }
};

inline FakeBsfilter*& CurrentBsfilter() {
    static FakeBsfilter* current = nullptr;
    return current;
}

inline bool FakeAvailable() { return CurrentBsfilter()->available; }

inline int FakeExec(const char* input, DWORD length, std::string* output, const char* options) {
    FakeBsfilter* fake = CurrentBsfilter();
    BsfilterRun run;
    run.hasInput = input != nullptr;
    if (input != nullptr) run.input.assign(input, length);
    run.options = options;
    fake->runs.push_back(run);
    // The result first: a scripted result may choose the output of its run.
    const int result = fake->result ? fake->result(run) : 0;
    if (output != nullptr) *output += fake->output;
    return result;
}

// A message with the given From and Subject values (and more header lines when given).
inline std::string Message(const std::string& from, const std::string& subject, const std::string& extra = "") {
    return extra + "From: " + from + "\r\nSubject: " + subject + "\r\nTo: me@home.example\r\n\r\nbody text\r\n";
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedCalls = g_commandBsfilter;
        CurrentBsfilter() = &bsfilter;
        g_commandBsfilter.isAvailable = FakeAvailable;
        g_commandBsfilter.exec = FakeExec;
        g_profile.SetLock(nullptr);
        g_profile.Reset();
        g_contextMenuProfile.SetLock(nullptr);
        g_contextMenuProfile.Reset();
        g_whiteList.SetLock(nullptr);
        g_whiteList.Clear();
        g_ngWordList.SetLock(nullptr);
        g_ngWordList.Clear();
        g_okWordList.SetLock(nullptr);
        g_okWordList.Clear();
        CopyTo(g_whiteListPath, kPathSize, dir.File("WhiteList.txt").c_str());
        CopyTo(g_ngWordListPath, kPathSize, dir.File("NgWordList.txt").c_str());
        CopyTo(g_okWordListPath, kPathSize, dir.File("OkWordList.txt").c_str());
        // bsfilter's database folder: the commands copy its probability table around updates,
        // holding g_bsfilterLock.
        CreateLocks();
        CopyTo(g_bsfilterDbFolder, kPathSize, dir.File("bsfilterdb").c_str());
        testing_files::MakeFolders(dir.File("bsfilterdb"));
        // The user's own mailbox: me@home.example.
        testing_files::MakeFolders(dir.File("box1"));
        testing_files::WriteBytes(dir.File("Folder.lst"), "box1\r\n");
        testing_files::WriteBytes(dir.File("box1\\Mailbox.ini"), "[Account]\r\nMailAddress=me@home.example\r\n");
        g_myMailAddressInfo.SetDataFolder(dir.Path().c_str());
        g_myMailAddressInfo.Update();
    }

    void TearDown() override {
        g_commandBsfilter = m_savedCalls;
        CurrentBsfilter() = nullptr;
        g_profile.Reset();
        g_contextMenuProfile.Reset();
        g_whiteList.Clear();
        g_ngWordList.Clear();
        g_okWordList.Clear();
        g_myMailAddressInfo = MyMailAddressInfo();
    }

    // Adds messages m1..mN (From sender<i>@example.com) and selects them all.
    std::vector<std::string> AddMessages(int count) {
        std::vector<std::string> ids;
        for (int i = 1; i <= count; ++i) {
            const std::string id = "m" + std::to_string(i);
            host.AddMessage(id, Message("Sender " + std::to_string(i) + " <sender" + std::to_string(i) +
                                            "@example.com>",
                                        "subject " + std::to_string(i)));
            ids.push_back(id);
        }
        host.SelectAll();
        return ids;
    }

    void Run(void(CALLBACK* handler)(HWND, LPARAM)) { handler(host.MainWindow(), 0); }

    testing_files::TempDir dir;
    testing_host::FakeHost host;
    FakeBsfilter bsfilter;

private:
    BsfilterCalls m_savedCalls = {};
};

inline std::string Text(UINT id) { return LoadResString(id); }

// The plug-in's texts are CP932; the tests write theirs in UTF-8.
inline std::string J(const std::string& utf8) { return PlatformUtf8ToAnsi(utf8); }

}  // namespace commands_test
