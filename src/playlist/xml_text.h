// Attribute values as the scanner copies them keep XML's references
// ("Fluss &amp; Meer"); the names handed to other programs are the text
// they stand for.
#pragma once
#include <string>
#include <string_view>

namespace strandex {

// Replaces the five predefined entities and the character references
// ("&#252;", "&#xFC;") by their UTF-8 text; a reference that is malformed,
// unknown or names no character (0, a surrogate, above U+10FFFF) stays as
// it is written.
std::string xmlUnescaped(std::string_view text);

}  // namespace strandex
