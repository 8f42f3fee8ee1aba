// The little JSON the program exchanges with the HTML view's scripts: the
// view answers every operation with one JSON text, and texts passed to the
// scripts are written as JSON string literals.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace json {

struct Value {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string;  // UTF-8
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;

    // Declared here and defaulted in json.cpp, where Value is complete: an
    // implicit constructor would make std::pair<std::string, Value> look at
    // the incomplete Value, which clang with libstdc++ rejects.
    Value();
    ~Value();
    Value(const Value&);
    Value(Value&&) noexcept;
    Value& operator=(const Value&);
    Value& operator=(Value&&) noexcept;

    // The member with this key, or nothing (also when this is no object).
    const Value* get(std::string_view key) const;
    // A number as a 32-bit integer (truncated, clamped); fallback otherwise.
    int toInt(int fallback) const;
};

// Parses one JSON text (surrounding white space allowed); nothing when it is
// malformed or nested deeper than 64 levels.
std::optional<Value> parse(std::string_view text);

// A JSON string literal for a UTF-8 text, safe inside a script: quotes,
// backslashes, control characters, U+2028 and U+2029 are escaped; invalid
// UTF-8 becomes U+FFFD.
std::string quote(std::string_view utf8);

}  // namespace json
