#include "playlist/playlist_notes.h"

namespace strandex {

std::string badTimeBaseNote(const std::string& timeBase) {
    return "Time base \"" + timeBase + "\" is not NNfps: chapters read at 60fps";
}

std::string badDefaultLanguageNote(const std::string& language) {
    return "Default language \"" + language + "\" is not a language code: chapters get und";
}

std::string badLangcodeNote(const std::string& entry, const std::string& langcode) {
    return "Language of " + entry + " left out: \"" + langcode + "\" is not a language code";
}

std::string badChapterTimeNote(int number, const std::string& time) {
    return "Chapter " + std::to_string(number) + " left out: time \"" + time + "\" does not parse";
}

}  // namespace strandex
