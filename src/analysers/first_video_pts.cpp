#include "analysers/first_video_pts.h"

#include <cstdio>

#include "engine/text_format.h"

namespace strandex {

namespace {

std::string hex16(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

void FirstVideoPts::picture() {
    if (picturesToPass_ == 0) return;
    if (picturesToPass_ == 2) remembered_ = chunkPts_;
    if (--picturesToPass_ > 0) return;
    if (chunkPts_ < remembered_) remembered_ = chunkPts_;
    std::string digits = digits_ == PtsDigits::Sixteen ? hex16(remembered_) : hex8(remembered_);
    out_.line("   First Video PTS = " + digits);
}

}  // namespace strandex
