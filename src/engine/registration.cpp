// Registering a stream in its slot, and the "found!" lines of scan mode.
#include <string>

#include "engine/engine_run.h"

namespace strandex {

namespace {

const char* videoFoundText(int value) {
    if (value == 0x55 || value == 0x56) return "VC-1 video stream ";
    if (value == 0xE2 || value == 0xE3) return "H.264 video stream ";
    return "MPEG-2 video stream ";
}

const char* audioFoundText(int value) {
    if ((value & 0xF8) == 0x80) return "DD audio stream ";
    if ((value & 0xF8) == 0x88) return "DTS HD audio stream ";
    if ((value & 0xF8) == 0xA0) return "LPCM audio stream ";
    if ((value & 0xF8) == 0xB0) return "MLP audio stream ";
    return "DD+ audio stream ";
}

const char* subFoundText(int value) {
    return (value & 0xE0) == 0x60 ? "Extended subpicture stream " : "Subpicture stream ";
}

// The first value to claim an empty slot stays there for the run.
bool claim(EngineRun& run, std::int32_t& entry, int slot, int value, const char* text) {
    if (entry >= 0) return false;
    entry = value;
    if (run.state.Mode == 0) run.ui.log(text + std::to_string(slot) + " found!");
    return true;
}

}  // namespace

bool registerVideo(EngineRun& run, int slot, int value) {
    return claim(run, run.table.VideoIds[static_cast<std::size_t>(slot)], slot, value,
                 videoFoundText(value));
}

bool registerAudio(EngineRun& run, int slot, int value) {
    return claim(run, run.table.AudioIds[static_cast<std::size_t>(slot)], slot, value,
                 audioFoundText(value));
}

bool registerSubpicture(EngineRun& run, int slot, int value) {
    return claim(run, run.table.SubpictureIds[static_cast<std::size_t>(slot)], slot, value,
                 subFoundText(value));
}

}  // namespace strandex
