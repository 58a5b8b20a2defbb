// A minimal MPEG transport stream reader for the test tools: 188-byte
// packets, the PAT and the PMT of the first program, and the PES packets of
// each elementary stream reassembled with their PTS and DTS.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "support/pack_builder.h"

namespace strandex::test {

struct TsPes {
    std::optional<std::uint64_t> pts;
    std::optional<std::uint64_t> dts;  // a PES without one decodes at its PTS
    Bytes payload;
};

struct TsStream {
    std::uint16_t pid = 0;
    std::uint8_t streamType = 0;  // as the PMT lists it: 0x1B H.264, 0x81 AC-3, 0x87 E-AC-3
    std::vector<TsPes> packets;
};

// The streams of the PMT in its order. Packets of other PIDs, packets
// without the sync byte and a torn last packet are passed over; a PES ends
// where the next one of its PID starts, or at its declared length.
std::vector<TsStream> readTransportStream(const Bytes& ts);

// The 33-bit timestamp in the five PTS or DTS bytes at p.
std::uint64_t readTimestamp(const std::uint8_t* p);

}  // namespace strandex::test
