// The stream facts two runs left, compared field by field, for the
// differential tests of the fast paths: "" when they agree.
#pragma once
#include <string>

#include "engine/stream_facts.h"

namespace strandex::test {

std::string factsDifference(const StreamFacts& a, const StreamFacts& b);

}  // namespace strandex::test
