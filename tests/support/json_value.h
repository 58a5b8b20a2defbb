// A strict JSON reader for the tests (RFC 8259): it refuses what a lenient
// one lets through (raw control characters, lone surrogates, malformed
// UTF-8, trailing commas, duplicate keys, anything after the value), so a
// test that reads the program's JSON back proves it valid.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace strandex::test {

struct JsonError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct JsonValue {
    enum class Kind { null, boolean, number, string, array, object };
    Kind kind = Kind::null;
    bool boolean = false;
    bool integral = false;       // a number without fraction or exponent that fits 64 bits
    std::int64_t integer = 0;    // its value, when integral
    std::string text;            // a string's UTF-8, or a number as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;  // in order

    bool has(const std::string& key) const;
    // The member or item; throws JsonError when it is not there.
    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](std::size_t index) const;
    std::vector<std::string> keys() const;
};

// Throws JsonError, naming the offset, on anything that is not one JSON value.
JsonValue parseJson(const std::string& text);

}  // namespace strandex::test
