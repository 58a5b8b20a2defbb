#include "commands/stream_selection.h"

#include "engine/substreams.h"
#include "engine/text_format.h"

namespace strandex {

void Resetcbs(FrontEnd& ui) {
    for (int i = 0; i < kStreamBoxCount; ++i) {
        Box box = boxAt(i);
        ui.setBoxEnabled(box, false);
        switch (kindOfBox(box)) {
            case StreamKindOfBox::Video: ui.setCaption(box, "No video stream"); break;
            case StreamKindOfBox::Audio: ui.setCaption(box, "No audio stream"); break;
            case StreamKindOfBox::Subpicture: ui.setCaption(box, "No subpicture"); break;
        }
    }
    cbVideoClick(ui);
}

// "Demux" is usable exactly while some stream box is selected (enabled and
// ticked). Run after every change of a tick or of a box's enabled state.
void cbVideoClick(FrontEnd& ui) {
    bool any = false;
    for (int i = 0; i < kStreamBoxCount && !any; ++i) any = selected(ui, boxAt(i));
    ui.setEnabled(Button::bDemux, any);
}

namespace {

// The type name of the value a slot of the table holds; "" for none.
std::string typeNameIn(SlotTable which, std::int32_t id) {
    const StreamRule* rule = ruleOfSlotValue(which, id);
    return rule != nullptr && rule->typeIds.holds(id) ? rule->typeName : "";
}

}  // namespace

std::string VideoTypeName(std::int32_t id) { return typeNameIn(SlotTable::video, id); }
std::string AudioTypeName(std::int32_t id) { return typeNameIn(SlotTable::audio, id); }
std::string SubTypeName(std::int32_t id) { return typeNameIn(SlotTable::subpicture, id); }

// Built by appending: GCC 12 warns falsely on "." + a temporary string.
std::string videoSlotSuffix(int slot) { return std::string(".").append(std::to_string(slot)); }
std::string slotSuffix(int slot) { return std::string(".").append(twoDigits(slot)); }

std::string outputPrefix(const std::string& folder, const std::string& base) {
    if (folder.empty()) return base;
    return folder.back() == '/' ? folder + base : folder + "/" + base;
}

std::vector<Box> slotBoxesInOrder() {
    std::vector<Box> boxes{videoBox(0), videoBox(1)};
    for (int n = 0; n < kAudioSlots; ++n) boxes.push_back(audioBox(n));
    for (int n = 0; n < kSubBoxSlots; ++n) boxes.push_back(subBox(n));
    return boxes;
}

StreamKindOfBox kindOfBox(Box box) {
    if (box < Box::cbAudio00) return StreamKindOfBox::Video;
    if (box < Box::cbSub00) return StreamKindOfBox::Audio;
    return StreamKindOfBox::Subpicture;
}

int slotOfBox(Box box) {
    switch (kindOfBox(box)) {
        case StreamKindOfBox::Video: return boxIndex(box) - boxIndex(Box::cbVideo0);
        case StreamKindOfBox::Audio: return boxIndex(box) - boxIndex(Box::cbAudio00);
        case StreamKindOfBox::Subpicture: break;
    }
    return boxIndex(box) - boxIndex(Box::cbSub00);
}

const char* startCaption(Box box) {
    switch (kindOfBox(box)) {
        case StreamKindOfBox::Video: return "Video stream";
        case StreamKindOfBox::Audio: return "Audio stream";
        case StreamKindOfBox::Subpicture: break;
    }
    return "Subpicture";
}

// A caption may come from the playlist: a "/" in it would lead the file
// out of the output folder, so it becomes "_".
std::string outputStem(const FrontEnd& ui, const std::string& prefix, Box box) {
    std::string caption = ui.caption(box);
    for (char& c : caption)
        if (c == '/') c = '_';
    return prefix + "." + caption + ".";
}

std::string outputName(const FrontEnd& ui, const std::string& prefix, Box box) {
    Edit ext = Edit::eSubExt;
    if (kindOfBox(box) == StreamKindOfBox::Video) ext = Edit::eVideoExt;
    if (kindOfBox(box) == StreamKindOfBox::Audio) ext = Edit::eAudioExt;
    return outputStem(ui, prefix, box) + ui.text(ext);
}

}  // namespace strandex
