// Where two byte strings part, for a failure message that says more than a
// dump of two buffers of a few hundred KiB.
#pragma once
#include <string>

#include "support/pack_builder.h"

namespace strandex::test {

// "" when equal; otherwise the sizes and the first byte that differs.
std::string bytesDifference(const Bytes& got, const Bytes& want);

}  // namespace strandex::test
