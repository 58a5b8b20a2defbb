#include "support/slot_outputs.h"

namespace strandex::test {

std::vector<Box> slotBoxes() {
    std::vector<Box> boxes{videoBox(0), videoBox(1)};
    for (int n = 0; n < 16; ++n) boxes.push_back(audioBox(n));
    for (int n = 0; n < 16; ++n) boxes.push_back(subBox(n));
    return boxes;
}

OutputFile& outputOf(StreamTable& t, Box box) {
    int i = boxIndex(box);
    if (box < Box::cbAudio00) return t.VideoOut.at(static_cast<std::size_t>(i));
    if (box < Box::cbSub00) return t.AudioOut.at(static_cast<std::size_t>(i - boxIndex(Box::cbAudio00)));
    return t.SubpictureOut.at(static_cast<std::size_t>(i - boxIndex(Box::cbSub00)));
}

std::string outputFileName(Box box) { return boxName(box) + ".out"; }

}  // namespace strandex::test
