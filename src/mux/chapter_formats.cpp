#include "mux/chapter_formats.h"

#include <cstdio>

#include "playlist/language_codes.h"

namespace strandex {

namespace {

std::string clockTime(std::int64_t units, std::int64_t perSecond, int fractionDigits) {
    if (units < 0) units = 0;
    const std::int64_t seconds = units / perSecond;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%0*lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60), fractionDigits,
                  static_cast<long long>(units % perSecond));
    return text;
}

// "01" to "99", then as many digits as it takes.
std::string chapterNumber(std::size_t n) {
    std::string number = n < 10 ? "0" : "";
    return number += std::to_string(n);
}

// The length of the well-formed UTF-8 sequence at `at`, 0 when there is none
// (no overlong forms, no surrogates, nothing above U+10FFFF).
std::size_t sequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size()) return 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(at + k) < 0x80 || byte(at + k) > 0xBF) return 0;
    return length;
}

}  // namespace

std::string chapterName(const std::string& name) {
    std::string clean;
    for (std::size_t at = 0; at < name.size();) {
        std::size_t length = sequenceLength(name, at);
        if (length == 0) {
            clean += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        const unsigned char lead = static_cast<unsigned char>(name[at]);
        clean += lead < 0x20 || lead == 0x7F ? std::string(" ") : name.substr(at, length);
        at += length;
    }
    return clean;
}

std::string millisecondsTime(std::int64_t ms) { return clockTime(ms, 1000, 3); }

std::string nanosecondsTime(std::int64_t ns) { return clockTime(ns, 1'000'000'000, 9); }

std::string xmlEscaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&apos;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string ogmChapters(const PlaylistFacts& facts) {
    std::string text;
    for (std::size_t k = 0; k < facts.chapters.size(); ++k) {
        const std::string key = "CHAPTER" + chapterNumber(k + 1);
        text += key + "=" + millisecondsTime(facts.chapters[k].startMs) + "\n";
        text += key + "NAME=" + chapterName(facts.chapters[k].name) + "\n";
    }
    return text;
}

std::string matroskaChapters(const PlaylistFacts& facts) {
    const std::string language = bibliographicCode(facts.defaultLanguage);
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE Chapters SYSTEM \"matroskachapters.dtd\">\n"
        "<Chapters>\n"
        "  <EditionEntry>\n";
    for (const ChapterFacts& chapter : facts.chapters) {
        xml += "    <ChapterAtom>\n";
        xml += "      <ChapterTimeStart>" + nanosecondsTime(chapter.startNs) + "</ChapterTimeStart>\n";
        xml += "      <ChapterDisplay>\n";
        xml += "        <ChapterString>" + xmlEscaped(chapterName(chapter.name)) + "</ChapterString>\n";
        xml += "        <ChapterLanguage>" + language + "</ChapterLanguage>\n";
        xml += "      </ChapterDisplay>\n";
        xml += "    </ChapterAtom>\n";
    }
    xml +=
        "  </EditionEntry>\n"
        "</Chapters>\n";
    return xml;
}

}  // namespace strandex
