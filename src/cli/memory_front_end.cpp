#include "cli/memory_front_end.h"

#include "commands/stream_selection.h"

namespace strandex {

namespace {
std::size_t at(Button b) { return static_cast<std::size_t>(b); }
std::size_t at(Edit e) { return static_cast<std::size_t>(e); }
std::size_t at(Box b) { return static_cast<std::size_t>(boxIndex(b)); }
}  // namespace

MemoryFrontEnd::MemoryFrontEnd() {
    buttons_[at(Button::bRebuild)] = true;
    buttons_[at(Button::bbEVO)] = true;
    buttons_[at(Button::bbXPL)] = true;
    edits_[at(Edit::eVideoExt)] = "mpv";
    edits_[at(Edit::eAudioExt)] = "mpa";
    edits_[at(Edit::eSubExt)] = "sup";
    for (int i = 0; i < kStreamBoxCount; ++i) boxes_[at(boxAt(i))].caption = startCaption(boxAt(i));
    const std::array<const char*, 6> options{"Continue with second  EVO", "Fast EVO checking",
                                             "Count frames", "Detailed info", "Name files by codec",
                                             "Mux into MKV after Demux"};
    for (int i = 0; i < 6; ++i) {
        Box b = boxAt(kStreamBoxCount + i);
        bool offAtStart = b == Box::cbCodecFiles || b == Box::cbMuxMkv;
        boxes_[static_cast<std::size_t>(kStreamBoxCount + i)] =
            BoxState{!offAtStart, true, options[static_cast<std::size_t>(i)], ""};
    }
    for (const char* top : kTreeStartItems) tree.push_back({-1, top});
}

void MemoryFrontEnd::setEnabled(Button b, bool on) { buttons_[at(b)] = on; }
bool MemoryFrontEnd::enabled(Button b) const { return buttons_[at(b)]; }
std::string MemoryFrontEnd::text(Edit e) const { return edits_[at(e)]; }
void MemoryFrontEnd::setText(Edit e, const std::string& s) { edits_[at(e)] = s; }
bool MemoryFrontEnd::ticked(Box b) const { return boxes_[at(b)].ticked; }

void MemoryFrontEnd::setTicked(Box b, bool on) {
    if (boxes_[at(b)].ticked == on) return;
    boxes_[at(b)].ticked = on;
    if (isStreamBox(b)) cbVideoClick(*this);
}

bool MemoryFrontEnd::boxEnabled(Box b) const { return boxes_[at(b)].enabled; }
void MemoryFrontEnd::setBoxEnabled(Box b, bool on) { boxes_[at(b)].enabled = on; }
std::string MemoryFrontEnd::caption(Box b) const { return boxes_[at(b)].caption; }
void MemoryFrontEnd::setCaption(Box b, const std::string& s) { boxes_[at(b)].caption = s; }
void MemoryFrontEnd::setHint(Box b, const std::string& s) { boxes_[at(b)].hint = s; }
void MemoryFrontEnd::showPage(Page p) { page = p; }

void MemoryFrontEnd::xplClear() { xplMemo.clear(); }
void MemoryFrontEnd::xplAppend(const std::string& line) { xplMemo.push_back(line); }
int MemoryFrontEnd::xplCount() const { return static_cast<int>(xplMemo.size()); }

std::string MemoryFrontEnd::xplLine(int index) const {
    if (index < 0 || index >= xplCount()) return "";
    return xplMemo[static_cast<std::size_t>(index)];
}

void MemoryFrontEnd::xplDelete(int index) {
    if (index >= 0 && index < xplCount()) xplMemo.erase(xplMemo.begin() + index);
}

void MemoryFrontEnd::xplShow(bool visible) { xplVisible = visible; }
void MemoryFrontEnd::treeClear() { tree.clear(); }

int MemoryFrontEnd::treeAddTop(const std::string& text) {
    tree.push_back({-1, text});
    return static_cast<int>(tree.size()) - 1;
}

int MemoryFrontEnd::treeAddChild(int parent, const std::string& text) {
    tree.push_back({parent, text});
    return static_cast<int>(tree.size()) - 1;
}

void MemoryFrontEnd::log(const std::string& text) {
    logLines.push_back(text);
    if (onLog) onLog(text);
}

void MemoryFrontEnd::slog(const std::string& text, std::uint8_t panel) {
    panels[panel & 1] = " " + text;
    if (panel == 1) statusHint = text;
    if (onStatus) onStatus();
}

void MemoryFrontEnd::processEvents() {
    if (onEvents) onEvents();
}

bool MemoryFrontEnd::confirm(const std::string& question) {
    questions.push_back(question);
    return onConfirm ? onConfirm(question) : true;
}

void MemoryFrontEnd::warn(const std::string& text) { notices.push_back(text); }

}  // namespace strandex
