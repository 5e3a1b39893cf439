// Shared set-up of the host simulator's tests: a temporary data folder, message files, and
// runs of the host (optionally with the test plug-in) whose every output line must be JSON.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/HostRunner.h"
#include "common/JsonValue.h"
#include "common/TestFiles.h"

class HostTest : public ::testing::Test {
protected:
    std::string Data() const { return m_dir.Path() + "\\data"; }
    std::string DataFile(const std::string& relative) const { return Data() + "\\" + relative; }
    std::string File(const std::string& name) const { return m_dir.File(name); }

    // The host with --data; with the test plug-in unless plugin is false.
    testing_host::Result Host(const std::vector<std::string>& arguments, bool plugin = true) {
        std::vector<std::string> all = {"--data", Data()};
        if (plugin) {
            all.push_back("--plugin");
            all.push_back(testing_host::TestPlugin());
        }
        all.insert(all.end(), arguments.begin(), arguments.end());
        testing_host::Result result = testing_host::Run(all);
        EXPECT_TRUE(result.badLines.empty()) << "not JSON: " << (result.badLines.empty() ? "" : result.badLines[0]);
        return result;
    }

    // Two mailboxes and a folder of its own in the first.
    void Init() {
        ASSERT_EQ(0, Host({"init", "work.mb:Work:me@example.com", "home.mb:Home:me@home.example"}, false).exitCode);
        ASSERT_EQ(0, Host({"mkfolder", "work.mb\\!!!!Inbox\\spam"}, false).exitCode);
    }

    // A message file (LF line ends, as files usually come) with a test-plug-in instruction.
    std::string Message(const std::string& name, const std::string& subject, const std::string& action = std::string(),
                        const std::string& extraHeaders = std::string()) {
        std::string text = "From: Sender <sender@example.org>\nTo: me@example.com\nSubject: " + subject + "\n";
        if (!action.empty()) text += "X-Test-Action: " + action + "\n";
        text += extraHeaders + "\nbody of " + name + "\n";
        const std::string path = m_dir.File(name);
        testing_files::WriteBytes(path, text);
        return path;
    }

    std::string ReadDataFile(const std::string& relative) const { return testing_files::ReadBytes(DataFile(relative)); }

    // A script file for the script verb.
    std::string Script(const std::string& text) {
        const std::string path = m_dir.File("script.txt");
        testing_files::WriteBytes(path, text);
        return path;
    }

private:
    testing_files::TempDir m_dir;
};
