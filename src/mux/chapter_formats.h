// The title's chapters in the two forms muxers read: the OGM simple text
// (CHAPTER01=00:00:00.000, CHAPTER01NAME=Opening) and Matroska's XML
// chapters. Plain text out of PlaylistFacts; writing the files is apart.
#pragma once
#include <cstdint>
#include <string>

#include "playlist/playlist_facts.h"

namespace strandex {

// "HH:MM:SS.mmm" and "HH:MM:SS.nnnnnnnnn"; the hours take more digits
// when they need them.
std::string millisecondsTime(std::int64_t ms);
std::string nanosecondsTime(std::int64_t ns);

// The text with each byte that begins no well-formed UTF-8 sequence, and
// each control byte, replaced (by U+FFFD and a blank): a playlist's bytes
// are copied as they are, and a muxer refuses a chapter file that is not
// UTF-8 text.
std::string chapterName(const std::string& name);

// The five characters XML reserves as entities; bytes above 0x7F (the
// playlist's UTF-8) pass as they are.
std::string xmlEscaped(const std::string& text);

std::string ogmChapters(const PlaylistFacts& facts);
// One edition; each chapter's display in the TitleSet's default language
// as ISO 639-2/B, "und" when it has none or an unknown one.
std::string matroskaChapters(const PlaylistFacts& facts);

}  // namespace strandex
