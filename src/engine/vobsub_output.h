// A subpicture stream written as the .sub of a VobSub pair: Demux arms it
// for a slot when files are named by codec; the stream's first two bytes
// decide. DVD units (a 16-bit unit size first) are reassembled across
// packets by that size and each complete unit goes into its own packs,
// its PTS and position kept for the .idx. HD DVD units (00 00 and a 32-bit
// size), and any stream while no colour table is known, go on as .sup.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/file_io.h"

namespace strandex {

struct VobSubEntry {
    std::uint32_t pts = 0;       // the unit's PTS, as the "SP" header keeps it
    std::uint64_t filepos = 0;   // its first pack's offset in the .sub
};

class VobSubOutput {
public:
    enum class State : std::uint8_t { Off, Armed, VobSub, Raw };
    // Why a stream stayed .sup.
    enum class RawReason : std::uint8_t { None, NoColourTable, HdDvdUnits, TooShort };

    // `colourTable`: the title's colours are known, so DVD units may go
    // into a VobSub pair.
    void arm(bool colourTable) {
        reset();
        state_ = State::Armed;
        colourTable_ = colourTable;
    }
    void reset() { *this = VobSubOutput{}; }
    State state() const { return state_; }
    bool active() const { return state_ != State::Off; }
    RawReason rawReason() const { return rawReason_; }

    // A chunk of the slot's payload; `pts` 0 when its packet carried none;
    // `substreamId` the stream's identifying byte.
    void write(OutputFile& out, std::uint32_t pts, std::int32_t substreamId, const std::uint8_t* data, std::size_t n);
    // A stream that never showed two bytes is written as .sup.
    void finish(OutputFile& out);

    const std::vector<VobSubEntry>& entries() const { return entries_; }
    // Bytes of a unit the stream ended in, or of units whose size could not
    // be one, left out of the .sub.
    std::uint64_t droppedBytes() const { return droppedBytes_ + unit_.size(); }

private:
    struct Held {
        std::uint32_t pts;
        std::vector<std::uint8_t> bytes;
    };
    void decide(OutputFile& out, std::int32_t substreamId);
    void take(OutputFile& out, std::uint32_t pts, const std::uint8_t* data, std::size_t n);
    void completeUnit(OutputFile& out);

    State state_ = State::Off;
    RawReason rawReason_ = RawReason::None;
    bool colourTable_ = false;
    std::vector<Held> held_;       // chunks before the first two bytes were seen
    std::size_t heldBytes_ = 0;
    std::uint8_t substream_ = 0x20;
    std::vector<std::uint8_t> unit_;  // the unit being reassembled
    std::size_t unitSize_ = 0;        // its size, once its first two bytes are in
    std::uint32_t unitPts_ = 0;
    std::uint32_t lastPts_ = 0;
    bool skipping_ = false;           // at the start, and after a size no unit can have, until a packet with a PTS
    std::vector<std::uint8_t> packs_;
    std::uint64_t written_ = 0;
    std::uint64_t droppedBytes_ = 0;
    std::vector<VobSubEntry> entries_;
};

}  // namespace strandex
