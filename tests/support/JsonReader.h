#pragma once
// Reads a JSON text back for checks, strictly: any syntax error, trailing text or repeated
// key makes parseJson return nothing. Objects keep their keys in written order.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace viscora::test {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    bool isNull() const { return kind == Kind::Null; }
    const JsonValue *find(const std::string &key) const
    {
        for (const auto &[k, v] : members)
            if (k == key)
                return &v;
        return nullptr;
    }
    const JsonValue &operator[](const std::string &key) const
    {
        static const JsonValue none;
        const JsonValue *v = find(key);
        return v ? *v : none;
    }
    std::vector<std::string> keys() const
    {
        std::vector<std::string> out;
        for (const auto &m : members)
            out.push_back(m.first);
        return out;
    }
};

class JsonParser {
public:
    explicit JsonParser(const std::string &s) : s_(s) {}

    std::optional<JsonValue> parse()
    {
        JsonValue v;
        if (!value(v))
            return std::nullopt;
        space();
        if (p_ != s_.size())
            return std::nullopt;
        return v;
    }

private:
    void space()
    {
        while (p_ < s_.size() &&
               (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\t' || s_[p_] == '\r'))
            ++p_;
    }
    bool literal(const char *word)
    {
        const std::string w(word);
        if (s_.compare(p_, w.size(), w) != 0)
            return false;
        p_ += w.size();
        return true;
    }
    bool value(JsonValue &v)
    {
        space();
        if (p_ >= s_.size())
            return false;
        const char c = s_[p_];
        if (c == '{')
            return object(v);
        if (c == '[')
            return array(v);
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            return string(v.text);
        }
        if (literal("null"))
            return true;
        for (const bool b : {true, false}) {
            if (literal(b ? "true" : "false")) {
                v.kind = JsonValue::Kind::Bool;
                v.boolean = b;
                return true;
            }
        }
        return number(v);
    }
    bool number(JsonValue &v)
    {
        // JSON's grammar: -?(0|[1-9]\d*)(\.\d+)?([eE][+-]?\d+)?
        const std::size_t start = p_;
        auto digits = [&] {
            const std::size_t from = p_;
            while (p_ < s_.size() && s_[p_] >= '0' && s_[p_] <= '9')
                ++p_;
            return p_ > from;
        };
        if (p_ < s_.size() && s_[p_] == '-')
            ++p_;
        if (p_ < s_.size() && s_[p_] == '0')
            ++p_;
        else if (!digits())
            return false;
        if (p_ < s_.size() && s_[p_] == '.') {
            ++p_;
            if (!digits())
                return false;
        }
        if (p_ < s_.size() && (s_[p_] == 'e' || s_[p_] == 'E')) {
            ++p_;
            if (p_ < s_.size() && (s_[p_] == '+' || s_[p_] == '-'))
                ++p_;
            if (!digits())
                return false;
        }
        v.kind = JsonValue::Kind::Number;
        v.number = std::strtod(s_.substr(start, p_ - start).c_str(), nullptr);
        return true;
    }
    bool string(std::string &out)
    {
        ++p_;
        while (p_ < s_.size() && s_[p_] != '"') {
            const char c = s_[p_++];
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (p_ >= s_.size())
                return false;
            const char e = s_[p_++];
            const std::string simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
            if (auto i = simple.find(e); i != std::string::npos) {
                out.push_back(meaning[i]);
            } else if (e == 'u' && p_ + 4 <= s_.size()) {
                const long code = std::strtol(s_.substr(p_, 4).c_str(), nullptr, 16);
                p_ += 4;
                if (code >= 0x80)
                    return false; // the writer escapes control characters only
                out.push_back(static_cast<char>(code));
            } else {
                return false;
            }
        }
        if (p_ >= s_.size())
            return false;
        ++p_;
        return true;
    }
    template <class F> bool list(char end, F item)
    {
        ++p_;
        space();
        if (p_ < s_.size() && s_[p_] == end) {
            ++p_;
            return true;
        }
        for (;;) {
            if (!item())
                return false;
            space();
            if (p_ < s_.size() && s_[p_] == ',') {
                ++p_;
                continue;
            }
            if (p_ < s_.size() && s_[p_] == end) {
                ++p_;
                return true;
            }
            return false;
        }
    }
    bool array(JsonValue &v)
    {
        v.kind = JsonValue::Kind::Array;
        return list(']', [&] {
            v.items.emplace_back();
            return value(v.items.back());
        });
    }
    bool object(JsonValue &v)
    {
        v.kind = JsonValue::Kind::Object;
        return list('}', [&] {
            space();
            std::string key;
            if (p_ >= s_.size() || s_[p_] != '"' || !string(key) || v.find(key))
                return false;
            space();
            if (p_ >= s_.size() || s_[p_] != ':')
                return false;
            ++p_;
            JsonValue item;
            if (!value(item))
                return false;
            v.members.emplace_back(std::move(key), std::move(item));
            return true;
        });
    }

    const std::string &s_;
    std::size_t p_ = 0;
};

inline std::optional<JsonValue> parseJson(const std::string &text)
{
    return JsonParser(text).parse();
}

} // namespace viscora::test
