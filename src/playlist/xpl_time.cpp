#include "playlist/xpl_time.h"

#include <array>
#include <charconv>

namespace strandex {

namespace {

// A field of min to max digits and nothing else.
std::optional<std::int64_t> digits(std::string_view text, std::size_t min, std::size_t max) {
    if (text.size() < min || text.size() > max) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    std::int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Rounds n / d to the nearest, halves up; n >= 0, d > 0.
std::int64_t nearest(std::int64_t n, std::int64_t d) { return (2 * n + d) / (2 * d); }

}  // namespace

std::optional<int> parseTimeBase(std::string_view text) {
    constexpr std::string_view unit = "fps";
    if (text.size() <= unit.size() || text.substr(text.size() - unit.size()) != unit) return std::nullopt;
    std::optional<std::int64_t> fps = digits(text.substr(0, text.size() - unit.size()), 1, 3);
    if (!fps || *fps == 0) return std::nullopt;
    return static_cast<int>(*fps);
}

std::optional<TitleTime> parseTitleTime(std::string_view text, int fps) {
    std::array<std::string_view, 4> fields;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        std::size_t colon = text.find(':');
        bool last = k + 1 == fields.size();
        if (last != (colon == std::string_view::npos)) return std::nullopt;
        fields[k] = text.substr(0, colon);
        if (!last) text.remove_prefix(colon + 1);
    }
    auto hours = digits(fields[0], 1, 4);
    auto minutes = digits(fields[1], 2, 2);
    auto seconds = digits(fields[2], 2, 2);
    auto frames = digits(fields[3], 1, 3);
    if (!hours || !minutes || !seconds || !frames || fps <= 0) return std::nullopt;
    if (*minutes >= 60 || *seconds >= 60 || *frames >= fps) return std::nullopt;
    const std::int64_t whole = (*hours * 60 + *minutes) * 60 + *seconds;
    return TitleTime{whole * 1'000'000'000 + nearest(*frames * 1'000'000'000, fps),
                     whole * 1000 + nearest(*frames * 1000, fps)};
}

}  // namespace strandex
