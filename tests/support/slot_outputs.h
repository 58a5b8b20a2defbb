// The slot boxes of the tests and the fuzz targets, and the output file
// each one stands for in the stream table.
#pragma once
#include <string>
#include <vector>

#include "engine/controls.h"
#include "engine/stream_table.h"

namespace strandex::test {

// The 34 boxes that stand for a slot, in box order: the two video slots,
// the 16 audio slots, the 16 subpicture slots that have a box.
std::vector<Box> slotBoxes();

// The output file of a slot box.
OutputFile& outputOf(StreamTable& t, Box box);

// The name the tests give a slot box's output file: "cbAudio03.out".
std::string outputFileName(Box box);

}  // namespace strandex::test
