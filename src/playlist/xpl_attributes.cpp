#include "playlist/xpl_attributes.h"

#include <charconv>

namespace strandex {

namespace {

constexpr std::size_t kValueWindow = 255;

bool readInteger(std::string_view text, std::int32_t& value) {
    // from_chars takes a minus sign but no plus sign.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    }
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

}  // namespace

std::string upperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

void XPLattr(const std::string& line, std::string_view name, std::string& destination) {
    std::size_t at = upperCase(line).find(upperCase(name));
    if (at == std::string::npos) return;
    std::string_view value = std::string_view(line).substr(at + name.size(), kValueWindow);
    // No "=" or no opening quote: nothing is dropped at that step.
    std::size_t equals = value.find('=');
    if (equals != std::string_view::npos) value.remove_prefix(equals + 1);
    std::size_t open = value.find('"');
    if (open != std::string_view::npos) value.remove_prefix(open + 1);
    std::size_t close = value.find('"');
    destination = close == std::string_view::npos ? std::string() : std::string(value.substr(0, close));
}

std::int32_t XPLattrInt(const std::string& line, std::string_view name) {
    std::string text;
    XPLattr(line, name, text);
    std::int32_t value = 0;
    return readInteger(text, value) ? value : 0;
}

std::int32_t strictInteger(const std::string& text) {
    std::int32_t value = 0;
    if (!readInteger(text, value)) throw ConversionError("'" + text + "' is not a valid integer value");
    return value;
}

}  // namespace strandex
