#include "support/byte_difference.h"

#include <algorithm>

namespace strandex::test {

std::string bytesDifference(const Bytes& got, const Bytes& want) {
    std::size_t n = std::min(got.size(), want.size());
    std::size_t i = 0;
    while (i < n && got[i] == want[i]) ++i;
    if (i == n && got.size() == want.size()) return "";
    return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size()) +
           ", first difference at byte " + std::to_string(i);
}

}  // namespace strandex::test
