#include "analysers/first_video_pts.h"

#include "engine/text_format.h"

namespace strandex {

void FirstVideoPts::picture(std::uint32_t pts, FrontEnd& ui) {
    if (picturesToPass_ == 0) return;
    if (picturesToPass_ == 2) remembered_ = pts;
    if (--picturesToPass_ > 0) return;
    if (pts < remembered_) remembered_ = pts;
    ui.log("   First Video PTS = " + hex8(remembered_));
}

}  // namespace strandex
