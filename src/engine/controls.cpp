#include "engine/controls.h"

#include <array>

#include "engine/text_format.h"

namespace strandex {

std::string boxName(Box b) {
    int i = boxIndex(b);
    if (b < Box::cbAudio00) return "cbVideo" + std::to_string(i - boxIndex(Box::cbVideo0));
    if (b < Box::cbSub00) return "cbAudio" + twoDigits(i - boxIndex(Box::cbAudio00));
    if (b < Box::cbContinue) return "cbSub" + twoDigits(i - boxIndex(Box::cbSub00));
    static const std::array<const char*, 6> options{"cbContinue", "cbFastCheck", "cbCountFr",
                                                    "cbDetails", "cbCodecFiles", "cbMuxMkv"};
    return options.at(static_cast<std::size_t>(i - boxIndex(Box::cbContinue)));
}

std::string buttonName(Button b) {
    static const std::array<const char*, kButtonCount> names{
        "bCheck", "bReadXPL", "bDemux", "bRebuild", "bCancel", "bbEVO", "bbXPL"};
    return names.at(static_cast<std::size_t>(b));
}

std::string editName(Edit e) {
    static const std::array<const char*, kEditCount> names{
        "eEVOfile", "eXPLfile", "eVideoExt", "eAudioExt", "eSubExt", "eWorkdir"};
    return names.at(static_cast<std::size_t>(e));
}

}  // namespace strandex
