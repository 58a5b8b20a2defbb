// An LPCM stream written as a WAV file: Demux arms it for a slot when
// files are named by codec; the slot's first written chunk decides. An
// LPCM stream of a known format gets a header (filled in when the file is
// closed) and its samples in WAV order; any other stream, and LPCM whose
// format byte holds a reserved value, is written as it comes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/file_io.h"
#include "engine/lpcm_samples.h"
#include "engine/stream_facts.h"

namespace strandex {

class WavOutput {
public:
    enum class State : std::uint8_t { Off, Armed, Wav, Raw };

    void arm() {
        reset();
        state_ = State::Armed;
    }
    void reset() { *this = WavOutput{}; }
    State state() const { return state_; }
    bool active() const { return state_ != State::Off; }

    // A chunk of the slot's payload; `lpcmPacket` tells whether its packet
    // is an LPCM one (a WAV takes no other).
    void write(OutputFile& out, const SlotFacts& facts, bool lpcmPacket, const std::uint8_t* data, std::size_t n);
    // Sets the header's sizes (and the pad byte odd data needs); the file
    // stays open for the caller to close.
    void finish(OutputFile& out);

    std::uint64_t dataBytes() const { return dataBytes_; }

private:
    State state_ = State::Off;
    LpcmFormat format_;
    std::optional<LpcmToWav> samples_;
    std::vector<std::uint8_t> converted_;
    std::uint64_t dataBytes_ = 0;
};

}  // namespace strandex
