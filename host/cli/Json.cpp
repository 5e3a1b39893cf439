// JSON lines of the host's report; see Json.h.
#include "host/cli/Json.h"

#include <cstdio>
#include <mutex>

#include "host/store/Charset.h"

namespace Json {

std::string Quote(const std::string& utf8) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += "\"";
    return out;
}

std::string QuoteCp932(const std::string& cp932) { return Quote(Charset::Cp932ToUtf8(cp932)); }

void Emit(const JsonLine& line) {
    static std::mutex lock;
    const std::string text = line.Close() + "\n";
    std::lock_guard<std::mutex> guard(lock);
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

}  // namespace Json

JsonLine::JsonLine(const char* event) : m_text("{\"event\":" + Json::Quote(event)) {}

void JsonLine::Key(const char* key) {
    m_text += ",";
    m_text += Json::Quote(key);
    m_text += ":";
}

JsonLine& JsonLine::Str(const char* key, const std::string& cp932) {
    Key(key);
    m_text += Json::QuoteCp932(cp932);
    return *this;
}

JsonLine& JsonLine::Utf8(const char* key, const std::string& utf8) {
    Key(key);
    m_text += Json::Quote(utf8);
    return *this;
}

JsonLine& JsonLine::StrOrNull(const char* key, const char* cp932) {
    return cp932 == nullptr ? Null(key) : Str(key, cp932);
}

JsonLine& JsonLine::Int(const char* key, long long value) {
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Bool(const char* key, bool value) {
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::Null(const char* key) {
    Key(key);
    m_text += "null";
    return *this;
}

JsonLine& JsonLine::Raw(const char* key, const std::string& json) {
    Key(key);
    m_text += json;
    return *this;
}

JsonLine& JsonLine::StrArray(const char* key, const std::vector<std::string>& cp932) {
    Key(key);
    m_text += "[";
    for (size_t i = 0; i < cp932.size(); ++i) {
        if (i > 0) m_text += ",";
        m_text += Json::QuoteCp932(cp932[i]);
    }
    m_text += "]";
    return *this;
}
