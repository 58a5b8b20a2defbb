#include "support/facts_difference.h"

#include <tuple>

namespace strandex::test {

namespace {

// Every field of a stream's facts, in their order; a field added to
// SlotFacts belongs here too.
auto fields(const SlotFacts& f) {
    return std::tie(f.met, f.id, f.hasPts, f.firstPts, f.earliestPts, f.earliestSettled, f.hasShownPts,
                    f.shownPts, f.coding, f.lpcmFormatByte, f.lpcm.bitsPerSample, f.lpcm.sampleRate,
                    f.lpcm.channels, f.channels, f.lfe, f.sampleRate, f.bitRate, f.frameRateNum,
                    f.frameRateDen, f.file, f.probe.chunks, f.probe.frames, f.probe.done);
}

std::string slotText(const SlotFacts& f) {
    std::string t;
    t.append("met ").append(std::to_string(f.met)).append(" id ").append(std::to_string(f.id));
    t.append(" pts ").append(std::to_string(f.hasPts)).append(":").append(std::to_string(f.firstPts));
    t.append(" earliest ").append(std::to_string(f.earliestPts)).append(f.earliestSettled ? " settled" : "");
    t.append(" shown ").append(std::to_string(f.hasShownPts)).append(":").append(std::to_string(f.shownPts));
    t.append(" coding ").append(std::to_string(static_cast<int>(f.coding)));
    t.append(" lpcm ").append(std::to_string(f.lpcmFormatByte));
    t.append(" ch ").append(std::to_string(f.channels)).append(f.lfe ? "+lfe" : "");
    t.append(" rate ").append(std::to_string(f.sampleRate)).append(" bits ").append(std::to_string(f.bitRate));
    t.append(" fps ").append(std::to_string(f.frameRateNum)).append("/").append(std::to_string(f.frameRateDen));
    t.append(" probe ").append(std::to_string(f.probe.chunks)).append(",").append(std::to_string(f.probe.frames));
    return t.append(f.probe.done ? " done" : "").append(" file '").append(f.file).append("'");
}

template <typename Slots>
void compareSlots(std::string& d, const char* kind, const Slots& a, const Slots& b) {
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (fields(a[k]) == fields(b[k])) continue;
        d.append(kind).append(" ").append(std::to_string(k)).append(" facts differ: ");
        d.append(slotText(a[k])).append(" / ").append(slotText(b[k])).append("\n");
    }
}

}  // namespace

std::string factsDifference(const StreamFacts& a, const StreamFacts& b) {
    std::string d;
    compareSlots(d, "video", a.video, b.video);
    compareSlots(d, "audio", a.audio, b.audio);
    compareSlots(d, "subpicture", a.sub, b.sub);
    if (a.parts != b.parts) d.append("the parts read differ\n");
    if (a.size != b.size) d.append("the sizes read differ\n");
    return d;
}

}  // namespace strandex::test
