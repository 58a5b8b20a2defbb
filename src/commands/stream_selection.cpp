#include "commands/stream_selection.h"

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

std::string VideoTypeName(std::int32_t id) {
    if (id == 0x55 || id == 0x56) return "VC-1.stream";
    if (id == 0xE0 || id == 0xE1) return "MPEG-2.stream";
    if (id == 0xE2 || id == 0xE3) return "H.264.stream";
    return "";
}

std::string AudioTypeName(std::int32_t id) {
    if (id >= 0x80 && id <= 0x87) return "DD.stream";
    if (id >= 0x88 && id <= 0x8F) return "DTSHD.stream";
    if (id >= 0xA0 && id <= 0xA7) return "LPCM.stream";
    if (id >= 0xB0 && id <= 0xB7) return "MLP.stream";
    if (id >= 0xC0 && id <= 0xCF) return "DD+.stream";
    return "";
}

std::string SubTypeName(std::int32_t id) {
    if (id >= 0x20 && id <= 0x2F) return "Subpicture";
    if (id >= 0x60 && id <= 0x6F) return "Ext.Subpicture";
    return "";
}

// Built by appending: GCC 12 warns falsely on "." + a temporary string.
std::string videoSlotSuffix(int slot) { return std::string(".").append(std::to_string(slot)); }
std::string slotSuffix(int slot) { return std::string(".").append(twoDigits(slot)); }

std::string outputPrefix(const std::string& folder, const std::string& base) {
    if (folder.empty()) return base;
    return folder.back() == '/' ? folder + base : folder + "/" + base;
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
std::string outputName(const FrontEnd& ui, const std::string& prefix, Box box) {
    Edit ext = Edit::eSubExt;
    if (kindOfBox(box) == StreamKindOfBox::Video) ext = Edit::eVideoExt;
    if (kindOfBox(box) == StreamKindOfBox::Audio) ext = Edit::eAudioExt;
    std::string caption = ui.caption(box);
    for (char& c : caption)
        if (c == '/') c = '_';
    return prefix + "." + caption + "." + ui.text(ext);
}

}  // namespace strandex
