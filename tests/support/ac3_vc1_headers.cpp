#include "support/ac3_vc1_headers.h"

namespace strandex::test {

namespace {

// Writes fields most significant bit first.
class BitWriter {
public:
    void put(int value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ == 0) bytes_.push_back(0);
            if ((static_cast<unsigned>(value) >> i) & 1u)
                bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80u >> used_));
            used_ = (used_ + 1) % 8;
        }
    }
    // A VC-1 header ends with a one bit and zero bits up to the byte end.
    Bytes withStopBit() {
        put(1, 1);
        used_ = 0;
        return bytes_;
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
    int used_ = 0;
};

}  // namespace

Bytes eac3Header(const Eac3Fields& f) {
    BitWriter w;
    w.put(0x0B77, 16);
    w.put(0, 2);  // strmtyp: independent
    w.put(0, 3);  // substreamid
    w.put(f.frmsiz, 11);
    w.put(f.fscod, 2);
    w.put(f.numblkscod, 2);
    w.put(f.acmod, 3);
    w.put(f.lfeon, 1);
    w.put(f.bsid, 5);
    w.put(0, 3);   // dialnorm, high bits
    w.put(0, 8);   // dialnorm, low bits, compre and so on
    return w.bytes();
}

Bytes ac3Header(const Ac3Fields& f) {
    BitWriter w;
    w.put(0x0B77, 16);
    w.put(0x1234, 16);  // crc1
    w.put(f.fscod, 2);
    w.put(f.frmsizecod, 6);
    w.put(f.bsid, 5);
    w.put(f.bsmod, 3);
    w.put(f.acmod, 3);
    w.put(0, 5);  // the mix levels and what follows
    return w.bytes();
}

Bytes vc1SequenceHeader(const Vc1SequenceFields& f) {
    BitWriter w;
    w.put(0x0000010F, 32);
    w.put(f.profile, 2);
    w.put(f.level, 3);
    w.put(f.colordiffFormat, 2);
    w.put(7, 3);   // FRMRTQ_POSTPROC
    w.put(31, 5);  // BITRTQ_POSTPROC
    w.put(0, 1);   // POSTPROCFLAG
    w.put(f.maxCodedWidth, 12);
    w.put(f.maxCodedHeight, 12);
    w.put(f.pulldown, 1);
    w.put(f.interlace, 1);
    w.put(0, 1);  // TFCNTRFLAG
    w.put(0, 1);  // FINTERPFLAG
    w.put(1, 1);  // reserved
    w.put(0, 1);  // PSF
    w.put(f.displayExt, 1);
    if (f.displayExt) {
        w.put(f.dispHorizSize, 14);
        w.put(f.dispVertSize, 14);
        w.put(f.aspectRatioFlag, 1);
        if (f.aspectRatioFlag) {
            w.put(f.aspectRatio, 4);
            if (f.aspectRatio == 15) {
                w.put(f.aspectHorizSize, 8);
                w.put(f.aspectVertSize, 8);
            }
        }
        w.put(f.framerateFlag, 1);
        if (f.framerateFlag) {
            w.put(f.framerateInd, 1);
            if (f.framerateInd) {
                w.put(f.framerateExp, 16);
            } else {
                w.put(f.framerateNr, 8);
                w.put(f.framerateDr, 4);
            }
        }
        w.put(0, 1);  // COLOR_FORMAT_FLAG
    }
    w.put(0, 1);  // HRD_PARAM_FLAG
    return w.withStopBit();
}

Bytes vc1EntryPoint() {
    BitWriter w;
    w.put(0x0000010E, 32);
    w.put(0, 1);  // BROKEN_LINK
    w.put(1, 1);  // CLOSED_ENTRY
    w.put(0, 1);  // PANSCAN_FLAG
    w.put(0, 1);  // REFDIST_FLAG
    w.put(1, 1);  // LOOPFILTER
    w.put(0, 1);  // FASTUVMC
    w.put(0, 1);  // EXTENDED_MV
    w.put(0, 2);  // DQUANT
    w.put(1, 1);  // VSTRANSFORM
    w.put(0, 1);  // OVERLAP
    w.put(0, 2);  // QUANTIZER
    w.put(0, 1);  // CODED_SIZE_FLAG
    w.put(0, 1);  // RANGE_MAPY_FLAG
    w.put(0, 1);  // RANGE_MAPUV_FLAG
    return w.withStopBit();
}

Bytes vc1Frame(std::size_t size) {
    BitWriter w;
    w.put(0x0000010D, 32);
    w.put(0b110, 3);  // PTYPE: I
    w.put(0, 1);      // RNDCTRL
    w.put(5, 5);      // PQINDEX
    w.put(0, 1);      // HALFQP
    return w.withStopBit() + repeat(0x55, size);
}

}  // namespace strandex::test
