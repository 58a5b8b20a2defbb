// What Read XPL says when it leaves out something of the title that other
// programs would be given: one line each, logged after the title's tracks.
#pragma once
#include <string>

namespace strandex {

std::string badTimeBaseNote(const std::string& timeBase);
std::string badDefaultLanguageNote(const std::string& language);
// `entry` is the tag's name and track number: "AudioTrack 3".
std::string badLangcodeNote(const std::string& entry, const std::string& langcode);
// `number` counts the title's Chapter tags from 1.
std::string badChapterTimeNote(int number, const std::string& time);

}  // namespace strandex
