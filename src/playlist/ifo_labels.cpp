#include "playlist/ifo_labels.h"

#include <array>
#include <cstdio>

#include "playlist/xpl_tracks.h"

namespace strandex {

namespace {

// The codec texts the playlist's captions use, which Demux names a file by.
constexpr std::array<const char*, 5> kAudioCodecTexts{"DD", "MPEG", "LPCM", "DTS", "Audio"};

std::string languageOrUnd(const std::string& language) { return language.empty() ? "und" : language; }

}  // namespace

std::string ifoVideoLabel(const IfoVideo& video) { return std::string(video.mpeg1 ? "MPEG-1" : "MPEG-2") + ".stream.0"; }

std::string ifoAudioLabel(const IfoAudio& audio, int slot) {
    const std::string codec = kAudioCodecTexts[static_cast<std::size_t>(audio.coding)];
    return trackLabel(codec + "." + std::to_string(audio.channels) + "ch", slot, languageOrUnd(audio.language));
}

std::string ifoSubpictureLabel(const IfoSubpicture& sub, int slot) {
    return trackLabel("Subpicture", slot, languageOrUnd(sub.language));
}

std::string ifoClockText(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3'600'000),
                  static_cast<long long>(ms / 60'000 % 60), static_cast<long long>(ms / 1000 % 60),
                  static_cast<long long>(ms % 1000));
    return text;
}

std::string ifoChapterName(std::size_t number) {
    return std::string("Chapter ") + (number < 10 ? "0" : "") + std::to_string(number);
}

}  // namespace strandex
