// ISO 639 language codes as playlists give them ("de" or "ger"/"deu"),
// checked against the standard's own list rather than by their shape.
#pragma once
#include <string>
#include <string_view>

namespace strandex {

// Two letters of ISO 639-1 or three of ISO 639-2 (either form), any case.
bool isLanguageCode(std::string_view text);

// ASCII capitals in lower case: codes are stored as Matroska writes them.
std::string lowerCaseCode(std::string_view text);

// The ISO 639-2/B form Matroska takes: "en" -> "eng", "de" and "deu" ->
// "ger"; "und" for a text that is no code.
std::string bibliographicCode(std::string_view text);

}  // namespace strandex
