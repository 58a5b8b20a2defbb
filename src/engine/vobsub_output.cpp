#include "engine/vobsub_output.h"

#include <algorithm>

#include "engine/sup_chunk.h"
#include "engine/vobsub_packs.h"

namespace strandex {

namespace {

// A DVD unit holds its size and the offset of its control sequence, two
// bytes each: no smaller one can be a unit.
constexpr std::size_t kSmallestUnit = 4;
constexpr std::uint8_t kFirstSubstream = 0x20;

}  // namespace

void VobSubOutput::write(OutputFile& out, std::uint32_t pts, std::int32_t substreamId, const std::uint8_t* data,
                         std::size_t n) {
    if (state_ == State::Armed) {
        if (n == 0 && pts == 0) return;  // nothing the .sup would show either
        held_.push_back({pts, std::vector<std::uint8_t>(data, data + n)});
        heldBytes_ += n;
        if (heldBytes_ >= 2) decide(out, substreamId);
        return;
    }
    if (state_ == State::Raw) return appendSupChunk(out, pts, data, n);
    if (state_ == State::VobSub) take(out, pts, data, n);
}

void VobSubOutput::decide(OutputFile& out, std::int32_t substreamId) {
    std::uint8_t first[2];
    std::size_t got = 0;
    for (const Held& h : held_)
        for (std::uint8_t b : h.bytes)
            if (got < 2) first[got++] = b;
    bool hdDvd = first[0] == 0 && first[1] == 0;
    if (hdDvd || !colourTable_) {
        state_ = State::Raw;
        rawReason_ = hdDvd ? RawReason::HdDvdUnits : RawReason::NoColourTable;
    } else {
        state_ = State::VobSub;
        substream_ = static_cast<std::uint8_t>(kFirstSubstream | (substreamId & 0x1F));
        // A unit begins in a packet with a PTS: a stream cut in the middle
        // of one starts at the next.
        skipping_ = true;
    }
    std::vector<Held> held = std::move(held_);
    held_.clear();
    for (const Held& h : held) write(out, h.pts, substreamId, h.bytes.data(), h.bytes.size());
}

void VobSubOutput::take(OutputFile& out, std::uint32_t pts, const std::uint8_t* data, std::size_t n) {
    if (pts != 0) lastPts_ = pts;
    if (skipping_ && pts != 0) skipping_ = false;
    bool chunkPtsFree = pts != 0;  // the chunk's PTS goes to the first unit that starts in it
    std::size_t k = 0;
    while (k < n) {
        if (skipping_) {
            droppedBytes_ += n - k;
            return;
        }
        if (unit_.empty()) {
            unitPts_ = chunkPtsFree ? pts : lastPts_;
            chunkPtsFree = false;
        }
        std::size_t want = unitSize_ == 0 ? 2 - unit_.size() : unitSize_ - unit_.size();
        std::size_t part = std::min(want, n - k);
        unit_.insert(unit_.end(), data + k, data + k + part);
        k += part;
        if (unitSize_ == 0 && unit_.size() == 2) {
            unitSize_ = (std::size_t{unit_[0]} << 8) | unit_[1];
            if (unitSize_ < kSmallestUnit) {
                droppedBytes_ += unit_.size();
                unit_.clear();
                unitSize_ = 0;
                skipping_ = true;
            }
        } else if (unitSize_ != 0 && unit_.size() == unitSize_) {
            completeUnit(out);
        }
    }
}

void VobSubOutput::completeUnit(OutputFile& out) {
    packs_.clear();
    appendVobSubPacks(packs_, unit_.data(), unit_.size(), unitPts_, substream_);
    entries_.push_back({unitPts_, written_});
    out.append(packs_.data(), packs_.size());
    written_ += packs_.size();
    unit_.clear();
    unitSize_ = 0;
}

void VobSubOutput::finish(OutputFile& out) {
    if (state_ != State::Armed || held_.empty()) return;
    state_ = State::Raw;
    rawReason_ = RawReason::TooShort;
    for (const Held& h : held_) appendSupChunk(out, h.pts, h.bytes.data(), h.bytes.size());
    held_.clear();
}

}  // namespace strandex
