// The committed sample files under tests/fixtures (made by the script
// beside them), for the test programs that are given their folder.
#pragma once
#include <string>

namespace strandex::test {

inline std::string fixture(const std::string& name) { return std::string(STRANDEX_FIXTURES) + "/" + name; }

}  // namespace strandex::test
