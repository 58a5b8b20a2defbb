// One 2048-byte pack of Rebuild: the system header's bounds set to the
// ticked counts, the first packet's stream tested and renumbered.
#pragma once
#include <cstddef>
#include <cstdint>

#include "commands/rebuild_numbering.h"

namespace strandex {

inline constexpr std::size_t kPackSize = 2048;

// Rewrites the pack in place (only bytes that lie within its n bytes) and
// returns true when it is to be written.
bool rebuildPack(std::uint8_t* pack, std::size_t n, const StreamTable& t, const FrontEnd& ui,
                 RebuildNumbering& numbering);

// Whether the pack's first packet has its scrambling bits set. As for the
// stream tests, only the first packet is looked at: on a disc every pack of
// a stream begins with a packet of it, so an encrypted stream shows there.
bool packScrambled(const std::uint8_t* pack, std::size_t n);

}  // namespace strandex
