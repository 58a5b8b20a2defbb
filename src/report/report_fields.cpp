#include "report/report_fields.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "engine/session.h"

namespace strandex {

namespace {

constexpr std::string_view kStreamTail = ".stream";

// The coding as a name shows it; nullptr where the type name says it best.
const char* codingName(ContentCoding coding) {
    switch (coding) {
        case ContentCoding::Mpeg2: return "MPEG-2";
        case ContentCoding::H264: return "H.264";
        case ContentCoding::Vc1: return "VC-1";
        case ContentCoding::Ac3: return "DD";
        case ContentCoding::Eac3: return "DD+";
        case ContentCoding::Dts: return "DTS";
        case ContentCoding::Lpcm: return "LPCM";
        case ContentCoding::TrueHd: return "TrueHD";
        case ContentCoding::Mlp: return "MLP";
        case ContentCoding::Unknown:
        case ContentCoding::Subpicture: break;
    }
    return nullptr;
}

}  // namespace

std::string slotName(SlotTable table, int slot) {
    const char* kind = table == SlotTable::video ? "video" : table == SlotTable::audio ? "audio" : "sub";
    return kind + std::to_string(slot);
}

std::string idText(SlotTable table, std::int32_t id) {
    const StreamRule* rule = ruleOfSlotValue(table, id);
    if (rule == nullptr) return "";
    std::array<char, 16> text{};
    const char* form = rule->space == IdSpace::extension ? "0xFD%02X" : "0x%02X";
    std::snprintf(text.data(), text.size(), form, static_cast<unsigned>(id));
    return text.data();
}

std::string typeOfId(SlotTable table, std::int32_t id) {
    const StreamRule* rule = ruleOfSlotValue(table, id);
    if (rule == nullptr) return "";
    std::string_view name = rule->typeName;
    if (name.ends_with(kStreamTail)) name.remove_suffix(kStreamTail.size());
    return std::string(name);
}

std::string typeOfCaption(const std::string& caption) {
    std::size_t end = caption.find(".stream.");
    if (end == std::string::npos) return "";
    std::string codec = caption.substr(0, end);
    // The playlist's audio codec carries its channel count: "DD+.6ch".
    std::size_t dot = codec.rfind('.');
    if (dot != std::string::npos && codec.size() > dot + 3 && codec.ends_with("ch") &&
        codec.find_first_not_of("0123456789", dot + 1) == codec.size() - 2)
        codec.erase(dot);
    return codec;
}

int channelsOf(const SlotFacts& facts) {
    if (facts.channels > 0) return facts.channels;
    return facts.coding == ContentCoding::Lpcm ? facts.lpcm.channels : 0;
}

int sampleRateOf(const SlotFacts& facts) {
    if (facts.sampleRate > 0) return facts.sampleRate;
    return facts.coding == ContentCoding::Lpcm ? facts.lpcm.sampleRate : 0;
}

TrackLabel trackLabel(const Session& session, SlotTable table, int slot, const SlotFacts& facts,
                      const std::string& type) {
    TrackLabel label;
    label.name = streamName(facts, type);
    const PlaylistFacts& playlist = session.playlist;
    // Facts read for another source would give this one the wrong names.
    if (!playlist.titleFound || playlist.sourceBase != session.paths.EVObase) return label;
    auto k = static_cast<std::size_t>(slot);
    const TrackFacts* track = table == SlotTable::audio        ? &playlist.audio[k]
                              : table == SlotTable::subpicture ? &playlist.sub[k]
                                                               : nullptr;  // no video language
    if (track == nullptr) return label;
    if (!track->language.empty()) label.language = track->language;
    if (!track->name.empty()) label.name = track->name;
    label.forced = track->forced;
    return label;
}

std::string streamName(const SlotFacts& facts, const std::string& type) {
    const char* coding = codingName(facts.coding);
    std::string name = coding != nullptr ? coding : type;
    int channels = channelsOf(facts);
    if (coding == nullptr || channels <= 0) return name;
    bool lfe = facts.lfe && channels > 1;
    return name + " " + std::to_string(lfe ? channels - 1 : channels) + (lfe ? ".1" : ".0");
}

std::string clockText(std::int64_t ms) {
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(), "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                  static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                  static_cast<long long>(ms % 1000));
    return text.data();
}

}  // namespace strandex
