// A source that was not decrypted: whichever packets carry the scrambling
// bits, Read EVO, Demux and Rebuild log and write exactly what they do for
// the clear source, then each gives one notice naming the first part that
// was found encrypted. Only headers of the MPEG-2 form count, and Rebuild
// looks at a pack's first packet only.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

#include "cli/memory_front_end.h"
#include "commands/demux_command.h"
#include "commands/encrypted_notice.h"
#include "commands/read_evo.h"
#include "commands/rebuild_command.h"
#include "commands/source_selection.h"
#include "engine/demux.h"
#include "support/command_bench.h"
#include "support/fast_path_check.h"
#include "support/pack_builder.h"

using namespace strandex;
using namespace strandex::test;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

enum class Kind { Vc1, Mpeg2, Lpcm, DdPlus, Subpicture, MpegAudio };
constexpr Kind kKinds[] = {Kind::Vc1, Kind::Mpeg2, Kind::Lpcm, Kind::DdPlus, Kind::Subpicture, Kind::MpegAudio};

// One packet of the kind, its payload filled with the tag; the scrambling
// bits are set when the kind is the one to be scrambled.
Bytes packet(Kind kind, std::uint8_t tag, std::optional<Kind> scrambled, std::uint8_t bits) {
    Pes pes;
    pes.pts = 90000;
    pes.scrambling = scrambled == kind ? bits : 0;
    Bytes data = Bytes{0x0B, 0x77} + repeat(tag, 40);
    switch (kind) {
        case Kind::Vc1:
            pes.streamId = 0xFD;
            pes.dts = 90000;
            pes.streamIdExtension = 0x55;
            pes.payload = Bytes{0x00, 0x00, 0x01, 0x0D} + repeat(tag, 40);
            break;
        case Kind::Mpeg2:
            pes.streamId = 0xE1;
            pes.payload = Bytes{0x00, 0x00, 0x01, 0x00} + repeat(tag, 40);
            break;
        case Kind::Lpcm: pes.streamId = 0xBD; pes.payload = lpcmPayload(0xA0, data); break;
        case Kind::DdPlus: pes.streamId = 0xBD; pes.payload = ac3Payload(0xC1, data); break;
        case Kind::Subpicture: pes.streamId = 0xBD; pes.payload = subpicturePayload(0x20, data); break;
        case Kind::MpegAudio: pes.streamId = 0xC2; pes.payload = data; break;
    }
    return pesPacket(pes);
}

// Two rounds of one pack per kind. The streams come in the order that
// Rebuild numbers them as they are, and the system header's bounds match
// the boxes, so that with every box ticked the rebuilt file is the source.
Bytes feature(std::optional<Kind> scrambled = {}, std::uint8_t bits = 1) {
    Bytes bytes = pack({systemHeader(2, 2)});
    for (std::uint8_t round = 0; round < 2; ++round)
        for (Kind kind : kKinds)
            bytes += pack({packet(kind, static_cast<std::uint8_t>(0x10 * round + static_cast<int>(kind)), scrambled, bits)});
    return bytes;
}

std::string notice(const std::string& name) {
    return name + " is encrypted: its streams cannot be used until it is decrypted.";
}

// What the three commands leave: the log, the notices, the outputs.
struct Runs {
    Lines log;
    Lines notices;
    std::map<std::string, Bytes> outputs;
};

class EncryptedSource : public ::testing::Test, protected CommandBench {
protected:
    std::size_t noticesAtLastLine = 0;  // how many notices stood when the last line was logged

    EncryptedSource() {
        ui.onLog = [this](const std::string&) { noticesAtLastLine = ui.notices.size(); };
        choose("FEATURE_1.EVO");
    }

    // Read EVO, Demux and Rebuild, each notice checked to follow its
    // command's last log line.
    Runs runAll() {
        ui.logLines.clear();
        ui.notices.clear();
        Runs r;
        for (Command command : {bCheckClick, bDemuxClick, bRebuildClick}) {
            std::size_t notices = ui.notices.size();
            command(session);
            EXPECT_LE(ui.notices.size(), notices + 1);
            EXPECT_EQ(noticesAtLastLine, notices) << "a notice before the command's last log line";
        }
        r.log = ui.logLines;
        r.notices = ui.notices;
        for (const auto& entry : fs::directory_iterator(out))
            r.outputs[entry.path().filename().string()] = readFile(entry.path().string());
        return r;
    }
};

}  // namespace

TEST_F(EncryptedSource, EveryCommandRunsAsForTheClearSourceThenTellsOnce) {
    write("FEATURE_1.EVO", feature());
    Runs clear = runAll();
    EXPECT_EQ(clear.notices, Lines{});
    ASSERT_EQ(clear.outputs.size(), 6u);  // five streams and the rebuilt file
    EXPECT_EQ(clear.outputs["FEATURE_1.rebuilt.EVO"], feature());
    for (Kind kind : kKinds) {
        auto bits = static_cast<std::uint8_t>(1 + static_cast<int>(kind) % 3);
        SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind)) + ", bits " + std::to_string(bits));
        Bytes source = feature(kind, bits);
        write("FEATURE_1.EVO", source);
        Runs scrambled = runAll();
        EXPECT_EQ(scrambled.log, clear.log);
        EXPECT_EQ(scrambled.notices, Lines(3, notice("FEATURE_1.EVO")));
        for (auto& [name, bytes] : clear.outputs) {
            // The rebuilt file is the source, the scrambling bits copied as they are.
            const Bytes& expected = name == "FEATURE_1.rebuilt.EVO" ? source : bytes;
            EXPECT_TRUE(scrambled.outputs[name] == expected) << name;
        }
    }
    EXPECT_EQ(notice("FEATURE_1.EVO"),
              "FEATURE_1.EVO is encrypted: its streams cannot be used until it is decrypted.");
    EXPECT_EQ(encryptedNotice("FEATURE_1.EVO"), notice("FEATURE_1.EVO"));
}

TEST_F(EncryptedSource, TheFirstEncryptedPartOfAFeatureIsNamed) {
    // Read EVO reads the first part only; Demux and Rebuild go on into the
    // second.
    write("FEATURE_1.EVO", feature());
    write("FEATURE_2.EVO", feature(Kind::DdPlus));
    EXPECT_EQ(runAll().notices, Lines(2, notice("FEATURE_2.EVO")));
    write("FEATURE_1.EVO", feature(Kind::Vc1));
    EXPECT_EQ(runAll().notices, Lines(3, notice("FEATURE_1.EVO")));
    write("FEATURE_2.EVO", feature());
    EXPECT_EQ(runAll().notices, Lines(3, notice("FEATURE_1.EVO")));
}

TEST_F(EncryptedSource, EachCommandStartsWithoutWhatTheLastOneFound) {
    for (void (*command)(Session&) : {bCheckClick, bDemuxClick, bRebuildClick}) {
        write("FEATURE_1.EVO", feature(Kind::Lpcm));
        bCheckClick(session);
        ASSERT_EQ(ui.notices.size(), 1u);
        write("FEATURE_1.EVO", feature());
        command(session);
        EXPECT_EQ(ui.notices.size(), 1u);
        ui.notices.clear();
    }
}

TEST_F(EncryptedSource, OnlyHeadersOfTheMpeg2FormCountAndRebuildLooksAtFirstPackets) {
    // Bytes that stand where a flags byte would, in packets that have none
    // or in a header without the '10' marker.
    Bytes padding = paddingPacket(40);
    padding[6] = 0xB1;
    Bytes navigation = navigationPacket(repeat(0x91, 30));
    Bytes noMarker = packet(Kind::DdPlus, 0x33, Kind::DdPlus, 0);
    noMarker[6] = 0x71;
    Bytes clearSource = feature();
    for (const Bytes& first : {padding, navigation, noMarker}) {
        write("FEATURE_1.EVO", clearSource + pack({first}));
        EXPECT_EQ(runAll().notices, Lines{});
        EXPECT_FALSE(expectFastEqualsPlain(pack({first}), RunMode::Scan).scrambled);
    }
    // A scrambled packet after the first of its pack: the engine reads it,
    // Rebuild does not look.
    write("FEATURE_1.EVO", clearSource + pack({padding, packet(Kind::DdPlus, 0x44, Kind::DdPlus, 2)}));
    EXPECT_EQ(runAll().notices, Lines(2, notice("FEATURE_1.EVO")));
}
