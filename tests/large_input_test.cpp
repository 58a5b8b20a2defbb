// A source of more than 4 GiB: a sparse file with real packs at its start
// and just before its end, zeros (a hole) between. Read EVO with and
// without fast checking, and Demux, must give 64-bit sizes, positions and
// progress lines, reach the packs at the end, and show a playing time of
// more than 24 hours wrapped around the clock.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "cli/memory_front_end.h"
#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "commands/source_selection.h"
#include "support/engine_checks.h"
#include "support/pack_builder.h"
#include "support/subpicture_header.h"

using namespace strandex;
using namespace strandex::test;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr std::int64_t kGiB = std::int64_t{1} << 30;
// Ends with a short block; 5120 whole MiB.
constexpr std::int64_t kSize = 5 * kGiB + 4321;
// The packs at the end start here, on a pack boundary past 4 GiB, so no
// packet is cut by a block boundary.
constexpr std::int64_t kTailAt = 5 * kGiB - 65536;
// Frame start codes in the first packs: with those at the end, more than
// 24 hours at either frame rate.
constexpr int kHeadFrames = 2200000;
constexpr int kTailFrames = 1000;

// Packs of VC-1 video slot 0 holding n frame start codes, nothing else.
// The full packs are all alike, so one is built and copied.
Bytes framePacks(int n, Bytes& video) {
    constexpr int kPerPack = 500;
    auto frames = [](int count) {
        Bytes payload;
        for (int f = 0; f < count; ++f) payload += {0x00, 0x00, 0x01, 0x0D};
        return payload;
    };
    Bytes payload = frames(kPerPack);
    Bytes full = pack({vc1Packet(0x55, payload)});
    Bytes out;
    out.reserve((static_cast<std::size_t>(n) / kPerPack + 1) * kPackSize);
    video.reserve(video.size() + 4 * static_cast<std::size_t>(n));
    for (int k = 0; k < n; k += kPerPack) {
        bool whole = n - k >= kPerPack;
        Bytes last = whole ? Bytes{} : frames(n - k);
        out += whole ? full : pack({vc1Packet(0x55, last)});
        video += whole ? payload : last;
    }
    return out;
}

struct BigSource {
    std::string folder;
    std::string path;
    Bytes video, headAudio, tailAudio, tailSub;
};

// Memory when it can hold the folder (the hole costs nothing there, and a
// hole read from it is only a copy of zeros), else the temporary folder.
std::string bigFolder() {
    std::error_code ec;
    fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                        ? fs::path("/dev/shm")
                        : fs::temp_directory_path();
    std::string pattern = (base / "strandex-large-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void writeAt(int fd, const Bytes& bytes, std::int64_t at) {
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), static_cast<ssize_t>(bytes.size()));
}

class LargeInput : public ::testing::Test {
protected:
    static inline BigSource* big = nullptr;

    static void SetUpTestSuite() {
        big = new BigSource;
        big->folder = bigFolder();
        big->path = big->folder + "/BIG.EVO";
        big->headAudio = Bytes{0x0B, 0x77} + repeat(0xA1, 300);
        Bytes head = pack({systemHeader(2, 1), privateStream1(ac3Payload(0x80, big->headAudio), 180000)}) +
                     framePacks(kHeadFrames, big->video);
        big->tailAudio = Bytes{0x0B, 0x77} + repeat(0xB2, 500);
        Bytes sub{0x00, 0x20, 0x00, 0x10, 0xC3};
        big->tailSub = subpictureHeader(200000) + sub;
        Bytes tail = pack({privateStream1(ac3Payload(0x89, big->tailAudio), 190000),
                           privateStream1(subpicturePayload(0x22, sub), 200000)}) +
                     framePacks(kTailFrames, big->video);
        int fd = ::open(big->path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        writeAt(fd, head, 0);
        writeAt(fd, tail, kTailAt);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        ::close(fd);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(big->folder, ec);
        delete big;
        big = nullptr;
    }

    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    TempDir out;
    Lines progress;  // every progress line, in order

    LargeInput() {
        ui.setText(Edit::eWorkdir, out.path());
        ui.setTicked(Box::cbFastCheck, false);
        // Called on a change of either panel; a progress line stays on
        // panel 1 while panel 0 changes.
        ui.onStatus = [this] {
            const std::string& line = ui.panels[1];
            if (line.find(" Mbytes, Remaining time: ") != std::string::npos && (progress.empty() || progress.back() != line))
                progress.push_back(line);
        };
        ui.setText(Edit::eEVOfile, big->path);
        EVOadj(session, dialogs);
    }
    Lines click(void (*command)(Session&)) {
        std::size_t before = ui.logLines.size();
        progress.clear();
        command(session);
        return Lines(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end());
    }
    // One line every 4 MiB read, from 4 to `lastMiB`, each a 64-bit count.
    void expectProgress(const std::string& verb, std::int64_t lastMiB) {
        ASSERT_EQ(progress.size(), static_cast<std::size_t>(lastMiB / 4));
        for (std::size_t k = 0; k < progress.size(); ++k) {
            std::string start = " " + verb + " BIG.EVO " + std::to_string(4 * (k + 1)) + "/5120 Mbytes, Remaining time: ";
            ASSERT_EQ(progress[k].rfind(start, 0), 0u) << progress[k];
        }
    }
};

}  // namespace

TEST_F(LargeInput, FastCheckStopsAfterThreeHundredMegabytes) {
    ui.setTicked(Box::cbFastCheck, true);
    EXPECT_EQ(click(bCheckClick),
              (Lines{"Opening file BIG.EVO", "File size: 5120 Mbytes.", "It contains 1 video stream and 2 audio streams.",
                     "DD audio stream 0 found!", "   First PTS = 0002BF20", "VC-1 video stream 0 found!",
                     "   First PTS = 00015F90", "Done."}));
    EXPECT_EQ(session.table.StopFlag, 1);
    expectProgress("Reading", 284);
}

TEST_F(LargeInput, WholeFileReachesThePacksPastFourGibibytes) {
    EXPECT_EQ(click(bCheckClick),
              (Lines{"Opening file BIG.EVO", "File size: 5120 Mbytes.", "It contains 1 video stream and 2 audio streams.",
                     "DD audio stream 0 found!", "   First PTS = 0002BF20", "VC-1 video stream 0 found!",
                     "   First PTS = 00015F90", "DTS HD audio stream 1 found!", "   First PTS = 0002E630",
                     "Subpicture stream 2 found!", "   First PTS = 00030D40", "Done.",
                     // 2201000 x 1001 / 24000 s is 25:30:00.04, shown past midnight.
                     "2201000 frames (1:30:00 s) count in video stream 0."}));
    EXPECT_EQ(session.table.StopFlag, 0);
    expectProgress("Reading", 5120);
    EXPECT_EQ(ui.panels[0], " Ready");
    EXPECT_FALSE(session.table.SourceStream.isOpen());
}

TEST_F(LargeInput, DemuxWritesThePayloadsFromBothEnds) {
    click(bCheckClick);
    std::string o = out.path() + "/";
    EXPECT_EQ(click(bDemuxClick),
              (Lines{"Opening file BIG.EVO", "File size: 5120 Mbytes.", "Creating " + o + "BIG.VC-1.stream.0.mpv",
                     "Creating " + o + "BIG.DD.stream.00.mpa", "Creating " + o + "BIG.DTSHD.stream.01.mpa",
                     "Creating " + o + "BIG.Subpicture.02.sup", "Done.",
                     // 2201000 / 23.976 s is 25:30:00.13.
                     "2201000 frames (1:30:00 s) count in video stream 0."}));
    expectProgress("Demuxing", 5120);
    EXPECT_EQ(filesIn(out.path()), (Lines{"BIG.DD.stream.00.mpa", "BIG.DTSHD.stream.01.mpa", "BIG.Subpicture.02.sup",
                                          "BIG.VC-1.stream.0.mpv"}));
    EXPECT_TRUE(readFile(o + "BIG.VC-1.stream.0.mpv") == big->video);
    EXPECT_EQ(readFile(o + "BIG.DD.stream.00.mpa"), big->headAudio);
    EXPECT_EQ(readFile(o + "BIG.DTSHD.stream.01.mpa"), big->tailAudio);
    EXPECT_EQ(readFile(o + "BIG.Subpicture.02.sup"), big->tailSub);
}
