// Double-byte-aware scans over ANSI text; see Mbcs.h.
#include "platform/Mbcs.h"

#include <cstring>

#include "platform/platform.h"

namespace Mbcs {

size_t CharLength(const char* text) {
    if (PlatformIsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0') return 2;
    return 1;
}

size_t CharLengthAt(const char* text, size_t length, size_t i) {
    return PlatformIsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < length ? 2 : 1;
}

const char* FindLast(const char* text, char c) {
    if (text == nullptr) return nullptr;
    const char* found = nullptr;
    for (const char* p = text; *p != '\0'; p += CharLength(p)) {
        if (*p == c) found = p;
    }
    return found;
}

const char* FindFirst(const char* text, char c) {
    if (text == nullptr) return nullptr;
    for (const char* p = text; *p != '\0'; p += CharLength(p)) {
        if (*p == c) return p;
    }
    return nullptr;
}

size_t LastIndexOf(const std::string& text, char c) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
        if (text[i] == c) found = i;
    }
    return found;
}

size_t IndexOf(const std::string& text, char c, size_t from) {
    // Walk from the start so that from is met on a character boundary.
    for (size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
        if (i >= from && text[i] == c) return i;
    }
    return std::string::npos;
}

bool EndsWith(const char* text, char c) {
    if (text == nullptr || *text == '\0') return false;
    const char* last = nullptr;
    for (const char* p = text; *p != '\0'; p += CharLength(p)) last = p;
    return last != nullptr && last[0] == c && CharLength(last) == 1;
}

const char* FindSubstring(const char* text, const char* needle) {
    if (text == nullptr || needle == nullptr) return nullptr;
    const size_t n = std::strlen(needle);
    if (n == 0) return text;
    for (const char* p = text; *p != '\0'; p += CharLength(p)) {
        if (std::strncmp(p, needle, n) == 0) return p;
    }
    return nullptr;
}

namespace {

// Upper-cases one double-byte character of CP932 in place: the full-width Latin, Greek and
// Cyrillic small letters have capital forms in the same code page.
void UpperDoubleByte(unsigned char* c) {
    if (c[0] == 0x82 && c[1] >= 0x81 && c[1] <= 0x9A) {
        c[1] = static_cast<unsigned char>(c[1] - 0x21);  // full-width a-z -> A-Z
    } else if (c[0] == 0x83 && c[1] >= 0xBF && c[1] <= 0xD6) {
        c[1] = static_cast<unsigned char>(c[1] - 0x20);  // Greek
    } else if (c[0] == 0x84 && c[1] >= 0x70 && c[1] <= 0x91 && c[1] != 0x7F) {
        // Cyrillic: small letters skip 0x7F, capitals are contiguous from 0x40.
        c[1] = static_cast<unsigned char>(c[1] < 0x7F ? c[1] - 0x30 : c[1] - 0x31);
    }
}

}  // namespace

void ToUpper(char* text) {
    if (text == nullptr) return;
    for (char* p = text; *p != '\0';) {
        const size_t len = CharLength(p);
        if (len == 2) {
            UpperDoubleByte(reinterpret_cast<unsigned char*>(p));
        } else if (*p >= 'a' && *p <= 'z') {
            *p = static_cast<char>(*p - 'a' + 'A');
        }
        p += len;
    }
}

void ToUpper(std::string& text) {
    for (size_t i = 0; i < text.size();) {
        if (CharLengthAt(text, i) == 2) {
            UpperDoubleByte(reinterpret_cast<unsigned char*>(&text[i]));
            i += 2;
            continue;
        }
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
        ++i;
    }
}

std::string ReplaceChar(const char* text, char from, char to) {
    std::string result;
    for (const char* p = text; *p != '\0';) {
        const size_t length = CharLength(p);
        if (length == 1 && *p == from) {
            result += to;
        } else {
            result.append(p, length);
        }
        p += length;
    }
    return result;
}

namespace {

// Whether the character of length len at p is one of the characters of set.
bool InSet(const char* p, size_t len, const char* set) {
    for (const char* s = set; *s != '\0';) {
        const size_t slen = CharLength(s);
        if (slen == len && std::memcmp(s, p, len) == 0) return true;
        s += slen;
    }
    return false;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string Trim(const std::string& text, const char* set) {
    const char* data = text.c_str();
    const size_t size = text.size();
    // Walk the characters once: the first one outside the set starts the result, the end of
    // the last one outside the set ends it.
    size_t begin = size;
    size_t end = 0;
    for (size_t i = 0; i < size;) {
        const size_t len = CharLengthAt(data, size, i);
        if (data[i] == '\0' || !InSet(data + i, len, set)) {
            if (begin == size) begin = i;
            end = i + len;
        }
        i += len;
    }
    if (begin >= end) return std::string();
    return text.substr(begin, end - begin);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    // A byte below 0x40 is never the second byte of a character: such a separator (a tab, a
    // line end, a comma) splits wherever it stands, also after a stray lead byte, so that a
    // broken character never carries a separator into a piece.
    const bool neverTrail = static_cast<unsigned char>(separator) < 0x40;
    for (size_t i = 0; i < text.size(); i += neverTrail ? 1 : CharLengthAt(text, i)) {
        if (text[i] == separator) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string ToLowerAscii(std::string text) {
    for (size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) text[i] = LowerAscii(text[i]);
    return text;
}

bool StartsWithAsciiNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    // The prefix must end on a character boundary of text.
    size_t i = 0;
    while (i < prefix.size()) i += CharLengthAt(text, i);
    return i == prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsAsciiNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size();) {
        const size_t length = CharLengthAt(a, i);
        if (length == 2 || CharLengthAt(b, i) == 2) {
            // A double-byte character matches only itself, byte for byte.
            if (CharLengthAt(b, i) != length || a.compare(i, length, b, i, length) != 0) return false;
        } else {
            if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
        }
        i += length;
    }
    return true;
}

size_t CutLength(const char* text, size_t length, size_t maxBytes) {
    if (length <= maxBytes) return length;
    size_t i = 0;
    while (i < maxBytes) {
        const size_t step = CharLengthAt(text, length, i);
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

}  // namespace Mbcs
