// Text helpers below the log; see Text.h.
#include "support/Text.h"

#include <cstdio>
#include <cstring>

#include "platform/Mbcs.h"

const char kBlanks[] = " \t\r\n";
const char kInputBlanks[] = " \t\x81\x40";

std::string Trim(const std::string& text, const char* set) { return Mbcs::Trim(text, set != nullptr ? set : kBlanks); }

std::string Trim(const char* text, const char* set) {
    if (text == nullptr) return std::string();
    return Trim(std::string(text), set);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (text.empty() || from.empty()) return;
    size_t pos = text.find(from);
    if (pos == std::string::npos) return;
    // Built anew in one pass: replacing in place would move the rest of the text at every
    // hit, which makes a long text with many hits (a big message's line ends) quadratic.
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    for (; pos != std::string::npos; pos = text.find(from, start)) {
        result.append(text, start, pos - start);
        result += to;
        start = pos + from.size();
    }
    result.append(text, start, std::string::npos);
    text.swap(result);
}

void NormalizeLineEnds(std::string& text) {
    ReplaceAll(text, "\r\n", "\n");
    ReplaceAll(text, "\r", "\n");
    ReplaceAll(text, "\n", "\r\n");
}

std::vector<std::string> Split(const std::string& text, char separator) { return Mbcs::Split(text, separator); }

size_t FormatToV(char* buffer, size_t size, const char* format, va_list args) {
    if (buffer == nullptr || size == 0) return 0;
    const int n = std::vsnprintf(buffer, size, format != nullptr ? format : "", args);
    buffer[size - 1] = '\0';
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

size_t FormatTo(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const size_t n = FormatToV(buffer, size, format, args);
    va_end(args);
    return n;
}

std::string FormatTextV(size_t bufferSize, const char* format, va_list args) {
    std::vector<char> buffer(bufferSize > 0 ? bufferSize : 1);
    const size_t n = FormatToV(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), n);
}

std::string FormatText(size_t bufferSize, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(bufferSize, format, args);
    va_end(args);
    return text;
}

void CopyTo(char* buffer, size_t size, const char* text) {
    if (buffer == nullptr || size == 0) return;
    if (text == nullptr) text = "";
    const size_t n = std::strlen(text);
    const size_t keep = n < size - 1 ? n : size - 1;
    std::memcpy(buffer, text, keep);
    buffer[keep] = '\0';
}
