// The tests' JSON reader; see JsonValue.h.
#include "common/JsonValue.h"

#include <cstdlib>

namespace testing_json {

namespace {

const Value& NullValue() {
    static const Value null;
    return null;
}

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    bool ParseAll(Value* value, std::string* error) {
        if (!ParseValue(value, 0)) {
            *error = m_error + " at offset " + std::to_string(m_pos);
            return false;
        }
        SkipBlanks();
        if (m_pos != m_text.size()) {
            *error = "text after the value at offset " + std::to_string(m_pos);
            return false;
        }
        return true;
    }

private:
    void SkipBlanks() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\r' ||
                                         m_text[m_pos] == '\n')) {
            ++m_pos;
        }
    }

    bool Fail(const char* message) {
        m_error = message;
        return false;
    }

    bool Literal(const char* word) {
        const std::string expected = word;
        if (m_text.compare(m_pos, expected.size(), expected) != 0) return Fail("bad literal");
        m_pos += expected.size();
        return true;
    }

    static void AppendUtf8(unsigned long code, std::string* out) {
        if (code < 0x80) {
            *out += static_cast<char>(code);
        } else if (code < 0x800) {
            *out += static_cast<char>(0xC0 | (code >> 6));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out += static_cast<char>(0xE0 | (code >> 12));
            *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            *out += static_cast<char>(0xF0 | (code >> 18));
            *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool Hex4(unsigned long* code) {
        if (m_pos + 4 > m_text.size()) return Fail("short \\u escape");
        char* end = nullptr;
        const std::string digits = m_text.substr(m_pos, 4);
        *code = std::strtoul(digits.c_str(), &end, 16);
        if (end != digits.c_str() + 4) return Fail("bad \\u escape");
        m_pos += 4;
        return true;
    }

    bool ParseString(std::string* out) {
        ++m_pos;  // the opening quote
        while (m_pos < m_text.size()) {
            const unsigned char c = static_cast<unsigned char>(m_text[m_pos++]);
            if (c == '"') return true;
            if (c < 0x20) return Fail("control character in a string");
            if (c != '\\') {
                *out += static_cast<char>(c);
                continue;
            }
            if (m_pos >= m_text.size()) break;
            const char escape = m_text[m_pos++];
            switch (escape) {
                case '"': *out += '"'; break;
                case '\\': *out += '\\'; break;
                case '/': *out += '/'; break;
                case 'b': *out += '\b'; break;
                case 'f': *out += '\f'; break;
                case 'n': *out += '\n'; break;
                case 'r': *out += '\r'; break;
                case 't': *out += '\t'; break;
                case 'u': {
                    unsigned long code = 0;
                    if (!Hex4(&code)) return false;
                    if (code >= 0xD800 && code <= 0xDBFF && m_text.compare(m_pos, 2, "\\u") == 0) {
                        m_pos += 2;
                        unsigned long low = 0;
                        if (!Hex4(&low)) return false;
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    }
                    AppendUtf8(code, out);
                    break;
                }
                default: return Fail("bad escape");
            }
        }
        return Fail("unterminated string");
    }

    bool ParseValue(Value* value, int depth) {
        if (depth > 64) return Fail("too deep");
        SkipBlanks();
        if (m_pos >= m_text.size()) return Fail("no value");
        const char c = m_text[m_pos];
        if (c == '{') {
            value->kind = Value::kObject;
            ++m_pos;
            SkipBlanks();
            if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                ++m_pos;
                return true;
            }
            for (;;) {
                SkipBlanks();
                if (m_pos >= m_text.size() || m_text[m_pos] != '"') return Fail("a key must be a string");
                std::string key;
                if (!ParseString(&key)) return false;
                SkipBlanks();
                if (m_pos >= m_text.size() || m_text[m_pos] != ':') return Fail("no colon after a key");
                ++m_pos;
                Value member;
                if (!ParseValue(&member, depth + 1)) return false;
                if (value->members.count(key) != 0) return Fail("duplicate key");
                value->members[key] = member;
                SkipBlanks();
                if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                    ++m_pos;
                    return true;
                }
                return Fail("object not closed");
            }
        }
        if (c == '[') {
            value->kind = Value::kArray;
            ++m_pos;
            SkipBlanks();
            if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                ++m_pos;
                return true;
            }
            for (;;) {
                Value item;
                if (!ParseValue(&item, depth + 1)) return false;
                value->items.push_back(item);
                SkipBlanks();
                if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                    ++m_pos;
                    return true;
                }
                return Fail("array not closed");
            }
        }
        if (c == '"') {
            value->kind = Value::kString;
            return ParseString(&value->text);
        }
        if (c == 't' || c == 'f') {
            value->kind = Value::kBool;
            value->boolean = c == 't';
            return Literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            value->kind = Value::kNull;
            return Literal("null");
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            const char* start = m_text.c_str() + m_pos;
            char* end = nullptr;
            value->kind = Value::kNumber;
            value->number = std::strtod(start, &end);
            if (end == start) return Fail("bad number");
            m_pos += static_cast<size_t>(end - start);
            return true;
        }
        return Fail("unexpected character");
    }

    const std::string& m_text;
    size_t m_pos = 0;
    std::string m_error;
};

}  // namespace

const Value& Value::operator[](const std::string& key) const {
    auto found = members.find(key);
    return found == members.end() ? NullValue() : found->second;
}

const Value& Value::operator[](size_t index) const { return index < items.size() ? items[index] : NullValue(); }

std::vector<std::string> Value::Strings() const {
    std::vector<std::string> out;
    for (const Value& item : items) out.push_back(item.text);
    return out;
}

bool Parse(const std::string& text, Value* value, std::string* error) {
    *value = Value();
    return Parser(text).ParseAll(value, error);
}

}  // namespace testing_json
