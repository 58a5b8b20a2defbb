// The bytes of an IFO file, read big-endian with every read checked
// against the file's end: a count or offset that points past it gives
// nothing instead of a read outside the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace strandex {

class IfoBytes {
public:
    explicit IfoBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    bool holds(std::size_t at, std::size_t n) const { return at <= bytes_.size() && n <= bytes_.size() - at; }

    // `n` (1 to 4) bytes at `at` as one big-endian number.
    std::optional<std::uint32_t> number(std::size_t at, std::size_t n) const {
        if (n == 0 || n > 4 || !holds(at, n)) return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < n; ++k) value = value << 8 | bytes_[at + k];
        return value;
    }
    std::optional<std::uint32_t> u8(std::size_t at) const { return number(at, 1); }
    std::optional<std::uint32_t> u16(std::size_t at) const { return number(at, 2); }
    std::optional<std::uint32_t> u32(std::size_t at) const { return number(at, 4); }

    bool startsWith(std::string_view text) const {
        if (!holds(0, text.size())) return false;
        for (std::size_t k = 0; k < text.size(); ++k)
            if (bytes_[k] != static_cast<std::uint8_t>(text[k])) return false;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace strandex
