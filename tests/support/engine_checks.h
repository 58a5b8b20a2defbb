// Checks on the engine beyond what the harness shows: the parser state
// after each byte, the read position where a run ends, the states the
// Cancel button goes through, and files of a given size.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/memory_front_end.h"
#include "engine/demux_state.h"
#include "engine/session.h"
#include "support/pack_builder.h"

namespace strandex::test {

// What the plain byte step did over some bytes, fed in 262144-byte blocks.
struct ParseTrace {
    DemuxState state;                  // after the last byte
    std::int32_t lowestRemaining = 0;  // over every step
    int highestHeaderLeft = 0;         // a counter wrapped below zero shows as 255
    bool stalled = false;              // a step that did not move on twice running
    std::vector<std::string> log;
};
ParseTrace traceBytes(const Bytes& bytes, RunMode mode = RunMode::Scan);

// Opens the file as the source, runs demux and returns the read position
// where the run ended; the source is closed afterwards.
std::int64_t demuxFile(Session& session, const std::string& path, RunMode mode);

// A front end that also remembers every change of the Cancel button.
class CancelRecorder : public MemoryFrontEnd {
public:
    void setEnabled(Button b, bool on) override {
        if (b == Button::bCancel) cancelStates.push_back(on);
        MemoryFrontEnd::setEnabled(b, on);
    }
    std::vector<bool> cancelStates;
};

// A video packet (MPEG-2 0xE0/0xE1, H.264 0xE2/0xE3, or 0xFD without a
// stream id extension).
Bytes videoPacket(std::uint8_t streamId, const Bytes& payload,
                  std::optional<std::uint64_t> pts = {}, std::optional<std::uint64_t> dts = {});
// A VC-1 packet as HD DVD writes it: PTS and DTS, then the stream id
// extension (0x55 slot 0, 0x56 slot 1).
Bytes vc1Packet(std::uint8_t extension, const Bytes& payload, std::uint64_t pts = 90000);

// The bytes followed by padding packs (and one shorter padding packet) up
// to exactly `total` bytes.
Bytes fillTo(Bytes bytes, std::size_t total);

// Every file name in a folder, sorted.
std::vector<std::string> filesIn(const std::string& folder);

}  // namespace strandex::test
