#include "analysers/analysers.h"

namespace strandex {

// To be written.
void AC3info(const std::uint8_t*, std::size_t, int, const Ac3Tables&, FrontEnd&) {}

}  // namespace strandex
