// The guard of the live source mapping against SIGBUS. A mapped page past
// the end of a file that was cut, or one the disk cannot give, faults when
// it is touched; inside the guarded range the fault is turned into zero
// pages and a flag the reader checks, anywhere else it stays fatal.
#pragma once
#include <cstddef>
#include <cstdint>

namespace strandex {

// Guards [begin, begin + length); one range at a time. False when another
// range is guarded already (the caller then does not map).
bool guardMapping(std::uint8_t* begin, std::size_t length);
void unguardMapping(const std::uint8_t* begin);
// A fault in the guarded range was turned into zero pages.
bool guardedMappingFaulted();

}  // namespace strandex
