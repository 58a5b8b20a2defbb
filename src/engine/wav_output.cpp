#include "engine/wav_output.h"

#include "engine/wav_header.h"

namespace strandex {

void WavOutput::write(OutputFile& out, const SlotFacts& facts, bool lpcmPacket, const std::uint8_t* data,
                      std::size_t n) {
    if (state_ == State::Armed) {
        bool wav = lpcmPacket && facts.coding == ContentCoding::Lpcm && facts.lpcm.valid();
        state_ = wav ? State::Wav : State::Raw;
        if (wav) {
            format_ = facts.lpcm;
            samples_.emplace(format_);
            std::vector<std::uint8_t> header = wavHeader(format_, 0);
            out.append(header.data(), header.size());  // room for the header, set at the close
        }
    }
    if (state_ == State::Raw) return out.append(data, n);
    if (state_ != State::Wav || !lpcmPacket) return;  // another coding in the slot: not into the WAV
    converted_.clear();
    samples_->convert(data, n, converted_);
    out.append(converted_.data(), converted_.size());
    dataBytes_ += converted_.size();
}

void WavOutput::finish(OutputFile& out) {
    if (state_ != State::Wav || !out.isOpen()) return;
    if (dataBytes_ % 2 != 0) {
        const std::uint8_t pad = 0;
        out.append(&pad, 1);
    }
    std::vector<std::uint8_t> header = wavHeader(format_, dataBytes_);
    out.writeAt(0, header.data(), header.size());
}

}  // namespace strandex
