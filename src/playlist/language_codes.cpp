#include "playlist/language_codes.h"

#include "playlist/language_table.h"

namespace strandex {

namespace {

const LanguageCode* find(std::string_view text) {
    if (text.size() != 2 && text.size() != 3) return nullptr;
    const std::string code = lowerCaseCode(text);
    for (const LanguageCode& language : kLanguageCodes) {
        bool match = text.size() == 2 ? language.twoLetter == code
                                      : language.terminology == code || language.bibliographic == code;
        if (match) return &language;
    }
    return nullptr;
}

}  // namespace

bool isLanguageCode(std::string_view text) { return find(text) != nullptr; }

std::string lowerCaseCode(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string bibliographicCode(std::string_view text) {
    const LanguageCode* language = find(text);
    return language ? std::string(language->bibliographic) : "und";
}

}  // namespace strandex
