// A small JSON reader for tests that check the JSON lines programs print: objects, arrays,
// strings (escapes and \u sequences become UTF-8), numbers, true, false and null.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testing_json {

class Value {
public:
    enum Kind { kNull, kBool, kNumber, kString, kArray, kObject };

    Kind kind = kNull;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Value> items;
    std::map<std::string, Value> members;

    bool IsNull() const { return kind == kNull; }
    bool Has(const std::string& key) const { return kind == kObject && members.count(key) != 0; }
    // A member, or a null value when there is none.
    const Value& operator[](const std::string& key) const;
    const Value& operator[](size_t index) const;
    size_t Size() const { return kind == kArray ? items.size() : members.size(); }
    std::string Str() const { return text; }
    long long Int() const { return static_cast<long long>(number); }
    bool Bool() const { return boolean; }
    // The strings of an array of strings.
    std::vector<std::string> Strings() const;
};

// Parses one JSON text; false (with a message) when it is not exactly one valid value.
bool Parse(const std::string& text, Value* value, std::string* error);

}  // namespace testing_json
