// Text helpers of the host simulator; see HostText.h.
#include "host/store/HostText.h"

#include <cstring>

namespace HostText {

namespace {
size_t CharLength(const std::string& text, size_t i) {
    return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}
}  // namespace

size_t FindLast(const std::string& text, char c) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (text[i] == c) found = i;
    }
    return found;
}

size_t FindFirst(const std::string& text, char c, size_t from) {
    // Walk from the start so that from is met on a character boundary.
    for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (i >= from && text[i] == c) return i;
    }
    return std::string::npos;
}

bool EndsWithChar(const std::string& text, char c) {
    return !text.empty() && FindLast(text, c) == text.size() - 1;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (text[i] == separator) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                word += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::string ToCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Trim(const std::string& text, const char* set) {
    const size_t first = text.find_first_not_of(set);
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(set);
    return text.substr(first, last - first + 1);
}

std::string ToLowerAscii(std::string text) {
    for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
    }
    return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string Backslashes(const std::string& path) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); i += CharLength(out, i)) {
        if (out[i] == '/') out[i] = '\\';
    }
    return out;
}

std::string HeaderBlock(const std::string& message) {
    const size_t end = message.find("\r\n\r\n");
    if (end == std::string::npos) return std::string();
    return message.substr(0, end + 2);
}

std::vector<std::string> HeaderLines(const std::string& message) {
    std::vector<std::string> lines;
    const std::string header = HeaderBlock(message);
    size_t pos = 0;
    while (pos < header.size()) {
        size_t end = header.find("\r\n", pos);
        if (end == std::string::npos) end = header.size();
        const std::string line = header.substr(pos, end - pos);
        if (!lines.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            lines.back() += "\r\n" + line;
        } else {
            lines.push_back(line);
        }
        pos = end + 2;
    }
    return lines;
}

std::string HeaderValue(const std::string& message, const std::string& name, bool* found) {
    if (found != nullptr) *found = false;
    for (const std::string& line : HeaderLines(message)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos || !EqualsNoCase(line.substr(0, colon), name)) continue;
        if (found != nullptr) *found = true;
        std::string value;
        for (const std::string& piece : Split(line.substr(colon + 1), '\n')) {
            std::string part = piece;
            if (!part.empty() && part.back() == '\r') part.pop_back();
            value += part;
        }
        return Trim(value);
    }
    return std::string();
}

std::string AddHeaderLine(const std::string& message, const std::string& line) {
    const size_t end = message.find("\r\n\r\n");
    if (end == std::string::npos) return line + "\r\n" + message;
    return message.substr(0, end + 2) + line + "\r\n" + message.substr(end + 2);
}

}  // namespace HostText
