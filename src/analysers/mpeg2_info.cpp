#include "analysers/analysers.h"

namespace strandex {

// To be written.
void MPEG2info(const std::uint8_t*, std::size_t, std::uint32_t, FrontEnd&) {}

}  // namespace strandex
