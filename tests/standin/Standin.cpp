// A stand-in for bsfilter, for the runner's tests and benchmarks. It honours bsfilter's
// command-line contract:
//   [script] --homedir DIR --config-file FILE [--add-spam|--add-clean|--sub-spam|--sub-clean]
//            [--update] [--show-db-status] [--list-spam] [--list-clean] [MAIL...]
// with the message on standard input for training and judging, or one message per MAIL file
// argument; no training option judges (exit 0 when a message is spam, else 1; --list-spam and
// --list-clean print the names of the files judged so, one a line). The model is a plain token
// count: DIR/standin-corpus.txt holds the trained counts, DIR/standin.prob.txt the token
// probabilities that --update rebuilds from them (named like bsfilter's "*.prob.*" tables), and
// judging uses only the probabilities. A first argument that is not an option is skipped, so
// the stand-in can also play the Ruby interpreter of script mode (it then gets the script).
//
// On request it misbehaves. Lines of the configuration file that start with "standin" are
// actions, carried out in order before the command:
//   standin sleep MS          pause
//   standin read              read the whole standard input now
//   standin echo-input        write the input back (read first when not read yet)
//   standin input-digest      write "input bytes=N fnv1a=XXXXXXXX" of the input
//   standin echo-args         write every argument as "arg[i]=[...]"
//   standin write N           write N bytes of the pattern of StandinPatternByte
//   standin print TEXT        write TEXT (escapes \0 \n \r \t \\)
//   standin stderr TEXT       the same to standard error
//   standin touch NAME        create the empty file NAME in the home folder
//   standin crash             end abnormally
//   standin exit N            end with status N at once (input not read unless read before)
//   standin hang              sleep for ever
//   standin fail-update       make --update write the first two entries of the new table, then
//                             fail (exit 3), as a failed SDBM update leaves a few dozen tokens
//   standin fail-on TEXT      make training fail (exit 3) at the first message containing TEXT,
//                             keeping what the messages before it trained, as bsfilter's
//                             write-through tables do
//   standin spawn-beater NAME start a descendant that appends to NAME in the home folder
//                             every 20 ms until it is ended from outside
// The configuration file reaches the child through ExecBsfilter's fixed command line, so this
// works alike on Linux and under Wine.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Standin.h"

namespace {

const char kCorpusFile[] = "standin-corpus.txt";
const char kProbFile[] = "standin.prob.txt";

struct Options {
    std::string homedir = ".";
    std::string configFile;
    std::vector<std::string> commands;  // --add-spam ... --update --show-db-status, in order
    std::vector<std::string> all;       // every argument, for echo-args
    std::vector<std::string> files;     // MAIL arguments: one message each
    bool listSpam = false;
    bool listClean = false;
    bool failUpdate = false;
    std::string failOn;
};

std::string g_input;
bool g_inputRead = false;

void ReadInput() {
    if (g_inputRead) return;
    g_inputRead = true;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), stdin)) > 0) g_input.append(buffer, n);
}

void Out(const std::string& text, FILE* stream = stdout) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

std::string InHome(const Options& options, const char* name) { return options.homedir + "/" + name; }

// Byte k of the pattern that "write N" produces: lines of 63 letters and a line feed.
char PatternByte(size_t k) { return k % 64 == 63 ? '\n' : static_cast<char>('a' + k % 26); }

uint32_t Fnv1a(const std::string& data) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : data) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

std::string Unescape(const std::string& text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const char c = text[++i];
        result += c == '0' ? '\0' : c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
    return result;
}

void SleepMs(long ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// ---- the model ------------------------------------------------------------------------------

// Tokens: runs of ASCII letters and digits and of bytes >= 0x80 (double-byte text stays
// together), ASCII lower-cased, 3 to 40 bytes long.
std::set<std::string> Tokens(const std::string& text) {
    std::set<std::string> tokens;
    std::string current;
    auto flush = [&]() {
        if (current.size() >= 3 && current.size() <= 40) tokens.insert(current);
        current.clear();
    };
    for (unsigned char c : text) {
        if (std::isalnum(c) != 0 && c < 0x80) {
            current += static_cast<char>(std::tolower(c));
        } else if (c >= 0x80) {
            current += static_cast<char>(c);
        } else {
            flush();
        }
    }
    flush();
    return tokens;
}

struct Corpus {
    long spamMessages = 0;
    long cleanMessages = 0;
    std::map<std::string, std::pair<long, long>> counts;  // token -> spam, clean
};

Corpus LoadCorpus(const Options& options) {
    Corpus corpus;
    std::ifstream in(InHome(options, kCorpusFile), std::ios::binary);
    std::string line;
    if (std::getline(in, line)) std::sscanf(line.c_str(), "messages %ld %ld", &corpus.spamMessages, &corpus.cleanMessages);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long spam = 0, clean = 0;
        std::string token;
        if (fields >> spam >> clean >> token) corpus.counts[token] = {spam, clean};
    }
    return corpus;
}

bool SaveCorpus(const Options& options, const Corpus& corpus) {
    std::ofstream out(InHome(options, kCorpusFile), std::ios::binary | std::ios::trunc);
    out << "messages " << corpus.spamMessages << ' ' << corpus.cleanMessages << '\n';
    for (const auto& entry : corpus.counts) {
        if (entry.second.first > 0 || entry.second.second > 0)
            out << entry.second.first << ' ' << entry.second.second << ' ' << entry.first << '\n';
    }
    return static_cast<bool>(out);
}

// The messages of a run: the MAIL files, or standard input when there are none.
std::vector<std::string> Messages(const Options& options) {
    std::vector<std::string> messages;
    if (options.files.empty()) {
        ReadInput();
        messages.push_back(g_input);
        return messages;
    }
    for (const std::string& file : options.files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            Out("bsfilter-standin: cannot read " + file + "\n", stderr);
            std::exit(3);
        }
        std::ostringstream text;
        text << in.rdbuf();
        messages.push_back(text.str());
    }
    return messages;
}

// --add-spam / --add-clean (sign 1) and --sub-spam / --sub-clean (sign -1). Counts never go
// below zero.
bool Train(const Options& options, bool spam, int sign) {
    Corpus corpus = LoadCorpus(options);
    for (const std::string& message : Messages(options)) {
        if (!options.failOn.empty() && message.find(options.failOn) != std::string::npos) {
            SaveCorpus(options, corpus);
            return false;
        }
        long& messages = spam ? corpus.spamMessages : corpus.cleanMessages;
        messages = std::max(0L, messages + sign);
        for (const std::string& token : Tokens(message)) {
            auto& entry = corpus.counts[token];
            long& count = spam ? entry.first : entry.second;
            count = std::max(0L, count + sign);
        }
    }
    return SaveCorpus(options, corpus);
}

// Probability of spam for each token seen at least twice, pulled towards 0.5 when rare.
bool Update(const Options& options) {
    const Corpus corpus = LoadCorpus(options);
    std::ofstream out(InHome(options, kProbFile), std::ios::binary | std::ios::trunc);
    out << "messages " << corpus.spamMessages << ' ' << corpus.cleanMessages << '\n';
    const double spamMessages = std::max(1L, corpus.spamMessages);
    const double cleanMessages = std::max(1L, corpus.cleanMessages);
    size_t written = 0;
    for (const auto& entry : corpus.counts) {
        if (options.failUpdate && ++written > 2) return false;
        const long spam = entry.second.first;
        const long clean = entry.second.second;
        if (spam + clean < 2) continue;
        const double s = spam / spamMessages;
        const double c = clean / cleanMessages;
        const double p = s / (s + c);
        const double n = static_cast<double>(spam + clean);
        const double f = (0.5 + n * p) / (1.0 + n);
        out << std::min(0.99, std::max(0.01, f)) << ' ' << entry.first << '\n';
    }
    return static_cast<bool>(out);
}

// Whether text is spam: the 15 tokens farthest from 0.5 combined.
bool IsSpam(const std::map<std::string, double>& prob, const std::string& text) {
    std::vector<double> found;
    for (const std::string& token : Tokens(text)) {
        auto it = prob.find(token);
        if (it != prob.end()) found.push_back(it->second);
    }
    if (found.empty()) return false;
    std::sort(found.begin(), found.end(),
              [](double a, double b) { return std::fabs(a - 0.5) > std::fabs(b - 0.5); });
    if (found.size() > 15) found.resize(15);
    double logSpam = 0.0, logClean = 0.0;
    for (double p : found) {
        logSpam += std::log(p);
        logClean += std::log(1.0 - p);
    }
    const double score = 1.0 / (1.0 + std::exp(logClean - logSpam));
    return score > 0.9;
}

// Exit status 0 when a message is spam, 1 when none is; the lists name the files.
int Judge(const Options& options) {
    std::map<std::string, double> prob;
    std::ifstream in(InHome(options, kProbFile), std::ios::binary);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        double p = 0.5;
        std::string token;
        if (fields >> p >> token) prob[token] = p;
    }
    const std::vector<std::string> messages = Messages(options);
    int status = 1;
    for (size_t i = 0; i < messages.size(); ++i) {
        const bool spam = IsSpam(prob, messages[i]);
        const std::string name = options.files.empty() ? "-" : options.files[i];
        if ((spam && options.listSpam) || (!spam && options.listClean)) Out(name + "\n");
        if (spam) status = 0;
    }
    return status;
}

int ShowStatus(const Options& options) {
    const Corpus corpus = LoadCorpus(options);
    long probabilities = 0;
    std::ifstream in(InHome(options, kProbFile), std::ios::binary);
    std::string line;
    if (std::getline(in, line)) {
        while (std::getline(in, line)) ++probabilities;
    }
    char text[256];
    std::snprintf(text, sizeof(text), "db standin spam %ld clean %ld tokens %ld probabilities %ld\n",
                  corpus.spamMessages, corpus.cleanMessages, static_cast<long>(corpus.counts.size()), probabilities);
    Out(text);
    return 0;
}

// ---- misbehaviour ---------------------------------------------------------------------------

void RunAction(const Options& options, const std::string& line) {
    std::istringstream fields(line);
    std::string word, action;
    fields >> word >> action;
    std::string rest;
    std::getline(fields, rest);
    if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n')) rest.pop_back();

    if (action == "sleep") {
        SleepMs(std::atol(rest.c_str()));
    } else if (action == "read") {
        ReadInput();
    } else if (action == "echo-input") {
        ReadInput();
        Out(g_input);
    } else if (action == "input-digest") {
        ReadInput();
        char text[96];
        std::snprintf(text, sizeof(text), "input bytes=%lu fnv1a=%08lx\n", static_cast<unsigned long>(g_input.size()),
                      static_cast<unsigned long>(Fnv1a(g_input)));
        Out(text);
    } else if (action == "echo-args") {
        for (size_t i = 0; i < options.all.size(); ++i) Out("arg[" + std::to_string(i) + "]=[" + options.all[i] + "]\n");
    } else if (action == "write") {
        const size_t total = std::strtoul(rest.c_str(), nullptr, 10);
        std::string chunk;
        for (size_t done = 0; done < total;) {
            chunk.clear();
            for (size_t k = 0; k < 65536 && done < total; ++k, ++done) chunk += PatternByte(done);
            Out(chunk);
        }
    } else if (action == "print") {
        Out(Unescape(rest));
    } else if (action == "stderr") {
        Out(Unescape(rest), stderr);
    } else if (action == "touch") {
        std::ofstream(InHome(options, rest.c_str()), std::ios::binary);
    } else if (action == "crash") {
        StandinCrash();
    } else if (action == "exit") {
        std::exit(static_cast<int>(std::strtol(rest.c_str(), nullptr, 10)));
    } else if (action == "spawn-beater") {
        StandinSpawnBeater(InHome(options, rest.c_str()).c_str());
    } else if (action == "hang") {
        for (;;) SleepMs(1000);
    }
    // fail-update and fail-on are read with the arguments, before the actions run.
}

// The failures the configuration asks for: "standin fail-update" and "standin fail-on TEXT".
void ReadFailures(Options& options) {
    if (options.configFile.empty()) return;
    std::ifstream in(options.configFile, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (line == "standin fail-update") options.failUpdate = true;
        if (line.compare(0, 16, "standin fail-on ") == 0) options.failOn = line.substr(16);
    }
}

void RunActions(const Options& options) {
    if (options.configFile.empty()) return;
    std::ifstream in(options.configFile, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, 8, "standin ") == 0) RunAction(options, line);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--standin-beat") == 0) StandinBeat(argv[2]);
    StandinBinaryStdio();
    Options options;
    std::string unknown;
    for (int i = 1; i < argc; ++i) options.all.push_back(argv[i]);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--homedir" && i + 1 < argc) {
            options.homedir = argv[++i];
        } else if (arg == "--config-file" && i + 1 < argc) {
            options.configFile = argv[++i];
        } else if (arg == "--add-spam" || arg == "--add-clean" || arg == "--sub-spam" || arg == "--sub-clean" ||
                   arg == "--update" || arg == "--show-db-status") {
            options.commands.push_back(arg);
        } else if (arg == "--list-spam") {
            options.listSpam = true;
        } else if (arg == "--list-clean") {
            options.listClean = true;
        } else if (i == 1 && arg.compare(0, 1, "-") != 0) {
            // The script argument of script mode.
        } else if (arg.compare(0, 1, "-") != 0) {
            options.files.push_back(arg);
        } else if (unknown.empty()) {
            unknown = arg;
        }
    }
    ReadFailures(options);
    // Actions first, so that echo-args also shows what the stand-in does not understand.
    RunActions(options);
    if (!unknown.empty()) {
        Out("bsfilter-standin: unknown argument: " + unknown + "\n", stderr);
        return 2;
    }

    if (options.commands.empty()) return Judge(options);
    for (const std::string& command : options.commands) {
        bool ok = true;
        if (command == "--add-spam") ok = Train(options, true, 1);
        if (command == "--add-clean") ok = Train(options, false, 1);
        if (command == "--sub-spam") ok = Train(options, true, -1);
        if (command == "--sub-clean") ok = Train(options, false, -1);
        if (command == "--update") ok = Update(options);
        if (command == "--show-db-status") ok = ShowStatus(options) == 0;
        if (!ok) {
            Out("bsfilter-standin: " + command + " failed\n", stderr);
            return 3;
        }
    }
    return 0;
}
