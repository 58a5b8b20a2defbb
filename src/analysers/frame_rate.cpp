#include "analysers/frame_rate.h"

#include <limits>
#include <numeric>

namespace strandex {

FrameRate reducedRate(std::uint64_t num, std::uint64_t den) {
    if (num == 0 || den == 0) return {};
    std::uint64_t g = std::gcd(num, den);
    num /= g;
    den /= g;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    if (num > kMax || den > kMax) return {};
    return {static_cast<int>(num), static_cast<int>(den)};
}

}  // namespace strandex
