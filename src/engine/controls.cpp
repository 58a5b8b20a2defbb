#include "engine/controls.h"

#include <array>

#include "engine/text_format.h"

namespace strandex {

std::string boxName(Box b) {
    int i = boxIndex(b);
    if (i < 8) return "cbVideo" + std::to_string(i);
    if (i < 24) return "cbAudio" + twoDigits(i - 8);
    if (i < 40) return "cbSub" + twoDigits(i - 24);
    static const std::array<const char*, 4> options{"cbContinue", "cbFastCheck", "cbCountFr",
                                                    "cbDetails"};
    return options.at(static_cast<std::size_t>(i - 40));
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
