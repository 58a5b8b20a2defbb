// The source of one run, handed out block by block: through a mapping of
// the file where the session allows it and the file can be mapped, else
// read into the table's ReadBuffer. Bytes of a mapped block are appended
// to the outputs as shared bytes; they are written out at each new window
// (before the pages behind are dropped) and at the end of the run, always
// before the mapping goes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/session.h"

namespace strandex {

class SourceBlocks {
public:
    explicit SourceBlocks(Session& session);
    // Writes out what the outputs still share (quietly: an error is already
    // on its way) and unmaps.
    ~SourceBlocks();
    SourceBlocks(const SourceBlocks&) = delete;
    SourceBlocks& operator=(const SourceBlocks&) = delete;

    // The next block, of up to kBlockSize bytes; got is its length.
    const std::uint8_t* next(std::size_t& got);
    // The last block's bytes stay where they are until the run ends (a
    // view into the mapping): outputs may take them as shared bytes.
    bool shared() const { return shared_; }
    // Called while a FileError is being handled: a write that failed
    // because a mapped page went away is the source's read error.
    [[noreturn]] void rethrowAsSourceError();
    // Writes out the shared bytes, reports a page that faulted, unmaps.
    void finish();

private:
    void writeShared();

    StreamTable& table_;
    bool mapped_ = false;
    bool shared_ = false;
    std::size_t window_;
    std::int64_t windowAt_ = 0;
};

}  // namespace strandex
