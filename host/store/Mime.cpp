// RFC 2047 decoding and encoding of header text; see Mime.h.
#include "host/store/Mime.h"

#include <vector>

#include "host/store/Charset.h"
#include "platform/Mbcs.h"

namespace Mime {

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool DecodeQ(const std::string& text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            *out += ' ';
        } else if (c == '=') {
            if (i + 2 >= text.size()) return false;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) return false;
            *out += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F) {
            return false;
        } else {
            *out += c;
        }
    }
    return true;
}

// One piece of a header: literal text, or the decoded bytes of an encoded word.
struct Piece {
    bool encoded;
    std::string text;     // literal text, or the word as written
    std::string charset;  // encoded: lower-case charset without language
    std::string bytes;    // encoded: decoded bytes
};

// Parses an encoded word at text[pos] ("=?"). On success fills piece and sets end to the
// offset after "?=".
bool ParseWord(const std::string& text, size_t pos, Piece* piece, size_t* end) {
    const size_t charsetStart = pos + 2;
    const size_t q1 = text.find('?', charsetStart);
    if (q1 == std::string::npos || q1 == charsetStart || q1 + 2 >= text.size()) return false;
    const std::string charset = text.substr(charsetStart, q1 - charsetStart);
    for (char c : charset) {
        if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F || c == '=') return false;
    }
    const char encoding = text[q1 + 1];
    if (text[q1 + 2] != '?') return false;
    const size_t textStart = q1 + 3;
    const size_t close = text.find("?=", textStart);
    if (close == std::string::npos) return false;
    const std::string encodedText = text.substr(textStart, close - textStart);
    for (char c : encodedText) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return false;
    }
    std::string bytes;
    if (encoding == 'B' || encoding == 'b') {
        if (!DecodeBase64(encodedText, &bytes, true)) return false;
    } else if (encoding == 'Q' || encoding == 'q') {
        if (!DecodeQ(encodedText, &bytes)) return false;
    } else {
        return false;
    }
    std::string name = Mbcs::ToLowerAscii(charset);
    const size_t star = name.find('*');
    if (star != std::string::npos) name.erase(star);
    std::string probe;
    if (!Charset::ToCp932(name, std::string(), &probe)) return false;  // unknown charset
    piece->encoded = true;
    piece->text = text.substr(pos, close + 2 - pos);
    piece->charset = name;
    piece->bytes = bytes;
    *end = close + 2;
    return true;
}

bool IsLinearWhiteSpace(const std::string& text) {
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    }
    return true;
}

}  // namespace

std::string EncodeBase64(const std::string& data, bool lineBreaks) {
    std::string out;
    size_t column = 0;
    for (size_t i = 0; i < data.size(); i += 3) {
        const unsigned b0 = static_cast<unsigned char>(data[i]);
        const unsigned b1 = i + 1 < data.size() ? static_cast<unsigned char>(data[i + 1]) : 0;
        const unsigned b2 = i + 2 < data.size() ? static_cast<unsigned char>(data[i + 2]) : 0;
        out += kBase64[b0 >> 2];
        out += kBase64[((b0 & 3) << 4) | (b1 >> 4)];
        out += i + 1 < data.size() ? kBase64[((b1 & 15) << 2) | (b2 >> 6)] : '=';
        out += i + 2 < data.size() ? kBase64[b2 & 63] : '=';
        column += 4;
        if (lineBreaks && column >= 76) {
            out += "\r\n";
            column = 0;
        }
    }
    if (lineBreaks && column > 0) out += "\r\n";
    return out;
}

bool DecodeBase64(const std::string& text, std::string* out, bool strict) {
    out->clear();
    unsigned buffer = 0;
    int bits = 0;
    int symbols = 0;
    int padding = 0;
    for (char c : text) {
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0) {
            if (strict) return false;
            continue;  // line ends and blanks in bodies
        }
        if (padding > 0 && strict) return false;  // data after the padding
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        ++symbols;
        if (bits >= 8) {
            bits -= 8;
            out->push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    if (strict) {
        // A lone symbol in the last group cannot carry a byte; padding, when present, must
        // complete the group. Missing padding is tolerated, as mailers often omit it.
        if (symbols % 4 == 1) return false;
        if (padding > 0 && (symbols + padding) % 4 != 0) return false;
    }
    return true;
}

std::string EncodeQuotedPrintable(const std::string& data) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    size_t column = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') {
            out += "\r\n";
            ++i;
            column = 0;
            continue;
        }
        std::string piece;
        if ((c >= 33 && c <= 126 && c != '=') || c == ' ' || c == '\t') {
            piece = static_cast<char>(c);
        } else {
            piece = "=";
            piece += kHex[c >> 4];
            piece += kHex[c & 15];
        }
        if (column + piece.size() > 75) {
            out += "=\r\n";
            column = 0;
        }
        out += piece;
        column += piece.size();
    }
    return out;
}

std::string DecodeQuotedPrintable(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n') {
            i += 2;  // soft line break
        } else if (i + 1 < text.size() && text[i + 1] == '\n') {
            i += 1;
        } else if (i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += '=';
        }
    }
    return out;
}

std::string DecodeHeader(const std::string& text, std::string* charset) {
    if (charset != nullptr) charset->clear();
    std::vector<Piece> pieces;
    std::string literal;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '=' && i + 1 < text.size() && text[i + 1] == '?') {
            Piece piece;
            size_t end = 0;
            if (ParseWord(text, i, &piece, &end)) {
                if (!literal.empty()) pieces.push_back(Piece{false, literal, std::string(), std::string()});
                literal.clear();
                pieces.push_back(piece);
                if (charset != nullptr && charset->empty()) *charset = text.substr(i + 2, text.find('?', i + 2) - i - 2);
                i = end;
                continue;
            }
        }
        // Step over double-byte characters of raw CP932 text as a whole.
        const size_t length = Mbcs::CharLengthAt(text, i);
        literal += text.substr(i, length);
        i += length;
    }
    if (!literal.empty()) pieces.push_back(Piece{false, literal, std::string(), std::string()});

    std::string out;
    std::string runCharset;
    std::string runBytes;
    auto flush = [&]() {
        if (runCharset.empty()) return;
        std::string converted;
        Charset::ToCp932(runCharset, runBytes, &converted);
        for (char& c : converted) {
            if (c == '\0') c = '?';  // the result is a C string
        }
        out += converted;
        runCharset.clear();
        runBytes.clear();
    };
    for (size_t k = 0; k < pieces.size(); ++k) {
        const Piece& piece = pieces[k];
        if (!piece.encoded) {
            const bool between = k > 0 && k + 1 < pieces.size() && pieces[k - 1].encoded && pieces[k + 1].encoded;
            if (between && IsLinearWhiteSpace(piece.text)) continue;
            flush();
            out += piece.text;
            continue;
        }
        if (piece.charset != runCharset) flush();
        runCharset = piece.charset;
        runBytes += piece.bytes;
    }
    flush();
    return out;
}

std::string EncodeHeader(const std::string& text, const std::string& charset) {
    bool ascii = true;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    }
    if (ascii) return text;
    std::string name = Mbcs::ToLowerAscii(Mbcs::Trim(charset));
    std::string label = "ISO-2022-JP";
    if (name == "utf-8") label = "UTF-8";
    if (name == "euc-jp") label = "EUC-JP";
    // Cut the text into chunks of whole characters so that each word stays within 75 bytes.
    const size_t maxChars = label == "UTF-8" ? 12 : 14;
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        size_t count = 0;
        while (end < text.size() && count < maxChars) {
            end += Mbcs::CharLengthAt(text, end);
            ++count;
        }
        const std::string chunk = text.substr(i, end - i);
        std::string bytes;
        if (label == "UTF-8") {
            bytes = Charset::EncodeUtf8(Charset::SystemDecodeCp932(chunk));
        } else if (label == "EUC-JP") {
            bytes = Charset::Cp932ToEucJp(chunk);
        } else {
            bytes = Charset::Cp932ToIso2022Jp(chunk);
        }
        if (!out.empty()) out += "\r\n ";
        out += "=?" + label + "?B?" + EncodeBase64(bytes, false) + "?=";
        i = end;
    }
    return out;
}

}  // namespace Mime
