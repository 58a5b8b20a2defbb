// The fast paths against the plain byte-by-byte rule: the vector frame
// counter against the window counter, and the block walk that skips idle
// bytes and skipped packets in bulk and reads whole PES headers against the
// byte step, over random and
// damaged program streams in both modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "commands/stream_selection.h"
#include "engine/demux.h"
#include "engine/engine_run.h"
#include "support/fast_path_check.h"
#include "support/slot_outputs.h"
#include "support/stream_fuzz.h"
#include "support/subpicture_header.h"

using namespace strandex;
using namespace strandex::test;

namespace {

constexpr VideoCodec kCodecs[] = {VideoCodec::Mpeg2, VideoCodec::H264, VideoCodec::Vc1};

std::uint8_t frameCodeByte(VideoCodec codec) {
    return codec == VideoCodec::H264 ? 0x09 : codec == VideoCodec::Vc1 ? 0x0D : 0x00;
}

// A window as an earlier chunk of the stream may leave it: the start
// value, or four bytes that often end in part of a frame code.
std::uint32_t carriedWindow(Dice& dice, std::uint8_t code) {
    if (dice.chance(20)) return kNoFrameWindow;
    const std::uint8_t parts[] = {0x00, 0x00, 0x01, code, dice.byte()};
    std::uint32_t w = 0;
    for (int k = 0; k < 4; ++k) w = (w << 8) | parts[dice.below(sizeof parts)];
    return w;
}

// Sizes from a few bytes to about 1 MB, most of them small.
std::size_t streamSize(Dice& dice) {
    switch (dice.below(10)) {
        case 0: case 1: case 2: return dice.below(64);
        case 3: case 4: case 5: return dice.below(16384);
        case 6: case 7: return dice.between(16384, kBlockSize + 4096);
        case 8: return kBlockSize * dice.between(1, 2) + dice.below(8) - 4;
        default: return dice.between(300000, 1100000);
    }
}

// Packets of a VC-1 stream that is none of ours, exactly `total` bytes:
// the plain rule takes their payload whole, so they fill a block quickly.
Bytes ignoredPackets(std::size_t total) {
    constexpr std::size_t kHeader = 12;  // start code, length, flags, extension
    Bytes out;
    while (total >= kHeader) {
        std::size_t size = std::min<std::size_t>(total, 60000);
        if (total > size && total - size < kHeader) size -= kHeader;  // room for one more
        Pes pes;
        pes.streamId = 0xFD;
        pes.streamIdExtension = 0x57;
        pes.payload = repeat(0x00, size - kHeader);
        out += pesPacket(pes);
        total -= size;
    }
    return out + repeat(0xFF, total);
}

// Every width this processor can run, the narrowest first.
std::vector<VectorWidth> widths() {
    std::vector<VectorWidth> all;
    for (int w = 0; w <= static_cast<int>(widestVectors()); ++w) all.push_back(static_cast<VectorWidth>(w));
    return all;
}

// Counts the chunk after the start window by the plain rule, then at every
// width and through countFrameCodes (the widest this processor runs): each
// gives the plain count and leaves the plain window. Returns the count.
std::int32_t expectEveryWidthCountsAsPlain(const std::uint8_t* chunk, std::size_t length, VideoCodec codec,
                                           std::uint32_t start) {
    std::uint32_t plainWindow = start;
    std::int32_t plain = countFrameCodesPlain(chunk, length, codec, plainWindow);
    auto expectPlain = [&](std::int32_t count, std::uint32_t window, const char* how) {
        EXPECT_EQ(count, plain) << how << ", " << length << " bytes after window " << std::hex << start << std::dec
                                << ", codec " << static_cast<int>(codec);
        EXPECT_EQ(window, plainWindow) << how;
    };
    for (VectorWidth width : widths()) {
        std::uint32_t window = start;
        std::int32_t count = countFrameCodesWith(chunk, length, codec, width, window);
        expectPlain(count, window, ("vector width " + std::to_string(static_cast<int>(width))).c_str());
    }
    std::uint32_t window = start;
    std::int32_t count = countFrameCodes(chunk, length, codec, window);
    expectPlain(count, window, "the widest width");
    return plain;
}

}  // namespace

TEST(FrameCodesFastPath, EqualsTheWindowCountOnRandomChunks) {
    Dice dice(0x5EED0001);
    std::int64_t total = 0;
    for (int n = 0; n < 12000 && !HasFailure(); ++n) {
        Bytes bytes = startCodeRichBytes(dice, dice.below(601));
        // Chunks that begin with the tail of a start code: 01 xx or 00 01 xx.
        std::uint8_t code = kCodecs[dice.below(3)] == VideoCodec::Mpeg2 ? 0x00 : dice.chance(50) ? 0x09 : 0x0D;
        if (bytes.size() >= 3) {
            Bytes head;
            switch (dice.below(4)) {
                case 0: head = {0x01, code}; break;
                case 1: head = {0x00, 0x01, code}; break;
                case 2: head = {dice.byte(), 0x01, code}; break;
                default: break;
            }
            std::copy(head.begin(), head.end(), bytes.begin());
        }
        // An exact-size copy, so a read past the end shows under ASan.
        std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[bytes.size() + 1]);
        std::copy(bytes.begin(), bytes.end(), chunk.get());
        SCOPED_TRACE("chunk " + std::to_string(n));
        for (VideoCodec codec : kCodecs)
            total += expectEveryWidthCountsAsPlain(chunk.get(), bytes.size(), codec,
                                                   carriedWindow(dice, frameCodeByte(codec)));
    }
    EXPECT_GT(total, 10000);  // the chunks do hold frame codes
}

TEST(FrameCodesFastPath, ShortAndEmptyChunks) {
    for (VideoCodec codec : kCodecs)
        for (std::uint32_t bits = 0; bits < (1u << 12); ++bits) {
            // Every chunk of up to four bytes drawn from 00, 01, 09, 0D.
            static constexpr std::uint8_t kAlphabet[] = {0x00, 0x01, 0x09, 0x0D};
            std::size_t length = bits % 5;
            std::uint8_t chunk[4];
            for (std::size_t k = 0; k < 4; ++k) chunk[k] = kAlphabet[(bits >> (2 * k + 2)) & 3];
            // After the start value, and after every window whose last three
            // bytes are drawn from the same alphabet (a code that ends in the
            // chunk begins at most three bytes before it).
            for (std::uint32_t before = 0; before <= 64; ++before) {
                std::uint32_t start = kNoFrameWindow;
                if (before < 64)
                    for (std::size_t k = 0; k < 3; ++k) start = (start << 8) | kAlphabet[(before >> (2 * k)) & 3];
                expectEveryWidthCountsAsPlain(chunk, length, codec, start);
            }
        }
    // Chunks of up to 39 bytes drawn from the frame code bytes, 01, B5 and
    // 42, after a window of up to four such bytes.
    std::mt19937 rng(1729);
    const std::uint8_t parts[] = {0x00, 0x00, 0x00, 0x01, 0x09, 0x0D, 0xB5, 0x42};
    for (int round = 0; round < 20000 && !HasFailure(); ++round) {
        Bytes data(rng() % 40);
        for (auto& b : data) b = parts[rng() % sizeof parts];
        std::uint32_t start = kNoFrameWindow;
        for (int k = rng() % 5; k > 0; --k) start = (start << 8) | parts[rng() % sizeof parts];
        for (VideoCodec codec : kCodecs) expectEveryWidthCountsAsPlain(data.data(), data.size(), codec, start);
    }
    std::uint32_t window = 0x00000001;
    EXPECT_EQ(countFrameCodes(nullptr, 0, VideoCodec::Mpeg2, window), 0);
    EXPECT_EQ(window, 0x00000001u);
}

// A stream cut into chunks at random places, counted chunk by chunk with
// the window carried, gives at every width the count and the window of the
// whole stream counted by the plain rule in one go.
TEST(FrameCodesFastPath, CarriedWindowCountsTheStreamWhateverItsCuts) {
    Dice dice(0x5EED0002);
    std::int64_t cutCodes = 0;
    for (int n = 0; n < 3000 && !HasFailure(); ++n) {
        Bytes stream = startCodeRichBytes(dice, dice.below(2000));
        std::vector<std::size_t> cuts{0};
        while (cuts.back() < stream.size())
            cuts.push_back(std::min(stream.size(), cuts.back() + (dice.chance(50) ? dice.below(5) : dice.below(300))));
        for (VideoCodec codec : kCodecs) {
            std::uint32_t wholeWindow = kNoFrameWindow;
            std::int32_t whole = countFrameCodesPlain(stream.data(), stream.size(), codec, wholeWindow);
            std::int32_t apart = 0;  // each chunk with a fresh window
            for (VectorWidth width : widths()) {
                std::uint32_t window = kNoFrameWindow;
                std::int32_t count = 0;
                for (std::size_t c = 1; c < cuts.size(); ++c) {
                    // An exact-size copy, so a read past the chunk shows under ASan.
                    std::size_t length = cuts[c] - cuts[c - 1];
                    std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[length + 1]);
                    std::copy_n(stream.begin() + static_cast<long>(cuts[c - 1]), length, chunk.get());
                    count += countFrameCodesWith(chunk.get(), length, codec, width, window);
                    std::uint32_t fresh = kNoFrameWindow;
                    if (width == VectorWidth::Plain) apart += countFrameCodesPlain(chunk.get(), length, codec, fresh);
                }
                EXPECT_EQ(count, whole) << "stream " << n << " of " << stream.size() << " bytes in "
                                        << cuts.size() - 1 << " chunks, codec " << static_cast<int>(codec)
                                        << ", vector width " << static_cast<int>(width);
                EXPECT_EQ(window, wholeWindow);
            }
            cutCodes += whole - apart;
        }
    }
    EXPECT_GT(cutCodes, 1000);  // the cuts do fall inside frame codes
}

TEST(BlockWalkFastPath, EqualsTheByteStepOnRandomStreams) {
    for (std::uint32_t seed = 1; seed <= 120 && !HasFailure(); ++seed) {
        Dice dice(seed);
        bool damaged = seed % 3 != 0;
        Bytes file = randomProgramStream(dice, streamSize(dice), damaged);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(file.size()) + " bytes" +
                     (damaged ? ", damaged" : ""));
        expectFastEqualsPlain(file, RunMode::Scan);
        expectFastEqualsPlain(file, RunMode::Write);
    }
}

TEST(BlockWalkFastPath, StartCodesCutByTheBlockBoundary) {
    // A packet whose start code begins at every offset around the end of
    // the first block, after idle bytes of several kinds.
    Bytes audio = privateStream1(ac3Payload(0x82, {0x0B, 0x77, 0x01, 0x02}), 90000);
    Pes pes;
    pes.streamId = 0xE1;
    pes.payload = {0x00, 0x00, 0x01, 0x00, 0x01, 0x0F};  // an I picture header
    Bytes video = pesPacket(pes);
    for (Bytes lead : {Bytes{0xFF}, Bytes{0x00}, Bytes{0x01}, Bytes{0x00, 0x00, 0x01}}) {
        for (std::size_t r = 0; r <= 12; ++r) {
            Bytes file = ignoredPackets(kBlockSize - r - 64);
            while (file.size() + lead.size() <= kBlockSize - r) file += lead;
            file += repeat(0xFF, kBlockSize - r - file.size()) + audio + video + repeat(0xFF, 3000);
            SCOPED_TRACE("lead " + std::to_string(lead.size()) + " bytes, start code at " + std::to_string(r) +
                         " bytes before the boundary");
            Outcome plain = expectFastEqualsPlain(file, RunMode::Scan);
            EXPECT_EQ(plain.log, (std::vector<std::string>{"DD audio stream 2 found!", "   First PTS = 00015F90",
                                                           "MPEG-2 video stream 1 found!", "   First PTS = 00000000"}));
            EXPECT_EQ(plain.frames[1], 1);
        }
    }
}

TEST(BlockWalkFastPath, RandomStreamsExerciseThePaths) {
    // The generator must reach what the comparison above relies on: streams
    // found in every kind of slot, frames counted, outputs written.
    Dice dice(77);
    Bytes file = randomProgramStream(dice, 900000, false);
    Outcome scan = runEngine(file, RunMode::Scan, false);
    int found = 0;
    for (auto id : scan.videoIds) found += id >= 0;
    for (auto id : scan.audioIds) found += id >= 0;
    for (auto id : scan.subIds) found += id >= 0;
    EXPECT_GT(found, 20);
    EXPECT_GT(scan.frames[0] + scan.frames[1], 100);
    Outcome write = runEngine(file, RunMode::Write, false);
    std::size_t written = 0;
    for (const Bytes& out : write.outputs) written += out.size();
    EXPECT_GT(written, file.size() / 10);
}

TEST(BlockWalkFastPath, EachOutputHoldsOnlyItsOwnStream) {
    std::vector<Box> boxes = slotBoxes();
    for (std::uint32_t seed = 500; seed < 512 && !HasFailure(); ++seed) {
        Dice dice(seed);
        TaggedStream stream = taggedProgramStream(dice, seed % 2 ? 700000 : 40000);
        SCOPED_TRACE("seed " + std::to_string(seed));
        for (bool plain : {true, false}) {
            Outcome o = runEngine(stream.bytes, RunMode::Write, plain);
            for (std::size_t k = 0; k < boxes.size(); ++k) {
                int slot = k < 2 ? static_cast<int>(k) : static_cast<int>((k - 2) % 16);
                const auto& firsts = k < 2 ? stream.firstInVideoSlot : k < 18 ? stream.firstInAudioSlot
                                                                              : stream.firstInSubSlot;
                auto first = firsts.find(slot);
                const Bytes& out = o.outputs[k];
                if (first == firsts.end()) {
                    EXPECT_TRUE(out.empty()) << boxName(boxes[k]);
                    continue;
                }
                // Subpicture outputs may hold "SP" + PTS + four zero bytes
                // before a packet's bytes; everything else is the tag.
                Bytes payload;
                for (std::size_t p = 0; p < out.size();) {
                    if (k >= 18 && out[p] == 'S' && p + kSubpictureHeaderSize <= out.size()) {
                        EXPECT_EQ(out[p + 1], 'P') << boxName(boxes[k]) << " at " << p;
                        EXPECT_EQ(Bytes(out.begin() + static_cast<long>(p) + 6,
                                        out.begin() + static_cast<long>(p + kSubpictureHeaderSize)),
                                  Bytes(4, 0));
                        p += kSubpictureHeaderSize;
                    } else {
                        payload.push_back(out[p++]);
                    }
                }
                std::uint8_t tag = streamTag(first->second);
                auto foreign = std::count_if(payload.begin(), payload.end(), [tag](std::uint8_t b) { return b != tag; });
                EXPECT_EQ(foreign, 0) << boxName(boxes[k]) << " holds bytes of other streams";
                EXPECT_EQ(payload.size(), stream.payloadBytes[first->second])
                    << boxName(boxes[k]) << " holds stream " << first->second;
            }
        }
    }
}
