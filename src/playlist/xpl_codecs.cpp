#include "playlist/xpl_codecs.h"

#include "playlist/xpl_attributes.h"

namespace strandex {

namespace {

const std::string kNoCodec;

void store(std::array<std::string, 8>& table, std::int32_t index, const std::string& codec) {
    if (index >= 1 && index <= 8) table[static_cast<std::size_t>(index - 1)] = codec;
}

}  // namespace

void readScannedLine(const std::string& line, ScanLookups& s, PlaylistCodecs& codecs) {
    noteTitleSet(line, s.titleSets);
    if (contains(line, "Playlist")) XPLattr(line, "displayName", s.playlistTitle);
    if (contains(line, "VideoAttributeItem")) {
        XPLattr(line, "index", s.videoIndex);
        std::int32_t i = strictInteger(s.videoIndex);
        XPLattr(line, "codec", s.videoCodec);
        store(codecs.VideoCodecs, i, s.videoCodec);
    }
    if (contains(line, "AudioAttributeItem")) {
        XPLattr(line, "channels", s.audioChannels);
        std::string suffix = s.audioChannels.empty() ? "" : "." + s.audioChannels + "ch";
        XPLattr(line, "index", s.audioIndex);
        std::int32_t i = strictInteger(s.audioIndex);
        XPLattr(line, "codec", s.audioCodec);
        store(codecs.AudioCodecs, i, s.audioCodec + suffix);
    }
    if (contains(line, "SubpictureAttributeItem")) {
        XPLattr(line, "index", s.subIndex);
        std::int32_t i = strictInteger(s.subIndex);
        XPLattr(line, "codec", s.subCodec);
        store(codecs.SubpictureCodecs, i, s.subCodec);
    }
}

const std::string& codecOf(const std::array<std::string, 8>& table, std::int32_t m) {
    return m >= 1 && m <= 8 ? table[static_cast<std::size_t>(m - 1)] : kNoCodec;
}

}  // namespace strandex
