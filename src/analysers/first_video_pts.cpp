#include "analysers/first_video_pts.h"

#include "engine/text_format.h"

namespace strandex {

void FirstVideoPts::picture() {
    if (picturesToPass_ == 0) return;
    if (picturesToPass_ == 2) remembered_ = chunkPts_;
    if (--picturesToPass_ > 0) return;
    if (chunkPts_ < remembered_) remembered_ = chunkPts_;
    out_.line("   First Video PTS = " + hex8(remembered_));
}

}  // namespace strandex
