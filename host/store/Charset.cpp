// Portable half of the host's charset layer; see Charset.h.
#include "host/store/Charset.h"

#include <map>
#include <mutex>

#include "platform/Mbcs.h"

namespace Charset {

namespace {

// JIS X 0208 row/cell bytes (0x21..0x7E each) -> Shift_JIS. Rows 0x7F and beyond fall into
// the CP932 user-defined area, which is where CP932 puts them too.
void JisToSjis(unsigned j1, unsigned j2, std::string* out) {
    unsigned s1 = ((j1 - 0x21) >> 1) + 0x81;
    if (s1 > 0x9F) s1 += 0x40;
    unsigned s2;
    if (j1 & 1) {
        s2 = j2 + 0x1F;
        if (s2 >= 0x7F) ++s2;
    } else {
        s2 = j2 + 0x7E;
    }
    out->push_back(static_cast<char>(s1));
    out->push_back(static_cast<char>(s2));
}

// Shift_JIS lead/trail -> JIS row/cell; false outside the JIS X 0208 area (IBM extensions
// 0xFA..0xFC and user-defined 0xF0..0xF9 have no JIS form).
bool SjisToJis(unsigned s1, unsigned s2, unsigned* j1, unsigned* j2) {
    if (s1 >= 0xF0 || s2 < 0x40 || s2 == 0x7F || s2 > 0xFC) return false;
    unsigned row = s1 >= 0xE0 ? s1 - 0xC1 : s1 - 0x81;
    row = row * 2 + 0x21;
    if (s2 >= 0x9F) {
        ++row;
        *j2 = s2 - 0x7E;
    } else {
        *j2 = s2 >= 0x80 ? s2 - 0x20 : s2 - 0x1F;
    }
    *j1 = row;
    return *j1 >= 0x21 && *j1 <= 0x7E && *j2 >= 0x21 && *j2 <= 0x7E;
}

bool IsJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

// One CP932 character as the JIS encoders see it.
struct JisChar {
    enum Kind { kKanji, kKana, kAscii, kNone } kind;  // kNone: no JIS form, written as "?"
    unsigned char first;   // JIS row (kKanji), JIS X 0201 katakana (kKana), the byte (kAscii)
    unsigned char second;  // JIS cell (kKanji)
};

// Reads the CP932 character at text[*i] and moves *i past it.
JisChar NextJisChar(const std::string& text, size_t* i) {
    const unsigned char c = static_cast<unsigned char>(text[*i]);
    const bool doubleByte = Mbcs::CharLengthAt(text, *i) == 2;
    ++*i;
    if (doubleByte) {
        unsigned j1 = 0;
        unsigned j2 = 0;
        const bool mapped = SjisToJis(c, static_cast<unsigned char>(text[*i]), &j1, &j2);
        ++*i;
        if (!mapped) return JisChar{JisChar::kNone, 0, 0};
        return JisChar{JisChar::kKanji, static_cast<unsigned char>(j1), static_cast<unsigned char>(j2)};
    }
    if (c >= 0xA1 && c <= 0xDF) return JisChar{JisChar::kKana, static_cast<unsigned char>(c - 0x80), 0};
    if (c < 0x80) return JisChar{JisChar::kAscii, c, 0};
    return JisChar{JisChar::kNone, 0, 0};
}

// Fallbacks for code points that the system converters leave out of CP932 although Japanese
// text uses them every day (the JIS X 0208 forms of wave dash, double bar and friends).
bool JapaneseFallback(char32_t c, std::string* out) {
    static const struct {
        char32_t code;
        const char* bytes;
    } kTable[] = {
        {0x301C, "\x81\x60"}, {0x2016, "\x81\x61"}, {0x2212, "\x81\x7C"}, {0x00A2, "\x81\x91"},
        {0x00A3, "\x81\x92"}, {0x00AC, "\x81\xCA"}, {0x2014, "\x81\x5C"}, {0x00A5, "\x5C"},
        {0x203E, "\x7E"},
    };
    for (const auto& entry : kTable) {
        if (entry.code == c) {
            *out = entry.bytes;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string Iso2022JpToCp932(const std::string& text) {
    enum Mode { kAscii, kKanji, kKana, kUnsupported };
    Mode mode = kAscii;
    bool shiftOut = false;  // SO/SI katakana, as some old mailers send
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0x1B) {
            const std::string rest = text.substr(i + 1, 3);
            if (rest.compare(0, 2, "(B") == 0 || rest.compare(0, 2, "(J") == 0 || rest.compare(0, 2, "(H") == 0) {
                mode = kAscii;
                i += 2;
            } else if (rest.compare(0, 2, "(I") == 0) {
                mode = kKana;
                i += 2;
            } else if (rest.compare(0, 2, "$@") == 0 || rest.compare(0, 2, "$B") == 0) {
                mode = kKanji;
                i += 2;
            } else if (rest == "$(Q" || rest == "$(O") {
                mode = kKanji;  // plane 1 of JIS X 0213 is a superset of JIS X 0208
                i += 3;
            } else if (rest.compare(0, 2, "$(") == 0 || rest.compare(0, 2, "$A") == 0 || rest.compare(0, 2, "$)") == 0) {
                mode = kUnsupported;  // JIS X 0212, GB 2312...: no CP932 form
                i += rest.compare(0, 2, "$A") == 0 ? 2 : 3;
            } else {
                out += '?';
            }
            continue;
        }
        if (c == 0x0E) {
            shiftOut = true;
            continue;
        }
        if (c == 0x0F) {
            shiftOut = false;
            continue;
        }
        if (c == '\r' || c == '\n') {
            out += static_cast<char>(c);
            continue;
        }
        if (shiftOut || mode == kKana) {
            if (c >= 0x21 && c <= 0x5F) {
                out += static_cast<char>(c + 0x80);
            } else {
                out += c < 0x80 ? static_cast<char>(c) : '?';
            }
            continue;
        }
        if (mode == kKanji || mode == kUnsupported) {
            if (IsJisByte(c) && i + 1 < text.size() && IsJisByte(static_cast<unsigned char>(text[i + 1]))) {
                if (mode == kKanji) {
                    JisToSjis(c, static_cast<unsigned char>(text[i + 1]), &out);
                } else {
                    out += '?';
                }
                ++i;
            } else {
                out += c == ' ' || c == '\t' ? static_cast<char>(c) : '?';
            }
            continue;
        }
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

std::string EucJpToCp932(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == 0x8E && next >= 0xA1 && next <= 0xDF) {
            out += static_cast<char>(next);
            ++i;
        } else if (c == 0x8F) {  // JIS X 0212: not in CP932
            i += 2;
            out += '?';
        } else if (c >= 0xA1 && c <= 0xFE && next >= 0xA1 && next <= 0xFE) {
            JisToSjis(c - 0x80, next - 0x80, &out);
            ++i;
        } else {
            out += '?';
        }
    }
    return out;
}

std::string Cp932ToIso2022Jp(const std::string& text) {
    enum Mode { kAscii, kKanji, kKana };
    Mode mode = kAscii;
    std::string out;
    auto enter = [&](Mode wanted) {
        if (mode == wanted) return;
        out += wanted == kAscii ? "\x1b(B" : wanted == kKanji ? "\x1b$B" : "\x1b(I";
        mode = wanted;
    };
    for (size_t i = 0; i < text.size();) {
        const JisChar c = NextJisChar(text, &i);
        switch (c.kind) {
            case JisChar::kKanji:
                enter(kKanji);
                out += static_cast<char>(c.first);
                out += static_cast<char>(c.second);
                break;
            case JisChar::kKana:
                enter(kKana);
                out += static_cast<char>(c.first);
                break;
            case JisChar::kAscii:
                enter(kAscii);
                out += static_cast<char>(c.first);
                break;
            case JisChar::kNone:
                enter(kAscii);
                out += '?';
                break;
        }
    }
    enter(kAscii);
    return out;
}

std::string Cp932ToEucJp(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const JisChar c = NextJisChar(text, &i);
        switch (c.kind) {
            case JisChar::kKanji:
                out += static_cast<char>(c.first + 0x80);
                out += static_cast<char>(c.second + 0x80);
                break;
            case JisChar::kKana:
                out += '\x8E';
                out += static_cast<char>(c.first + 0x80);
                break;
            case JisChar::kAscii: out += static_cast<char>(c.first); break;
            case JisChar::kNone: out += '?'; break;
        }
    }
    return out;
}

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (c < 0x80) {
            out += c;
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            code = c & 0x1F;
            minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            code = c & 0x0F;
            minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            code = c & 0x07;
            minimum = 0x10000;
        } else {
            out += 0xFFFD;
            ++i;
            continue;
        }
        bool valid = i + extra < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) {
                valid = false;
            } else {
                code = (code << 6) | (t & 0x3F);
            }
        }
        if (!valid || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out += 0xFFFD;
            ++i;
            continue;
        }
        out += code;
        i += extra + 1;
    }
    return out;
}

std::string EncodeUtf8(const std::u32string& text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string UnicodeToCp932(const std::u32string& text) {
    // The system is asked once per distinct character; header texts repeat characters a lot.
    static std::mutex cacheLock;
    static std::map<char32_t, std::string> cache;
    std::string out;
    out.reserve(text.size() * 2);
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        std::string bytes;
        {
            std::lock_guard<std::mutex> guard(cacheLock);
            auto found = cache.find(c);
            if (found != cache.end()) {
                bytes = found->second;
            } else {
                if (!JapaneseFallback(c, &bytes) && !SystemEncodeCp932(c, &bytes)) bytes = "?";
                cache[c] = bytes;
            }
        }
        out += bytes;
    }
    return out;
}

std::string Utf8ToCp932(const std::string& text) { return UnicodeToCp932(DecodeUtf8(text)); }

std::string Cp932ToUtf8(const std::string& text) {
    bool ascii = true;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) return text;
    return EncodeUtf8(SystemDecodeCp932(text));
}

bool ToCp932(const std::string& charset, const std::string& text, std::string* out) {
    std::string name = Mbcs::ToLowerAscii(Mbcs::Trim(charset));
    const size_t star = name.find('*');
    if (star != std::string::npos) name.erase(star);
    if (name.empty()) return false;
    static const char* const kJis[] = {"iso-2022-jp", "iso-2022-jp-1", "iso-2022-jp-2", "iso-2022-jp-3",
                                       "csiso2022jp", "cp50220", "cp50221", "cp50222"};
    static const char* const kSjis[] = {"shift_jis", "shift-jis", "sjis", "x-sjis", "cp932", "windows-31j",
                                        "ms_kanji", "csshiftjis", "x-ms-cp932", "ms932"};
    static const char* const kEuc[] = {"euc-jp", "x-euc-jp", "eucjp", "cseucpkdfmtjapanese", "ujis"};
    for (const char* n : kJis) {
        if (name == n) {
            *out = Iso2022JpToCp932(text);
            return true;
        }
    }
    for (const char* n : kSjis) {
        if (name == n) {
            *out = text;
            return true;
        }
    }
    for (const char* n : kEuc) {
        if (name == n) {
            *out = EucJpToCp932(text);
            return true;
        }
    }
    if (name == "us-ascii" || name == "ascii") {
        *out = text;
        for (char& c : *out) {
            if (static_cast<unsigned char>(c) >= 0x80) c = '?';
        }
        return true;
    }
    if (name == "utf-8" || name == "utf8") {
        *out = UnicodeToCp932(DecodeUtf8(text));
        return true;
    }
    std::u32string wide;
    if (!SystemDecode(name, text, &wide)) return false;
    *out = UnicodeToCp932(wide);
    return true;
}

}  // namespace Charset
