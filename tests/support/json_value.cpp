#include "support/json_value.h"

#include <cctype>
#include <charconv>

namespace strandex::test {

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : s_(text) {}

    JsonValue document() {
        JsonValue v = value();
        space();
        if (at_ != s_.size()) fail("text after the value");
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw JsonError(what + " at offset " + std::to_string(at_));
    }
    bool more() const { return at_ < s_.size(); }
    unsigned char peek() const { return more() ? static_cast<unsigned char>(s_[at_]) : 0; }
    unsigned char next() {
        if (!more()) fail("unexpected end");
        return static_cast<unsigned char>(s_[at_++]);
    }
    void expect(char c) {
        if (next() != static_cast<unsigned char>(c)) fail(std::string("expected '") + c + "'");
    }
    void space() {
        while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) ++at_;
    }
    void word(const char* w) {
        for (const char* p = w; *p; ++p) expect(*p);
    }

    JsonValue value() {
        space();
        JsonValue v;
        switch (peek()) {
            case '{': object(v); break;
            case '[': array(v); break;
            case '"': v.kind = JsonValue::Kind::string; v.text = string(); break;
            case 't': word("true"); v.kind = JsonValue::Kind::boolean; v.boolean = true; break;
            case 'f': word("false"); v.kind = JsonValue::Kind::boolean; break;
            case 'n': word("null"); break;
            default: number(v); break;
        }
        return v;
    }

    void object(JsonValue& v) {
        v.kind = JsonValue::Kind::object;
        expect('{');
        space();
        if (peek() == '}') {
            ++at_;
            return;
        }
        for (;;) {
            space();
            if (peek() != '"') fail("expected a key");
            std::string key = string();
            if (v.has(key)) fail("duplicate key " + key);
            space();
            expect(':');
            v.members.emplace_back(key, value());
            space();
            if (peek() == ',') { ++at_; continue; }
            expect('}');
            return;
        }
    }

    void array(JsonValue& v) {
        v.kind = JsonValue::Kind::array;
        expect('[');
        space();
        if (peek() == ']') {
            ++at_;
            return;
        }
        for (;;) {
            v.items.push_back(value());
            space();
            if (peek() == ',') { ++at_; continue; }
            expect(']');
            return;
        }
    }

    void digits() {
        if (!std::isdigit(peek())) fail("expected a digit");
        while (std::isdigit(peek())) ++at_;
    }

    void number(JsonValue& v) {
        std::size_t start = at_;
        if (peek() == '-') ++at_;
        if (peek() == '0') ++at_;
        else digits();
        bool integral = true;
        if (peek() == '.') {
            ++at_;
            digits();
            integral = false;
        }
        if (peek() == 'e' || peek() == 'E') {
            ++at_;
            if (peek() == '+' || peek() == '-') ++at_;
            digits();
            integral = false;
        }
        v.kind = JsonValue::Kind::number;
        v.text = s_.substr(start, at_ - start);
        v.integral = integral;
        if (integral) {
            auto [end, err] = std::from_chars(v.text.data(), v.text.data() + v.text.size(), v.integer);
            // Beyond 64 bits (mkvmerge's track UIDs) it stays a number by its text alone.
            if (err == std::errc::result_out_of_range) v.integral = false;
            else if (err != std::errc{} || end != v.text.data() + v.text.size()) fail("malformed integer");
        }
    }

    unsigned hex4() {
        unsigned u = 0;
        for (int k = 0; k < 4; ++k) {
            unsigned char c = next();
            if (!std::isxdigit(c)) fail("bad \\u escape");
            u = u * 16 + static_cast<unsigned>(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
        }
        return u;
    }

    static void appendUtf8(std::string& out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    void escape(std::string& out) {
        unsigned char c = next();
        switch (c) {
            case '"': out += '"'; return;
            case '\\': out += '\\'; return;
            case '/': out += '/'; return;
            case 'b': out += '\b'; return;
            case 'f': out += '\f'; return;
            case 'n': out += '\n'; return;
            case 'r': out += '\r'; return;
            case 't': out += '\t'; return;
            case 'u': break;
            default: fail("bad escape");
        }
        std::uint32_t u = hex4();
        if (u >= 0xDC00 && u <= 0xDFFF) fail("lone low surrogate");
        if (u >= 0xD800 && u <= 0xDBFF) {
            expect('\\');
            expect('u');
            std::uint32_t low = hex4();
            if (low < 0xDC00 || low > 0xDFFF) fail("lone high surrogate");
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, u);
    }

    // One raw UTF-8 character, decoded and checked against the shortest
    // form of its code point.
    void rawCharacter(std::string& out) {
        std::size_t start = at_;
        unsigned char lead = next();
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        if (lead >= 0xF8 || extra < 0) fail("malformed UTF-8");
        std::uint32_t cp = lead & (0x3F >> extra);
        for (int k = 0; k < extra; ++k) {
            unsigned char c = next();
            if ((c & 0xC0) != 0x80) fail("malformed UTF-8");
            cp = (cp << 6) | (c & 0x3F);
        }
        const std::uint32_t shortest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < shortest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) fail("malformed UTF-8");
        out += s_.substr(start, at_ - start);
    }

    std::string string() {
        expect('"');
        std::string out;
        for (;;) {
            unsigned char c = peek();
            if (!more()) fail("unterminated string");
            if (c == '"') {
                ++at_;
                return out;
            }
            if (c < 0x20) fail("raw control character in a string");
            if (c == '\\') {
                ++at_;
                escape(out);
            } else if (c >= 0x80) {
                rawCharacter(out);
            } else {
                out += static_cast<char>(c);
                ++at_;
            }
        }
    }

    const std::string& s_;
    std::size_t at_ = 0;
};

}  // namespace

bool JsonValue::has(const std::string& key) const {
    for (const auto& m : members)
        if (m.first == key) return true;
    return false;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    for (const auto& m : members)
        if (m.first == key) return m.second;
    throw JsonError("no member " + key);
}

const JsonValue& JsonValue::operator[](std::size_t index) const {
    if (index >= items.size()) throw JsonError("no item " + std::to_string(index));
    return items[index];
}

std::vector<std::string> JsonValue::keys() const {
    std::vector<std::string> names;
    for (const auto& m : members) names.push_back(m.first);
    return names;
}

JsonValue parseJson(const std::string& text) { return Reader(text).document(); }

}  // namespace strandex::test
