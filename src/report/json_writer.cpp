#include "report/json_writer.h"

#include <array>
#include <cstdio>

namespace strandex {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at text[at] (RFC 3629: no
// overlong forms, no surrogates, nothing past U+10FFFF), or 0.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    auto byte = [&](std::size_t k) -> unsigned char {
        return at + k < text.size() ? static_cast<unsigned char>(text[at + k]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    // The second byte's range depends on the lead; the others are plain
    // continuation bytes.
    unsigned char low = 0x80, high = 0xBF;
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    else return 0;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (!continuation(byte(k))) return 0;
    return length;
}

void appendControl(std::string& out, unsigned char c) {
    switch (c) {
        case '\b': out += "\\b"; return;
        case '\f': out += "\\f"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        default: break;
    }
    std::array<char, 8> escape{};
    std::snprintf(escape.data(), escape.size(), "\\u%04x", static_cast<unsigned>(c));
    out += escape.data();
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    std::size_t at = 0;
    while (at < text.size()) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            appendControl(out, c);
        } else if (c >= 0x80) {
            std::size_t length = sequenceLength(text, at);
            if (length == 0) {
                out += kReplacement;
                ++at;
                continue;
            }
            out += text.substr(at, length);
            at += length;
            continue;
        } else {
            out += static_cast<char>(c);
        }
        ++at;
    }
    out += '"';
    return out;
}

void JsonWriter::newLine() {
    out_ += '\n';
    out_.append(2 * hasMembers_.size(), ' ');
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasMembers_.empty()) return;  // the top value
    if (hasMembers_.back()) out_ += ',';
    hasMembers_.back() = true;
    newLine();
}

void JsonWriter::open(char bracket) {
    beforeValue();
    out_ += bracket;
    hasMembers_.push_back(false);
}

void JsonWriter::close(char bracket) {
    bool any = hasMembers_.back();
    hasMembers_.pop_back();
    if (any) newLine();
    out_ += bracket;
    if (hasMembers_.empty()) out_ += '\n';
}

void JsonWriter::beginObject() { open('{'); }
void JsonWriter::endObject() { close('}'); }
void JsonWriter::beginArray() { open('['); }
void JsonWriter::endArray() { close(']'); }

void JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ += jsonString(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
    beforeValue();
    out_ += jsonString(text);
}

void JsonWriter::number(std::int64_t value) {
    beforeValue();
    out_ += std::to_string(value);
}

void JsonWriter::boolean(bool value) {
    beforeValue();
    out_ += value ? "true" : "false";
}

}  // namespace strandex
