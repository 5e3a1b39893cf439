// The host's report: one JSON object per line on standard output, UTF-8. Host texts are
// CP932 and are converted on the way out; lines are written whole and flushed at once, so a
// crash of the plug-in loses nothing reported before it, and the message-box watcher thread
// can report between the lines of the main thread.
#pragma once

#include <string>
#include <vector>

class JsonLine {
public:
    explicit JsonLine(const char* event);

    JsonLine& Str(const char* key, const std::string& cp932);         // CP932 text
    JsonLine& Utf8(const char* key, const std::string& utf8);         // already UTF-8
    JsonLine& StrOrNull(const char* key, const char* cp932);          // null pointer: null
    JsonLine& Int(const char* key, long long value);
    JsonLine& Bool(const char* key, bool value);
    JsonLine& Null(const char* key);
    JsonLine& Raw(const char* key, const std::string& json);          // a JSON value as text
    JsonLine& StrArray(const char* key, const std::vector<std::string>& cp932);

    const std::string& Text() const { return m_text; }
    std::string Close() const { return m_text + "}"; }

private:
    void Key(const char* key);
    std::string m_text;
};

namespace Json {
// A JSON string literal (quoted, escaped) of UTF-8 text; invalid UTF-8 cannot occur (the
// converters produce valid UTF-8) but control characters are escaped.
std::string Quote(const std::string& utf8);
std::string QuoteCp932(const std::string& cp932);
// Writes the line to standard output and flushes it.
void Emit(const JsonLine& line);
}  // namespace Json
