// Header fields, address lists and addresses of raw messages; see Header.h.
#include "lists/Header.h"

#include <cstring>

#include "platform/Mbcs.h"
#include "platform/platform.h"
#include "plugin/HostApi.h"
#include "support/Util.h"

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether name (length bytes) occurs at p, ASCII case ignored. Stops at the text's terminator.
bool MatchesNameAt(const char* p, const char* name, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (p[i] == '\0' || AsciiLower(p[i]) != AsciiLower(name[i])) return false;
    }
    return true;
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// Asks the host to decode MIME encoded words in text. True when the host returned a string
// (it may be empty); false when it returned none or offers no decoder.
bool HostDecode(const char* text, std::string* decoded) {
    if (g_hostApi.MIMEHeader == nullptr) return false;
    char charset[128] = {};
    LPSTR result = g_hostApi.MIMEHeader(text, charset, static_cast<int>(sizeof(charset)), FALSE);
    if (result == nullptr) return false;
    decoded->assign(result);
    if (g_hostApi.Free != nullptr) g_hostApi.Free(result);
    return true;
}

// [begin, end) without leading blanks and tabs.
std::string SkipLeadingBlanks(const char* begin, const char* end) {
    while (begin < end && IsBlankOrTab(*begin)) ++begin;
    return std::string(begin, end);
}

// Cuts text to at most maxBytes bytes without splitting a double-byte character, then drops
// trailing blanks and tabs.
void CutAndStrip(std::string* text, size_t maxBytes) {
    text->resize(Mbcs::CutLength(text->c_str(), text->size(), maxBytes));
    size_t end = text->size();
    while (end > 0 && IsBlankOrTab((*text)[end - 1])) --end;
    text->resize(end);
}

// Separators of an address list: the control bytes and the blank, "," and ";".
bool IsTokenSeparator(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 1 && u <= 32) || c == ',' || c == ';';
}

// Terminates the token that starts at start at end, dropping the bytes 1 to 32 before end.
void StripTokenEnd(char* start, char* end) {
    while (end > start) {
        const unsigned char u = static_cast<unsigned char>(end[-1]);
        if (u < 1 || u > 32) break;
        --end;
    }
    *end = '\0';
}

// The tokenizer's position between calls: one caller at a time (the send hook, on the host's
// thread).
char* g_tokenPosition = nullptr;

}  // namespace

bool FindHeaderField(const char* fieldName, const char* text, HeaderFieldLocation* location) {
    if (fieldName == nullptr || text == nullptr || location == nullptr || fieldName[0] == '\0') return false;
    const char* headerEnd = std::strstr(text, "\r\n\r\n");
    if (headerEnd == nullptr) return false;
    const size_t end = static_cast<size_t>(headerEnd - text);
    const size_t nameLength = std::strlen(fieldName);

    // A hit that starts at or after the header end could only have its colon beyond it, which
    // ends the search as "not found"; so the search never needs to run through the body.
    size_t pos = 0;
    while (pos < end) {
        if (!MatchesNameAt(text + pos, fieldName, nameLength)) {
            ++pos;
            continue;
        }
        const bool lineStart = pos == 0 || (pos >= 2 && text[pos - 2] == '\r' && text[pos - 1] == '\n');
        if (!lineStart) {
            ++pos;
            continue;
        }
        const size_t colon = pos + nameLength;
        if (text[colon] != ':') {
            pos = colon;
            continue;
        }
        if (colon >= end) return false;
        size_t valueStart = colon + 1;
        while (IsBlankOrTab(text[valueStart])) ++valueStart;
        // The field ends at the first CR LF that is not followed by a blank or tab (those start
        // a folded continuation line). The CR LF CR LF at the header end always qualifies.
        for (const char* p = std::strstr(text + valueStart, "\r\n"); p != nullptr; p = std::strstr(p + 2, "\r\n")) {
            if (!IsBlankOrTab(p[2])) {
                location->nameStart = pos;
                location->colon = colon;
                location->valueStart = valueStart;
                location->fieldEnd = static_cast<size_t>(p - text) + 2;
                return true;
            }
        }
        return false;
    }
    return false;
}

std::string GetHeaderField(const char* text, const char* fieldName, bool* found) {
    HeaderFieldLocation location;
    const bool ok = FindHeaderField(fieldName, text, &location);
    if (found != nullptr) *found = ok;
    if (!ok) return std::string();
    return std::string(text + location.valueStart, location.fieldEnd - 2 - location.valueStart);
}

std::string UnfoldHeaderValue(std::string value) {
    ReplaceAll(value, "\r\n", "");
    return value;
}

std::string GetUnfoldedHeaderField(const char* text, const char* fieldName) {
    return UnfoldHeaderValue(GetHeaderField(text, fieldName));
}

std::string GetDecodedHeaderField(const char* text, const char* fieldName) {
    std::string value = GetHeaderField(text, fieldName);
    if (value.empty()) return value;
    std::string decoded;
    if (HostDecode(value.c_str(), &decoded) && !decoded.empty()) return decoded;
    return value;
}

std::string DecodeHeaderText(const std::string& value) {
    std::string decoded;
    if (!value.empty() && HostDecode(value.c_str(), &decoded) && !decoded.empty()) return decoded;
    return value;
}

bool PrependHeaderField(const char* headerLine, const char* text, int length, const char* fieldName,
                        std::string* newText) {
    if (text == nullptr || length <= 0 || headerLine == nullptr || headerLine[0] == '\0' ||
        fieldName == nullptr || fieldName[0] == '\0' || newText == nullptr) {
        return false;
    }
    HeaderFieldLocation location;
    if (FindHeaderField(fieldName, text, &location)) return false;
    std::string result(headerLine);
    result.append(text);
    newText->swap(result);
    return true;
}

bool RemoveHeaderField(const char* fieldName, const char* text, int length, std::string* newText) {
    if (text == nullptr || length <= 0 || fieldName == nullptr || fieldName[0] == '\0' || newText == nullptr) {
        return false;
    }
    HeaderFieldLocation location;
    if (!FindHeaderField(fieldName, text, &location)) return false;
    std::string result(text, location.nameStart);
    result.append(text + location.fieldEnd);
    newText->swap(result);
    return true;
}

char* NextAddressToken(char* list) {
    if (list != nullptr) g_tokenPosition = list;
    char* p = g_tokenPosition;
    if (p == nullptr) return nullptr;

    while (IsTokenSeparator(*p)) ++p;
    if (*p == '(') {
        // A comment before the address is dropped.
        while (*p != '\0' && *p != ')') ++p;
        if (*p == '\0') {
            g_tokenPosition = p;
            return nullptr;
        }
        ++p;
        while (IsTokenSeparator(*p)) ++p;
    }
    if (*p == '\0') {
        g_tokenPosition = nullptr;
        return nullptr;
    }

    char* start = p;
    bool quoted = false;
    while (*p != '\0') {
        const size_t length = Mbcs::CharLength(p);
        if (length == 2) {
            p += 2;
        } else if (*p == '"') {
            quoted = !quoted;
            ++p;
        } else if (quoted) {
            ++p;
        } else if (*p == '(') {
            // A comment inside the token protects its separators; one that is not closed runs
            // to the end of the text. Within quotes a parenthesis is an ordinary character.
            while (*p != '\0' && *p != ')') ++p;
            if (*p == ')') ++p;
        } else if (*p == ',' || *p == ';') {
            StripTokenEnd(start, p);
            g_tokenPosition = p + 1;
            return start;
        } else {
            ++p;
        }
    }
    StripTokenEnd(start, p);
    g_tokenPosition = nullptr;
    return start;
}

void SplitAddress(const char* text, char* nameOut, size_t nameSize, char* addressOut) {
    const bool hasName = nameOut != nullptr && nameSize > 0;
    if (hasName) nameOut[0] = '\0';
    if (addressOut != nullptr) addressOut[0] = '\0';
    if (text == nullptr) return;

    const char* s = text;
    while (IsBlankOrTab(*s)) ++s;
    const char* end = s + std::strlen(s);

    // The first "<" outside double quotes starts the address in angle brackets.
    const char* angle = nullptr;
    bool quoted = false;
    for (const char* p = s; *p != '\0'; p += Mbcs::CharLength(p)) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (*p == '<' && !quoted) {
            angle = p;
            break;
        }
    }

    std::string name;
    std::string address;
    if (angle != nullptr) {
        const char* addressStart = angle + 1;
        const char* close = std::strchr(addressStart, '>');
        address = SkipLeadingBlanks(addressStart, close != nullptr ? close : end);
        if (*s == '"') {
            const char* nameStart = s + 1;
            const char* closeQuote = std::strchr(nameStart, '"');
            name = SkipLeadingBlanks(nameStart, closeQuote != nullptr ? closeQuote : end);
        } else if (*s != '<') {
            name = SkipLeadingBlanks(s, angle);
        }
    } else if (const char* open = std::strchr(s, '(')) {
        const char* close = std::strchr(open + 1, ')');
        name = SkipLeadingBlanks(open + 1, close != nullptr ? close : end);
        address = SkipLeadingBlanks(s, open);
    } else {
        address.assign(s, end);
    }

    CutAndStrip(&address, kAddressSize - 1);
    if (addressOut != nullptr) std::memcpy(addressOut, address.c_str(), address.size() + 1);
    if (hasName) {
        CutAndStrip(&name, nameSize - 1);
        std::memcpy(nameOut, name.c_str(), name.size() + 1);
    }
}

void ParseAddress(const char* text, char* nameOut, size_t nameSize, char* addressOut) {
    SplitAddress(text, nameOut, nameSize, addressOut);
    if (nameOut == nullptr || nameSize == 0 || nameOut[0] == '\0') return;
    std::string decoded;
    if (HostDecode(nameOut, &decoded) && decoded.size() < nameSize) {
        std::memcpy(nameOut, decoded.c_str(), decoded.size() + 1);
    }
}

std::string DomainOf(const std::string& address) {
    const char* at = Mbcs::FindFirst(address.c_str(), '@');
    if (at == nullptr) return std::string();
    return Trim(at + 1, kBlanks);
}

bool SameMailAddress(const std::string& a, const std::string& b) {
    const char* atA = Mbcs::FindFirst(a.c_str(), '@');
    const char* atB = Mbcs::FindFirst(b.c_str(), '@');
    if ((atA == nullptr) != (atB == nullptr)) return false;
    const size_t localA = atA != nullptr ? static_cast<size_t>(atA - a.c_str()) : 0;
    const size_t localB = atB != nullptr ? static_cast<size_t>(atB - b.c_str()) : 0;
    if (a.compare(0, localA, b, 0, localB) != 0) return false;
    return Mbcs::EqualsAsciiNoCase(a.substr(localA), b.substr(localB));
}
