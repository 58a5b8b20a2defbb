#include "playlist/xml_text.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>

namespace strandex {

namespace {

struct Entity {
    std::string_view name;
    char text;
};
constexpr std::array<Entity, 5> kEntities{{{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};

std::string utf8(std::uint32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// The text a reference's name (between "&" and ";") stands for.
std::optional<std::string> referenced(std::string_view name) {
    for (const Entity& entity : kEntities)
        if (entity.name == name) return std::string(1, entity.text);
    if (name.size() < 2 || name[0] != '#') return std::nullopt;
    const bool hex = name[1] == 'x';
    std::string_view digits = name.substr(hex ? 2 : 1);
    std::uint32_t c = 0;
    const char* end = digits.data() + digits.size();
    auto [stop, error] = std::from_chars(digits.data(), end, c, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    return utf8(c);
}

}  // namespace

std::string xmlUnescaped(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        std::size_t amp = text.find('&');
        out += text.substr(0, amp);
        if (amp == std::string_view::npos) break;
        text.remove_prefix(amp);
        std::size_t semicolon = text.find(';');
        std::optional<std::string> replaced;
        if (semicolon != std::string_view::npos) replaced = referenced(text.substr(1, semicolon - 1));
        if (replaced) {
            out += *replaced;
            text.remove_prefix(semicolon + 1);
        } else {
            out += '&';
            text.remove_prefix(1);
        }
    }
    return out;
}

}  // namespace strandex
