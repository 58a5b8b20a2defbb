// Output files named by their stream's coding ("Name files by codec"): the
// extension of each coding, and the coding Demux names a file by before it
// has met the stream, from the best knowledge it has.
#pragma once
#include <string>

#include "engine/front_end.h"
#include "engine/stream_facts.h"
#include "engine/stream_table.h"
#include "engine/substreams.h"

namespace strandex {

// The slot table of the stream a box stands for.
SlotTable tableOfBox(Box box);

// The facts of the stream a box stands for.
SlotFacts& factsOfBox(StreamFacts& facts, Box box);
const SlotFacts& factsOfBox(const StreamFacts& facts, Box box);

// "vc1", "eac3", "wav" …; empty for a coding not known.
const char* codecExtension(ContentCoding coding);

// The coding a box caption names by its first part: a type name
// ("DD+.stream.03") or a playlist codec text ("DD+.6ch.stream.02.en",
// "AVC.stream.0"); Unknown when it names none.
ContentCoding codingOfCaption(const std::string& caption);

// The coding a slot's stored id stands for; Unknown for an empty slot or
// the mark Read XPL leaves (1), which is no id.
ContentCoding codingOfSlotId(SlotTable which, std::int32_t id);

// What Demux names a box's file by: the facts of the command before when
// it met the stream in this source (`earlier` null otherwise), else the
// slot's id, else the caption, else the kind: MPEG-2 for video (the one
// coding both kinds of disc carry), AC-3 for audio. The stream's first
// chunk may still show another coding; the file is renamed then.
ContentCoding plannedCoding(const FrontEnd& ui, const StreamTable& table, const StreamFacts* earlier, Box box);

// The log lines of a file named by codec whose stream showed another
// coding, and of LPCM that cannot be a WAV.
std::string renamedLine(const std::string& from, const std::string& to);
std::string rawLpcmLine(const std::string& file);

}  // namespace strandex
