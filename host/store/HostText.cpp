// Text helpers of the host simulator; see HostText.h.
#include "host/store/HostText.h"

#include "platform/Mbcs.h"

namespace HostText {

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
        if (colon == std::string::npos || !Mbcs::EqualsAsciiNoCase(line.substr(0, colon), name)) continue;
        if (found != nullptr) *found = true;
        std::string value;
        for (const std::string& piece : Mbcs::Split(line.substr(colon + 1), '\n')) {
            std::string part = piece;
            if (!part.empty() && part.back() == '\r') part.pop_back();
            value += part;
        }
        return Mbcs::Trim(value);
    }
    return std::string();
}

std::string AddHeaderLine(const std::string& message, const std::string& line) {
    const size_t end = message.find("\r\n\r\n");
    if (end == std::string::npos) return line + "\r\n" + message;
    return message.substr(0, end + 2) + line + "\r\n" + message.substr(end + 2);
}

}  // namespace HostText
