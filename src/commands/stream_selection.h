// The 40 stream boxes: reset, type names, the rule that keeps "Demux" in
// step with the selection, and the output file names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/front_end.h"
#include "engine/session.h"

namespace strandex {

void Resetcbs(FrontEnd& ui);
void cbVideoClick(FrontEnd& ui);

std::string VideoTypeName(std::int32_t id);
std::string AudioTypeName(std::int32_t id);
std::string SubTypeName(std::int32_t id);

// ".0" for a video slot, ".03" for audio or subpicture slot 3.
std::string videoSlotSuffix(int slot);
std::string slotSuffix(int slot);

// Output folder (eWorkdir) and base name joined: "out/FEATURE_1", or the
// bare base name when the folder is empty.
std::string outputPrefix(const std::string& folder, const std::string& base);

// The 34 boxes that stand for a slot, in box order: the order in which
// Demux makes their files and the console lists them.
std::vector<Box> slotBoxesInOrder();

enum class StreamKindOfBox { Video, Audio, Subpicture };
StreamKindOfBox kindOfBox(Box box);
// The box's number within its kind: 3 for cbAudio03.
int slotOfBox(Box box);
// The caption a stream box has before any command has run.
const char* startCaption(Box box);

// prefix + "." + caption + "." + extension of the box's kind.
std::string outputName(const FrontEnd& ui, const std::string& prefix, Box box);
// The same up to the extension: prefix + "." + caption + ".".
std::string outputStem(const FrontEnd& ui, const std::string& prefix, Box box);

}  // namespace strandex
