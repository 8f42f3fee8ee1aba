#include "platform/json.h"

#include "platform/textconv.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace json {

Value::Value() = default;
Value::~Value() = default;
Value::Value(const Value&) = default;
Value::Value(Value&&) noexcept = default;
Value& Value::operator=(const Value&) = default;
Value& Value::operator=(Value&&) noexcept = default;

namespace {

constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {}

    std::optional<Value> document() {
        Value v;
        if (!value(v, 0)) return std::nullopt;
        skipSpace();
        if (pos_ != s_.size()) return std::nullopt;
        return v;
    }

private:
    void skipSpace() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }

    bool literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    bool value(Value& v, int depth) {
        if (depth > kMaxDepth) return false;
        skipSpace();
        if (pos_ >= s_.size()) return false;
        const char c = s_[pos_];
        if (c == '{') return object(v, depth);
        if (c == '[') return array(v, depth);
        if (c == '"') {
            v.kind = Value::Kind::String;
            return string(v.string);
        }
        if (literal("true")) { v.kind = Value::Kind::Bool; v.boolean = true; return true; }
        if (literal("false")) { v.kind = Value::Kind::Bool; v.boolean = false; return true; }
        if (literal("null")) { v.kind = Value::Kind::Null; return true; }
        return number(v);
    }

    bool object(Value& v, int depth) {
        v.kind = Value::Kind::Object;
        ++pos_;
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == '}') { ++pos_; return true; }
        while (true) {
            skipSpace();
            std::string key;
            if (pos_ >= s_.size() || s_[pos_] != '"' || !string(key)) return false;
            skipSpace();
            if (pos_ >= s_.size() || s_[pos_] != ':') return false;
            ++pos_;
            Value member;
            if (!value(member, depth + 1)) return false;
            v.members.emplace_back(std::move(key), std::move(member));
            skipSpace();
            if (pos_ >= s_.size()) return false;
            if (s_[pos_] == '}') { ++pos_; return true; }
            if (s_[pos_] != ',') return false;
            ++pos_;
        }
    }

    bool array(Value& v, int depth) {
        v.kind = Value::Kind::Array;
        ++pos_;
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == ']') { ++pos_; return true; }
        while (true) {
            Value item;
            if (!value(item, depth + 1)) return false;
            v.items.push_back(std::move(item));
            skipSpace();
            if (pos_ >= s_.size()) return false;
            if (s_[pos_] == ']') { ++pos_; return true; }
            if (s_[pos_] != ',') return false;
            ++pos_;
        }
    }

    bool hex4(long& out) {
        if (pos_ + 4 > s_.size()) return false;
        out = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = s_[pos_++];
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else return false;
            out = out * 16 + d;
        }
        return true;
    }

    bool string(std::string& out) {
        ++pos_;  // opening quote
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') { out.push_back(c); continue; }
            if (pos_ >= s_.size()) return false;
            const char e = s_[pos_++];
            switch (e) {
                case '"': out.push_back('"'); break;
                case '\\': out.push_back('\\'); break;
                case '/': out.push_back('/'); break;
                case 'b': out.push_back('\b'); break;
                case 'f': out.push_back('\f'); break;
                case 'n': out.push_back('\n'); break;
                case 'r': out.push_back('\r'); break;
                case 't': out.push_back('\t'); break;
                case 'u': {
                    long cp;
                    if (!hex4(cp)) return false;
                    if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(pos_, 2) == "\\u") {
                        const size_t save = pos_;
                        pos_ += 2;
                        long low;
                        if (hex4(low) && low >= 0xDC00 && low <= 0xDFFF)
                            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                        else
                            pos_ = save;
                    }
                    text::appendUtf8(out, cp);  // a lone surrogate becomes U+FFFD
                    break;
                }
                default: return false;
            }
        }
        return false;
    }

    bool number(Value& v) {
        const size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
        const size_t digits = pos_;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
        if (pos_ == digits) return false;
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            const size_t frac = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
            if (pos_ == frac) return false;
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
            const size_t exp = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
            if (pos_ == exp) return false;
        }
        v.kind = Value::Kind::Number;
        v.number = std::strtod(std::string(s_.substr(start, pos_ - start)).c_str(), nullptr);
        return true;
    }

    std::string_view s_;
    size_t pos_ = 0;
};

}  // namespace

const Value* Value::get(std::string_view key) const {
    for (const auto& [name, member] : members)
        if (name == key) return &member;
    return nullptr;
}

int Value::toInt(int fallback) const {
    if (kind != Kind::Number || std::isnan(number)) return fallback;
    if (number >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (number <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(number);
}

std::optional<Value> parse(std::string_view text) { return Parser(text).document(); }

std::string quote(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::string clean =
        text::isValidUtf8(utf8) ? std::string(utf8) : text::utf16ToUtf8(text::utf8ToUtf16(utf8));
    std::string out = "\"";
    for (size_t i = 0; i < clean.size(); ++i) {
        const auto c = static_cast<unsigned char>(clean[i]);
        if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        } else if (c == 0xE2 && i + 2 < clean.size() && clean[i + 1] == '\x80' &&
                   (clean[i + 2] == '\xA8' || clean[i + 2] == '\xA9')) {
            // Line and paragraph separators end a line in older script engines.
            out += clean[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out += '"';
    return out;
}

}  // namespace json
