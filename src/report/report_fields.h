// The texts the report gives a stream and a time: its slot name as the
// console's --streams takes it, its id, its type, the name it has when the
// playlist gives none, and times as HH:MM:SS.mmm.
#pragma once
#include <cstdint>
#include <string>

#include "engine/stream_facts.h"
#include "engine/substreams.h"

namespace strandex {

// "video0", "audio3", "sub12" (subpicture slots 16..31 too: "sub20").
std::string slotName(SlotTable table, int slot);

// "0xC3"; a VC-1 slot, which holds the stream id extension, "0xFD55".
// Empty for an id no row of the substream map holds.
std::string idText(SlotTable table, std::int32_t id);

// The type name of the row holding the id, without its ".stream" tail:
// "DD+", "VC-1", "Subpicture"; for subpicture slots 16..31 too, which
// have no box. Empty when no row holds it.
std::string typeOfId(SlotTable table, std::int32_t id);

// The type a playlist caption begins with: "DD+.6ch.stream.00.en" gives
// "DD+", "VC-1.stream.0" gives "VC-1"; empty when it has no ".stream.".
std::string typeOfCaption(const std::string& caption);

// The coding and its channels: "DD+ 5.1", "DTS 2.0", "LPCM 6.0"; the
// coding alone when the channels are not known, `type` when the coding is
// not known either.
std::string streamName(const SlotFacts& facts, const std::string& type);

// What a track is called in the files other programs read: its language,
// name and forced flag from the title Read XPL found for this source; "und"
// and the name by coding and channels where the playlist gives none.
struct TrackLabel {
    std::string language = "und";
    std::string name;
    bool forced = false;
};
struct Session;
TrackLabel trackLabel(const Session& session, SlotTable table, int slot, const SlotFacts& facts,
                      const std::string& type);

// The channels, LFE included, where known (for LPCM from its header); 0
// when not.
int channelsOf(const SlotFacts& facts);
int sampleRateOf(const SlotFacts& facts);

// "01:42:17.500"; hours take more digits past 99.
std::string clockText(std::int64_t ms);

}  // namespace strandex
