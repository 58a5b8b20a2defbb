// Registering a stream in its slot, and the "found!" lines of scan mode.
#include <string>

#include "engine/engine_run.h"

namespace strandex {

namespace {

std::int32_t& slotEntry(StreamTable& t, SlotTable which, int slot) {
    auto k = static_cast<std::size_t>(slot);
    if (which == SlotTable::video) return t.VideoIds[k];
    if (which == SlotTable::audio) return t.AudioIds[k];
    return t.SubpictureIds[k];
}

}  // namespace

// The first value to claim an empty slot stays there for the run.
bool registerSlot(EngineRun& run, const StreamRule& rule, int value) {
    int slot = slotOf(rule, value);
    std::int32_t& entry = slotEntry(run.table, rule.slotTable, slot);
    if (entry >= 0) return false;
    entry = value;
    if (run.state.Mode == RunMode::Scan) run.ui.log(rule.foundName + std::to_string(slot) + " found!");
    return true;
}

}  // namespace strandex
