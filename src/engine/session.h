// Everything the logic of one program instance works on: the front end, the
// one stream table and the path strings of the chosen source and playlist.
#pragma once
#include <array>
#include <string>

#include "engine/front_end.h"
#include "engine/stream_facts.h"
#include "engine/stream_table.h"
#include "engine/vobsub_output.h"
#include "engine/wav_output.h"
#include "playlist/playlist_facts.h"

namespace strandex {

struct SourcePaths {
    std::string EVOdir;   // folder of the source, with its trailing separator
    std::string EVOname;  // FEATURE_1.EVO
    std::string EVObase;  // FEATURE_1
    std::string XPLdir;
    std::string XPLname;
};

// The playlist's media attribute items: codec texts by index 1 to 8 (entry
// 0 is index 1). Kept from one Read XPL to the next, never cleared.
struct PlaylistCodecs {
    std::array<std::string, 8> VideoCodecs;
    std::array<std::string, 8> AudioCodecs;
    std::array<std::string, 8> SubpictureCodecs;
};

struct Session {
    explicit Session(FrontEnd& frontEnd) : ui(frontEnd) {}

    FrontEnd& ui;
    StreamTable table;
    SourcePaths paths;
    PlaylistCodecs codecs;
    // What the engine met of each stream in the last Read EVO or Demux.
    StreamFacts facts;
    // The title the last Read XPL found: languages, names, chapters.
    PlaylistFacts playlist;
    // The audio slots Demux writes as WAV when their stream is LPCM (files
    // named by codec), beside the slots' output files.
    std::array<WavOutput, kAudioSlots> audioWav;
    // The subpicture slots Demux writes as a VobSub pair when their units
    // are DVD units and the title's colours are known (files named by codec).
    std::array<VobSubOutput, kSubBoxSlots> subVobSub;
    // Demux also writes the title's chapters beside its streams, and the
    // mkvmerge options file that makes an MKV of them; muxing keeps the
    // streams it put in the MKV.
    bool writeChapters = false;
    bool writeMuxPlan = false;
    bool keepStreams = false;
    // Examine every byte with the plain byte step instead of the fast paths
    // beside it; the results are the same, only slower.
    bool plainByteStep = false;
    // Read the source through a mapping of it where it can be mapped, and
    // read() it otherwise; the results are the same. The window is the step
    // in which it is read ahead and dropped behind.
    bool mapSource = true;
    std::size_t mapWindow = kMapWindow;
    // A command is running; no other may start until it ends.
    bool commandRunning = false;
};

}  // namespace strandex
