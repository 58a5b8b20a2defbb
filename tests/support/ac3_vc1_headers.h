// AC-3 and E-AC-3 sync frame headers and VC-1 advanced-profile headers,
// built from their fields bit by bit in the order their standards give
// (ATSC A/52 and its Annex E, SMPTE 421M), for the analysers' tests.
#pragma once
#include <cstdint>

#include "support/pack_builder.h"

namespace strandex::test {

// The seven bytes from the sync word 0x0B77 through byte 6.
struct Eac3Fields {
    int frmsiz = 767;
    int fscod = 0;
    int numblkscod = 3;
    int acmod = 7;
    int lfeon = 1;
    int bsid = 16;
};
Bytes eac3Header(const Eac3Fields& f);

struct Ac3Fields {
    int fscod = 0;
    int frmsizecod = 30;
    int bsid = 8;
    int bsmod = 0;
    int acmod = 7;
};
Bytes ac3Header(const Ac3Fields& f);

// Sequence header of the advanced profile; the defaults are 1920x1080
// progressive at 24000/1001 with square samples.
struct Vc1SequenceFields {
    int profile = 3;
    int level = 3;
    int colordiffFormat = 1;
    int maxCodedWidth = 959;   // (1920 - 2) / 2
    int maxCodedHeight = 539;  // (1080 - 2) / 2
    int pulldown = 0;
    int interlace = 0;
    int displayExt = 1;
    int dispHorizSize = 1919;
    int dispVertSize = 1079;
    int aspectRatioFlag = 1;
    int aspectRatio = 1;
    int aspectHorizSize = 0;  // written only for ASPECT_RATIO 15
    int aspectVertSize = 0;
    int framerateFlag = 1;
    int framerateInd = 0;
    int framerateNr = 1;
    int framerateDr = 2;
    int framerateExp = 0;
};
// 00 00 01 0F, the header, its stop bit and the zero bits to the byte end.
Bytes vc1SequenceHeader(const Vc1SequenceFields& f);
// 00 00 01 0E and an entry point header that fits the sequence header
// (no HRD, no coded size, no range mapping).
Bytes vc1EntryPoint();
// 00 00 01 0D and a progressive I picture header followed by `size` bytes.
Bytes vc1Frame(std::size_t size = 8);

}  // namespace strandex::test
