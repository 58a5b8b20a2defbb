#include "commands/codec_names.h"

#include <array>
#include <cctype>
#include <string_view>

#include "commands/stream_selection.h"
#include "engine/substreams.h"

namespace strandex {

namespace {

struct CodecExtension {
    ContentCoding coding;
    const char* extension;
};

constexpr std::array kCodecExtensions{
    CodecExtension{ContentCoding::Vc1, "vc1"},   CodecExtension{ContentCoding::H264, "h264"},
    CodecExtension{ContentCoding::Mpeg2, "m2v"}, CodecExtension{ContentCoding::Ac3, "ac3"},
    CodecExtension{ContentCoding::Eac3, "eac3"}, CodecExtension{ContentCoding::Dts, "dts"},
    CodecExtension{ContentCoding::TrueHd, "thd"}, CodecExtension{ContentCoding::Mlp, "mlp"},
    CodecExtension{ContentCoding::Lpcm, "wav"},  CodecExtension{ContentCoding::Subpicture, "sup"},
};

struct CaptionCodec {
    std::string_view text;
    ContentCoding coding;
};

// The codec texts of the playlist's media attribute items, and the type
// names of the stream table without ".stream". An MLP substream is taken
// for TrueHD until its bytes show otherwise.
constexpr std::array kCaptionCodecs{
    CaptionCodec{"VC-1", ContentCoding::Vc1},      CaptionCodec{"MPEG-2", ContentCoding::Mpeg2},
    CaptionCodec{"AVC", ContentCoding::H264},      CaptionCodec{"H.264", ContentCoding::H264},
    CaptionCodec{"AVC/H.264", ContentCoding::H264}, CaptionCodec{"DD+", ContentCoding::Eac3},
    CaptionCodec{"DD", ContentCoding::Ac3},        CaptionCodec{"DTS", ContentCoding::Dts},
    CaptionCodec{"DTS-HD", ContentCoding::Dts},    CaptionCodec{"DTSHD", ContentCoding::Dts},
    CaptionCodec{"LPCM", ContentCoding::Lpcm},     CaptionCodec{"MLP", ContentCoding::TrueHd},
};

// "DD+.6ch" less its channel suffix: "DD+".
std::string_view withoutChannels(std::string_view codec) {
    if (codec.size() < 4 || codec.substr(codec.size() - 2) != "ch") return codec;
    std::size_t digits = codec.size() - 2;
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(codec[digits - 1]))) --digits;
    if (digits == codec.size() - 2 || digits == 0 || codec[digits - 1] != '.') return codec;
    return codec.substr(0, digits - 1);
}

ContentCoding codingOfRule(const StreamRule& rule) {
    if (rule.kind == StreamKind::Subpicture) return ContentCoding::Subpicture;
    return rule.kind == StreamKind::Video ? codingOf(rule.codec) : codingOf(rule.coding);
}

std::int32_t idOfBox(const StreamTable& t, Box box) {
    auto slot = static_cast<std::size_t>(slotOfBox(box));
    switch (kindOfBox(box)) {
        case StreamKindOfBox::Video: return t.VideoIds[slot];
        case StreamKindOfBox::Audio: return t.AudioIds[slot];
        case StreamKindOfBox::Subpicture: break;
    }
    return t.SubpictureIds[slot];
}

}  // namespace

SlotTable tableOfBox(Box box) {
    switch (kindOfBox(box)) {
        case StreamKindOfBox::Video: return SlotTable::video;
        case StreamKindOfBox::Audio: return SlotTable::audio;
        case StreamKindOfBox::Subpicture: break;
    }
    return SlotTable::subpicture;
}

SlotFacts& factsOfBox(StreamFacts& facts, Box box) {
    auto slot = static_cast<std::size_t>(slotOfBox(box));
    switch (kindOfBox(box)) {
        case StreamKindOfBox::Video: return facts.video[slot];
        case StreamKindOfBox::Audio: return facts.audio[slot];
        case StreamKindOfBox::Subpicture: break;
    }
    return facts.sub[slot];
}

const SlotFacts& factsOfBox(const StreamFacts& facts, Box box) {
    return factsOfBox(const_cast<StreamFacts&>(facts), box);
}

const char* codecExtension(ContentCoding coding) {
    for (const CodecExtension& e : kCodecExtensions)
        if (e.coding == coding) return e.extension;
    return "";
}

ContentCoding codingOfCaption(const std::string& caption) {
    std::string_view text = caption;
    for (const StreamRule& rule : kStreamRules) {
        std::string_view type = rule.typeName;
        if (type.empty() || text.substr(0, type.size()) != type) continue;
        if (text.size() == type.size() || text[type.size()] == '.') return codingOfRule(rule);
    }
    std::size_t stream = text.find(".stream.");
    if (stream == std::string_view::npos) return ContentCoding::Unknown;
    std::string_view codec = withoutChannels(text.substr(0, stream));
    for (const CaptionCodec& c : kCaptionCodecs)
        if (c.text == codec) return c.coding;
    return ContentCoding::Unknown;
}

ContentCoding codingOfSlotId(SlotTable which, std::int32_t id) {
    const StreamRule* rule = ruleOfSlotValue(which, id);
    return rule == nullptr ? ContentCoding::Unknown : codingOfRule(*rule);
}

ContentCoding plannedCoding(const FrontEnd& ui, const StreamTable& table, const StreamFacts* earlier, Box box) {
    StreamKindOfBox kind = kindOfBox(box);
    if (kind == StreamKindOfBox::Subpicture) return ContentCoding::Subpicture;
    if (earlier != nullptr) {
        const SlotFacts& met = factsOfBox(*earlier, box);
        if (met.met && met.coding != ContentCoding::Unknown) return met.coding;
    }
    ContentCoding coding = codingOfSlotId(tableOfBox(box), idOfBox(table, box));
    if (coding == ContentCoding::Unknown) coding = codingOfCaption(ui.caption(box));
    if (coding != ContentCoding::Unknown) return coding;
    return kind == StreamKindOfBox::Video ? ContentCoding::Mpeg2 : ContentCoding::Ac3;
}

std::string renamedLine(const std::string& from, const std::string& to) { return "Renamed " + from + " to " + to; }

std::string rawLpcmLine(const std::string& file) {
    return "No WAV for " + file + ": its LPCM header holds a reserved value; the samples are written as they are";
}

}  // namespace strandex
