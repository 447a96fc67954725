#include "messaging/json.h"

#include <charconv>
#include <cmath>
#include <exception>

#include "messaging/stringbuilder.h"
#include "platform/textcodec.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '(' || c == ')';
}

bool IsNumberChar(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Reads one JSON text. Every Parse... member returns false after storing the
// reason in error_; the structure built so far is then dropped.
class Reader {
  public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool ReadDocument(JsonValue& out) {
        SkipBlanks();
        if (AtEnd() || (Peek() != '{' && Peek() != '[')) return Fail("Invalid JSON");
        return ParseValue(out, 0);
    }
    const std::string& Error() const { return error_; }

  private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return text_[pos_]; }
    bool LookingAt(std::string_view s) const { return text_.compare(pos_, s.size(), s) == 0; }

    bool Fail(std::string reason) {
        error_ = std::move(reason);
        return false;
    }
    // "<what> at position N : <rest of the text>"; positions count
    // characters from 1.
    bool FailAt(const char* what, std::size_t at) {
        std::size_t chars = 1;
        for (std::size_t i = 0; i < at; ++i)
            chars += IsContinuationByte(text_[i]) ? 0 : 1;
        return Fail(std::string(what) + " at position " + std::to_string(chars) + " : " +
                    text_.substr(at));
    }
    // "Missing '}': " with the last 20 characters of the text.
    bool FailMissing(char close) {
        std::size_t start = text_.size();
        for (int chars = 0; start > 0 && chars < 20;) {
            --start;
            if (!IsContinuationByte(text_[start])) ++chars;
        }
        return Fail(std::string("Missing '") + close + "': " + text_.substr(start));
    }

    void SkipBlanks() {
        while (!AtEnd()) {
            if (IsBlank(Peek())) {
                ++pos_;
            } else if (LookingAt("/*")) {
                std::size_t end = text_.find("*/", pos_ + 2);
                pos_ = end == std::string::npos ? text_.size() : end + 2;
            } else {
                break;
            }
        }
    }

    bool ParseValue(JsonValue& out, int depth) {
        switch (Peek()) {
            case '{':
                return ParseObject(out, depth + 1);
            case '[':
                return ParseArray(out, depth + 1);
            case '"':
            case '\'': {
                std::size_t start = pos_;
                std::string s;
                if (!ParseString(s)) return FailAt("Invalid String", start);
                out = JsonValue(std::move(s));
                return true;
            }
            case 't':
                return ParseLiteral("true", JsonValue(true), "Invalid Boolean", out);
            case 'f':
                return ParseLiteral("false", JsonValue(false), "Invalid Boolean", out);
            case 'n':
                return ParseLiteral("null", JsonValue(), "Invalid null value", out);
            default:
                return ParseNumber(out);
        }
    }

    bool ParseObject(JsonValue& out, int depth) {
        if (depth > JSON::kMaxDepth) return FailAt("Nesting deeper than 512 levels", pos_);
        ++pos_;
        JsonObject object;
        for (;;) {
            SkipBlanks();
            if (AtEnd()) return FailMissing('}');
            if (Peek() == '}') break;
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            std::size_t keyStart = pos_;
            std::string key;
            if (!ParseKey(key)) return false;
            SkipBlanks();
            if (AtEnd()) return FailMissing('}');
            JsonValue value;
            if (!ParseValue(value, depth)) return false;
            if (!object.Add(std::move(key), std::move(value))) {
                return FailAt("Duplicate Key", keyStart);
            }
        }
        ++pos_;
        out = JsonValue(std::move(object));
        return true;
    }

    bool ParseArray(JsonValue& out, int depth) {
        if (depth > JSON::kMaxDepth) return FailAt("Nesting deeper than 512 levels", pos_);
        ++pos_;
        JsonArray array;
        for (;;) {
            SkipBlanks();
            if (AtEnd()) return FailMissing(']');
            if (Peek() == ']') break;
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            JsonValue value;
            if (!ParseValue(value, depth)) return false;
            array.push_back(std::move(value));
        }
        ++pos_;
        out = JsonValue(std::move(array));
        return true;
    }

    // A quoted text, or the characters up to ":" or a blank; then ":".
    bool ParseKey(std::string& key) {
        const std::size_t start = pos_;
        if (Peek() == '"' || Peek() == '\'') {
            if (!ParseString(key)) return FailAt("Invalid Key", start);
        } else {
            while (!AtEnd() && Peek() != ':' && !IsBlank(Peek()))
                ++pos_;
            if (pos_ == start) return FailAt("Invalid Key", start);
            key = ValidUtf8(text_.substr(start, pos_ - start));
        }
        SkipBlanks();
        if (AtEnd()) return FailMissing('}');
        if (Peek() != ':') return FailAt("Invalid Key", start);
        ++pos_;
        return true;
    }

    // From the opening quote to the same quote; false when the text ends
    // first or a \u escape lacks its four hexadecimal digits.
    bool ParseString(std::string& out) {
        const char quote = text_[pos_++];
        while (!AtEnd()) {
            const char c = Peek();
            if (c == quote) {
                ++pos_;
                return true;
            }
            if (c == '\\') {
                if (!ParseEscape(out)) return false;
            } else if (static_cast<unsigned char>(c) < 0x80) {
                out += c;
                ++pos_;
            } else {
                AppendUtf8(out, NextCodePoint(text_, pos_));  // U+FFFD for broken UTF-8
            }
        }
        return false;
    }

    bool ParseEscape(std::string& out) {
        ++pos_;
        if (AtEnd()) return false;
        const char c = Peek();
        switch (c) {
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
                return ParseUnicodeEscape(out);
            default:
                // Any other character stands for itself; a multi-byte one is
                // copied by the caller's loop.
                if (static_cast<unsigned char>(c) >= 0x80) return true;
                out += c;
                break;
        }
        ++pos_;
        return true;
    }

    // At the "u" of \uXXXX. A high surrogate joins the low surrogate escape
    // that follows it; an unpaired surrogate has no UTF-8 form and becomes
    // U+FFFD.
    bool ParseUnicodeEscape(std::string& out) {
        int unit = HexUnit(pos_ + 1);
        if (unit < 0) return false;
        pos_ += 5;
        char32_t cp = static_cast<char32_t>(unit);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            int low = LookingAt("\\u") ? HexUnit(pos_ + 2) : -1;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + static_cast<char32_t>(low - 0xDC00);
                pos_ += 6;
            } else {
                cp = kReplacement;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
        return true;
    }

    // The four hexadecimal digits at `at` as a number, -1 when they are not.
    int HexUnit(std::size_t at) const {
        if (at + 4 > text_.size()) return -1;
        int unit = 0;
        for (std::size_t i = at; i < at + 4; ++i) {
            int d = HexDigit(text_[i]);
            if (d < 0) return -1;
            unit = unit * 16 + d;
        }
        return unit;
    }

    bool ParseLiteral(std::string_view word, JsonValue value, const char* error, JsonValue& out) {
        if (!LookingAt(word)) return FailAt(error, pos_);
        pos_ += word.size();
        out = std::move(value);
        return true;
    }

    // The longest run of number characters, read as a decimal.
    bool ParseNumber(JsonValue& out) {
        const std::size_t start = pos_;
        while (!AtEnd() && IsNumberChar(Peek()))
            ++pos_;
        auto number = Decimal::Parse(std::string_view(text_).substr(start, pos_ - start));
        if (!number) return FailAt("Invalid Number", start);
        out = JsonValue(*number);
        return true;
    }

    static std::string ValidUtf8(const std::string& s) {
        std::string out;
        for (std::size_t i = 0; i < s.size();)
            AppendUtf8(out, NextCodePoint(s, i));
        return out;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
    std::string error_;
};

// Appends a JSON text to a string builder; a failed append (no memory) is
// remembered in ok.
class Writer {
  public:
    explicit Writer(StringBuilder& sb) : sb_(sb) {}
    bool ok = true;

    void Value(const JsonValue& v) {
        switch (v.Type()) {
            case JsonType::Null:
                Put("null");
                break;
            case JsonType::Boolean:
                Put(v.AsBool() ? "true" : "false");
                break;
            case JsonType::Number:
                Put(v.AsDecimal().ToString());
                break;
            case JsonType::Double:
                Double(v.AsDouble());
                break;
            case JsonType::Text:
                Text(v.AsText());
                break;
            case JsonType::Date:
                Text(v.AsDate()->ToText(v.AsDate()->Millisecond != 0));
                break;
            case JsonType::Array:
                Array(*v.AsArray());
                break;
            case JsonType::Object:
                Object(*v.AsObject());
                break;
        }
    }

  private:
    void Put(std::string_view s) { ok = ok && sb_.Append(s); }

    void Double(double d) {
        // JSON has no form for infinities and NaN.
        if (!std::isfinite(d)) return Put("null");
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, d);  // "." whatever the locale
        Put(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
    }

    void Array(const JsonArray& a) {
        Put("[");
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (i > 0) Put(",");
            Value(a[i]);
        }
        Put("]");
    }

    void Object(const JsonObject& o) {
        Put("{");
        bool first = true;
        for (const auto& [key, value] : o) {
            if (!first) Put(",");
            first = false;
            Text(key);  // escaped like any text, so a quote in a key cannot end it
            Put(":");
            Value(value);
        }
        Put("}");
    }

    void Text(const std::string& s) {
        Put("\"");
        std::size_t i = 0;
        while (i < s.size()) {
            // Copy runs of printable ASCII that need no escape in one piece.
            std::size_t run = i;
            while (run < s.size() && IsPlain(s[run]))
                ++run;
            if (run > i) Put(std::string_view(s).substr(i, run - i));
            i = run;
            if (i < s.size()) Escape(NextCodePoint(s, i));
        }
        Put("\"");
    }

    static bool IsPlain(char c) {
        auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u <= 0x7F && c != '"' && c != '\\' && c != '/';
    }

    void Escape(char32_t cp) {
        switch (cp) {
            case '"':
                return Put("\\\"");
            case '\\':
                return Put("\\\\");
            case '/':
                return Put("\\/");
            case '\b':
                return Put("\\b");
            case '\f':
                return Put("\\f");
            case '\n':
                return Put("\\n");
            case '\r':
                return Put("\\r");
            case '\t':
                return Put("\\t");
            default:
                break;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            Unit(0xD800 + (cp >> 10));
            Unit(0xDC00 + (cp & 0x3FF));
        } else {
            Unit(cp);
        }
    }

    void Unit(char32_t u) {
        static const char kHex[] = "0123456789ABCDEF";
        char buf[6] = {
            '\\',         'u', kHex[(u >> 12) & 0xF], kHex[(u >> 8) & 0xF], kHex[(u >> 4) & 0xF],
            kHex[u & 0xF]};
        Put(std::string_view(buf, sizeof buf));
    }

    StringBuilder& sb_;
};

}  // namespace

JsonValue JSON::Parse(const std::string& text) {
    try {
        Reader reader(text);
        JsonValue result;
        if (reader.ReadDocument(result)) {
            errorText_.clear();
            return result;
        }
        errorText_ += reader.Error() + "\r\n";
    } catch (const std::exception& e) {
        errorText_ += std::string("Invalid JSON: ") + e.what() + "\r\n";
    }
    return JsonValue();
}

std::string JSON::ToString(const JsonValue& value) const {
    try {
        StringBuilder sb;
        Writer writer(sb);
        writer.Value(value);
        return writer.ok ? sb.ToString() : std::string();
    } catch (const std::exception&) {
        return std::string();
    }
}
