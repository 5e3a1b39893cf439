// Double-byte-aware scans over ANSI text; see Mbcs.h.
#include "platform/Mbcs.h"

#include <cstring>

#include "platform/platform.h"

namespace Mbcs {

size_t CharLength(const char* text) {
    if (PlatformIsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0') return 2;
    return 1;
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
        const bool lead = PlatformIsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        if (lead) {
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

size_t CutLength(const char* text, size_t length, size_t maxBytes) {
    if (length <= maxBytes) return length;
    size_t i = 0;
    while (i < maxBytes) {
        const bool lead = PlatformIsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < length;
        const size_t step = lead ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

}  // namespace Mbcs
