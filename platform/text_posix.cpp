// Text on the POSIX side: CP932 (the ANSI code page of the plug-in) against UTF-8 and wide
// characters through iconv, Windows-style paths against native ones, the console, the locale,
// and the lstr* string functions.
#include <errno.h>
#include <iconv.h>
#include <unistd.h>

#include <clocale>
#include <cstring>
#include <locale>
#include <stdexcept>
#include <string>

#include "platform/Mbcs.h"
#include "platform/posix/posix_internal.h"

namespace posix {

namespace {

// One iconv descriptor per thread and direction: a descriptor carries conversion state and
// must not be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

Converter& Cp932ToUtf8Converter() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}

Converter& Utf8ToCp932Converter() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

Converter& Cp932ToWideConverter() {
    thread_local Converter converter("WCHAR_T", "CP932");
    return converter;
}

bool IsAscii(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    }
    return true;
}

// Length of the well-formed UTF-8 sequence at text (at most length bytes), 0 when there is none.
size_t Utf8SequenceLength(const unsigned char* text, size_t length) {
    const unsigned char c = text[0];
    size_t need;
    unsigned minimum;
    unsigned value;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        need = 2, minimum = 0x80, value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 3, minimum = 0x800, value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 4, minimum = 0x10000, value = c & 0x07;
    } else {
        return 0;
    }
    if (length < need) return 0;
    for (size_t i = 1; i < need; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (text[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return need;
}

// What to do with input iconv cannot convert: how many input bytes to skip and what to write.
enum class Direction { FromCp932, ToCp932Raw, ToCp932Replace };

// Converts length bytes with cd; invalid or unconvertible input is handled per direction.
std::string Convert(iconv_t cd, const char* text, size_t length, Direction direction) {
    std::string out;
    out.resize(length * 3 + 16);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text);
    size_t inLeft = length;
    size_t used = 0;
    while (true) {
        char* outPtr = &out[used];
        size_t outLeft = out.size() - used;
        const size_t result = iconv(cd, inLeft > 0 ? &in : nullptr, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (result != static_cast<size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        // EILSEQ or EINVAL (a sequence cut off at the end): step over the offending input.
        const unsigned char* bad = reinterpret_cast<const unsigned char*>(in);
        size_t skip = 1;
        std::string replacement;
        if (direction == Direction::FromCp932) {
            replacement.assign(1, static_cast<char>(bad[0]));
        } else {
            const size_t sequence = Utf8SequenceLength(bad, inLeft);
            if (sequence > 0) {
                skip = sequence;  // a real character that CP932 does not have
                replacement = "?";
            } else {
                replacement = direction == Direction::ToCp932Raw ? std::string(1, static_cast<char>(bad[0])) : "?";
            }
        }
        if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + 16);
        std::memcpy(&out[used], replacement.data(), replacement.size());
        used += replacement.size();
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (inLeft == 0) break;
    }
    out.resize(used);
    return out;
}

}  // namespace

std::string Cp932ToUtf8(const char* text, size_t length) {
    if (text == nullptr || length == 0) return std::string();
    if (IsAscii(text, length)) return std::string(text, length);
    Converter& converter = Cp932ToUtf8Converter();
    if (!converter.Valid()) return std::string(text, length);
    return Convert(converter.Get(), text, length, Direction::FromCp932);
}

std::string Utf8ToCp932(const char* text, size_t length, bool keepRaw) {
    if (text == nullptr || length == 0) return std::string();
    if (IsAscii(text, length)) return std::string(text, length);
    Converter& converter = Utf8ToCp932Converter();
    if (!converter.Valid()) return std::string(text, length);
    return Convert(converter.Get(), text, length, keepRaw ? Direction::ToCp932Raw : Direction::ToCp932Replace);
}

std::string ToNativePath(const char* path) {
    if (path == nullptr) return std::string();
    const std::string slashed = Mbcs::ReplaceChar(path, '\\', '/');
    return Cp932ToUtf8(slashed.data(), slashed.size());
}

std::string FromNativePath(const std::string& path) {
    std::string text = Utf8ToCp932(path.data(), path.size(), true);
    // A CP932 trail byte is 0x40 or above, so every '/' here is a separator.
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    return text;
}

bool IsAbsoluteWindowsPath(const char* path) { return path != nullptr && (path[0] == '\\' || path[0] == '/'); }

DWORD CopyOutWin32(const std::string& text, LPSTR buffer, DWORD size) {
    if (buffer == nullptr || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

}  // namespace posix

// ---- the platform extras ------------------------------------------------------------------

bool PlatformIsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool PlatformAnsiToWide(const char* text, size_t length, std::wstring* out) {
    if (out == nullptr) return false;
    out->clear();
    if (length == 0) return true;
    if (text == nullptr) return false;
    posix::Converter& converter = posix::Cp932ToWideConverter();
    if (!converter.Valid()) return false;
    iconv_t cd = converter.Get();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::wstring result(length + 1, L'\0');  // never more characters than bytes
    char* in = const_cast<char*>(text);
    size_t inLeft = length;
    char* outPtr = reinterpret_cast<char*>(&result[0]);
    size_t outLeft = result.size() * sizeof(wchar_t);
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    result.resize(result.size() - outLeft / sizeof(wchar_t));
    out->swap(result);
    return true;
}

std::string PlatformAnsiToUtf8(const std::string& text) { return posix::Cp932ToUtf8(text.data(), text.size()); }

std::string PlatformUtf8ToAnsi(const std::string& text) {
    return posix::Utf8ToCp932(text.data(), text.size(), false);
}

void PlatformConsoleWrite(const std::string& text) {
    const std::string utf8 = PlatformAnsiToUtf8(text);
    size_t done = 0;
    while (done < utf8.size()) {
        const ssize_t n = posix::WriteNoSigpipe(STDERR_FILENO, utf8.data() + done, utf8.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
}

void PlatformSetJapaneseLocale() {
    static const char* const kNames[] = {"ja_JP.UTF-8", "ja_JP.utf8", "C.UTF-8"};
    for (const char* name : kNames) {
        if (std::setlocale(LC_ALL, name) == nullptr) continue;
        try {
            std::locale::global(std::locale(name));
        } catch (const std::runtime_error&) {
            // The C locale is set; the C++ global locale stays as it was.
        }
        return;
    }
}

// ---- lstr* ----------------------------------------------------------------------------------
// Byte comparisons (lstrcmpiA folds ASCII letters and the full-width letters of CP932). Win32
// compares linguistically; for the texts the plug-in compares (version numbers, ASCII names)
// the order is the same.

namespace {

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

}  // namespace

namespace posix {

std::string FoldCase(const char* text) {
    std::string folded;
    for (const char* p = text; *p != '\0';) {
        const size_t length = Mbcs::CharLength(p);
        if (length == 2) {
            char pair[3] = {p[0], p[1], '\0'};
            Mbcs::ToUpper(pair);
            folded.append(pair, 2);
        } else {
            folded += (*p >= 'A' && *p <= 'Z') ? static_cast<char>(*p - 'A' + 'a') : *p;
        }
        p += length;
    }
    return folded;
}

}  // namespace posix

int lstrcmpA(LPCSTR a, LPCSTR b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    return Sign(std::strcmp(a, b));
}

int lstrcmpiA(LPCSTR a, LPCSTR b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    return Sign(std::strcmp(posix::FoldCase(a).c_str(), posix::FoldCase(b).c_str()));
}

int lstrlenA(LPCSTR text) { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }
