// Attribute lookup in one playlist line. The line is a tag as the scanner
// cut it; names are found by plain substring search, not by parsing.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace strandex {

// "'%s' is not a valid integer value": raised by the strict conversion of a
// media attribute item's index. It ends the command as a file error does.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ASCII letters only; other bytes, also those of UTF-8 sequences, stay.
std::string upperCase(std::string_view text);
bool contains(std::string_view text, std::string_view part);

// Finds `name` anywhere in the line, any case, first match. Without a match
// the destination keeps its value. Otherwise the destination becomes the
// text between the first pair of double quotes after the name (and after
// the first "=" when there is one), within the 255 bytes that follow it;
// empty when no pair of quotes is there.
void XPLattr(const std::string& line, std::string_view name, std::string& destination);

// The same lookup read as a signed decimal integer; 0 when the attribute is
// missing, empty or not an integer.
std::int32_t XPLattrInt(const std::string& line, std::string_view name);

// A sign and decimal digits that fit 32 bits, nothing else. Throws
// ConversionError with the text otherwise.
std::int32_t strictInteger(const std::string& text);

}  // namespace strandex
