// Reading the source through a mapping against reading it with read():
// the same logs, errors and output bytes on random and damaged streams, at
// every window size, for a file cut under the reader anywhere, and for a
// disk that fails; a cut the checks cannot see is an error, not a crash;
// and what the mapping holds resident stays within a window or two.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sys/mman.h>
#include <unistd.h>

#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "commands/rebuild_command.h"
#include "engine/demux.h"
#include "engine/file_io.h"
#include "support/command_bench.h"
#include "support/engine_checks.h"
#include "support/engine_harness.h"
#include "support/failing_files.h"
#include "support/fast_path_check.h"
#include "support/stream_fuzz.h"

using namespace strandex;
using namespace strandex::test;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr std::size_t kPage = 4096;
constexpr std::size_t kPackSize = 2048;
// Windows smaller than, equal to and larger than a block, and one that is
// not a multiple of it, so drops fall inside blocks and between them.
constexpr std::size_t kWindows[] = {kPage, 64 * 1024, kBlockSize, 3 * kBlockSize, kMapWindow};

std::size_t streamSize(Dice& dice) {
    // Most within a block or two, some across several windows.
    return dice.chance(70) ? dice.between(20000, 700000) : dice.between(700000, 2600000);
}

TEST(MappedReading, EngineEqualsReadOnRandomStreamsAtEveryWindow) {
    for (std::uint32_t seed = 1; seed <= 60 && !HasFailure(); ++seed) {
        Dice dice(seed * 7919);
        bool damaged = seed % 3 != 0;
        Bytes file = randomProgramStream(dice, streamSize(dice), damaged);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(file.size()) + " bytes" +
                     (damaged ? ", damaged" : ""));
        std::size_t window = kWindows[seed % std::size(kWindows)];
        expectMappedEqualsRead(file, RunMode::Scan, window);
        expectMappedEqualsRead(file, RunMode::Write, window);
    }
}

TEST(MappedReading, SourceSizesAroundPagesAndBlocks) {
    // The last page of the file partly filled, full, and the file ending
    // on a block or window boundary or just past one.
    Dice dice(4242);
    Bytes stream = randomProgramStream(dice, 2 * kBlockSize + 3 * kPage, false);
    for (std::size_t size : {std::size_t{1}, kPage - 1, kPage, kPage + 1, kBlockSize - 1, kBlockSize,
                             kBlockSize + 1, 2 * kBlockSize, 2 * kBlockSize + kPage + 17}) {
        SCOPED_TRACE("size " + std::to_string(size));
        Bytes file(stream.begin(), stream.begin() + static_cast<long>(size));
        expectMappedEqualsRead(file, RunMode::Scan, kPage);
        expectMappedEqualsRead(file, RunMode::Write, kBlockSize);
    }
}

// What one command left: its error, its log lines and the files of the
// output folder.
struct CommandRun {
    std::string error;
    Lines log;
    std::map<std::string, Bytes> files;
    bool operator==(const CommandRun&) const = default;
};

std::string describe(const CommandRun& r) {
    std::string text = "error \"" + r.error + "\", " + std::to_string(r.log.size()) + " lines";
    for (const auto& [name, bytes] : r.files) text.append(", ").append(name).append(" ").append(std::to_string(bytes.size()));
    return text;
}

// The runs' folders differ; what they hold must not.
std::string withoutFolder(std::string text, const std::string& folder) {
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;) text.replace(at, folder.size(), "DIR");
    return text;
}

// The fault a run meets, set on the failing file layer before it starts.
using Fault = std::function<void(FailingFiles&)>;

// Read EVO, then Demux, Rebuild and Read EVO again as a user runs them on
// the source, with some of the streams found unticked; each of the three
// meets the fault, on a fresh copy of the source.
std::vector<CommandRun> runCommands(const Bytes& source, Reading reading, std::uint32_t seed, const Fault& fault) {
    CommandBench bench;
    bench.session.mapSource = reading.mapped;
    bench.session.mapWindow = reading.window;
    bench.write("FEATURE_1.EVO", source);
    bench.readEvo();
    Dice dice(seed);
    for (Box box : enabledBoxes(bench.ui))
        if (dice.chance(30)) bench.ui.setTicked(box, false);
    std::vector<CommandRun> runs;
    for (CommandBench::Command command : {bDemuxClick, bRebuildClick, bCheckClick}) {
        bench.write("FEATURE_1.EVO", source);
        for (const auto& entry : fs::directory_iterator(bench.out)) fs::remove(entry.path());
        CommandRun run;
        {
            FailingFiles files;
            fault(files);
            run.error = bench.run(command, &run.log);
        }
        run.error = withoutFolder(run.error, bench.dir.path());
        for (std::string& line : run.log) line = withoutFolder(line, bench.dir.path());
        for (const std::string& name : filesIn(bench.out)) run.files[name] = bench.output(name);
        EXPECT_FALSE(bench.anyOutputOpen());
        EXPECT_FALSE(bench.session.table.SourceStream.isOpen());
        runs.push_back(run);
    }
    return runs;
}

void expectSameCommands(const Bytes& source, std::size_t window, std::uint32_t seed, const Fault& fault) {
    std::vector<CommandRun> read = runCommands(source, Reading{false, window}, seed, fault);
    std::vector<CommandRun> mapped = runCommands(source, Reading{true, window}, seed, fault);
    const char* names[] = {"Demux", "Rebuild", "Read EVO"};
    for (std::size_t k = 0; k < read.size(); ++k)
        EXPECT_TRUE(read[k] == mapped[k]) << names[k] << ": read() " << describe(read[k]) << "\n mapping "
                                          << describe(mapped[k]);
}

TEST(MappedReading, CommandsEqualReadOnRandomStreams) {
    for (std::uint32_t seed = 1; seed <= 16 && !HasFailure(); ++seed) {
        Dice dice(seed * 104729);
        Bytes file = randomProgramStream(dice, streamSize(dice), seed % 2 == 0);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(file.size()) + " bytes");
        expectSameCommands(file, kWindows[seed % std::size(kWindows)], seed, [](FailingFiles&) {});
    }
}

// The sizes a file may be cut to when the reader reaches `at`: behind it,
// inside the block it is about to read (on a page boundary, inside a page,
// a byte before the block's end), at a window's end, and past the block.
std::vector<std::int64_t> cutSizes(Dice& dice, std::int64_t at, std::int64_t size) {
    auto page = static_cast<std::int64_t>(kPage);
    auto block = static_cast<std::int64_t>(kBlockSize);
    std::vector<std::int64_t> sizes{at - 1000, at, at + page, at + page + 1 + dice.below(4000), at + block - 1,
                                    at + block + dice.below(3 * kBlockSize)};
    std::vector<std::int64_t> fitting;
    for (std::int64_t s : sizes)
        if (s >= 0 && s < size) fitting.push_back(s);
    return fitting;
}

TEST(MappedReading, FileCutUnderTheReaderEndsAsWithRead) {
    for (std::uint32_t seed = 1; seed <= 10 && !HasFailure(); ++seed) {
        Dice dice(seed * 31337);
        Bytes file = randomProgramStream(dice, dice.between(900000, 1800000), seed % 3 == 0);
        auto size = static_cast<std::int64_t>(file.size());
        // The reader reaches a block start; in the mapped run the cut falls
        // after the file's size was looked at, as another program's would.
        auto at = static_cast<std::int64_t>(kBlockSize) * dice.between(0, static_cast<std::uint32_t>(size / kBlockSize));
        for (std::int64_t cut : cutSizes(dice, at, size)) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ": cut to " + std::to_string(cut) + " at " +
                         std::to_string(at));
            expectSameCommands(file, kWindows[(seed + static_cast<std::uint32_t>(cut)) % std::size(kWindows)], seed,
                               [at, cut](FailingFiles& f) { f.cutWhenReached("FEATURE_1.EVO", at, cut); });
        }
    }
}

TEST(MappedReading, FileGrownUnderTheReaderEndsAsWithRead) {
    // Grown when the reader reaches its last block, the file gives that
    // block as it now stands, past the size it had when it was opened: the
    // packet it ended in goes on into the new bytes.
    for (std::uint32_t seed = 1; seed <= 4 && !HasFailure(); ++seed) {
        Dice dice(seed * 577);
        Bytes file = pack({systemHeader(1, 1)});
        while (file.size() < dice.between(300000, 900000)) {
            auto tag = dice.byte();
            file += pack({vc1Packet(0x55, Bytes{0x00, 0x00, 0x01, 0x0D} + repeat(tag, 600)),
                          privateStream1(ac3Payload(0xC0, Bytes{0x0B, 0x77} + repeat(tag, 500)), 90000)});
        }
        file.resize(file.size() - dice.between(100, 1000));
        auto size = static_cast<std::int64_t>(file.size());
        std::int64_t last = (size - 1) / static_cast<std::int64_t>(kBlockSize) * static_cast<std::int64_t>(kBlockSize);
        std::int64_t grown = size + dice.between(1, 3 * kBlockSize);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": grown to " + std::to_string(grown));
        expectSameCommands(file, kBlockSize, seed,
                           [last, grown](FailingFiles& f) { f.cutWhenReached("FEATURE_1.EVO", last, grown); });
    }
}

TEST(MappedReading, DiskErrorEndsAsWithRead) {
    for (std::uint32_t seed = 1; seed <= 12 && !HasFailure(); ++seed) {
        Dice dice(seed * 2749);
        Bytes file = randomProgramStream(dice, dice.between(600000, 1500000), false);
        auto at = static_cast<std::int64_t>(dice.below(static_cast<std::uint32_t>(file.size())));
        if (seed % 3 == 0) at = at / kBlockSize * kBlockSize;
        int err = seed % 2 ? EIO : ENOMEM;
        SCOPED_TRACE("seed " + std::to_string(seed) + ": fails at " + std::to_string(at));
        expectSameCommands(file, kBlockSize, seed, [at, err](FailingFiles& f) { f.failReadAt("FEATURE_1.EVO", at, err); });
    }
}

TEST(MappedReading, FileThatCannotBeMappedIsRead) {
    Dice dice(99);
    Bytes file = randomProgramStream(dice, 900000, false);
    std::vector<CommandRun> read = runCommands(file, Reading{false}, 5, [](FailingFiles&) {});
    std::vector<CommandRun> refused = runCommands(file, Reading{true}, 5, [](FailingFiles& f) { f.refuseMapping(); });
    EXPECT_TRUE(read == refused);

    TempDir dir;
    SourceFile source;
    source.open(dir.write("a.evo", file));
    std::vector<std::uint8_t> buffer(kBlockSize);
    std::size_t got = 0;
    {
        FailingFiles files;
        files.refuseMapping();
        EXPECT_FALSE(source.map(kMapWindow));
        EXPECT_EQ(source.nextBlock(buffer.data(), kBlockSize, got), buffer.data());
    }
    // Mapped from where read() left it, and read() again after.
    ASSERT_TRUE(source.map(kMapWindow));
    const std::uint8_t* view = source.nextBlock(buffer.data(), kBlockSize, got);
    EXPECT_NE(view, buffer.data());
    EXPECT_TRUE(Bytes(view, view + got) == Bytes(file.begin() + kBlockSize, file.begin() + 2 * kBlockSize));
    source.unmap();
    EXPECT_EQ(source.nextBlock(buffer.data(), kBlockSize, got), buffer.data());
    EXPECT_TRUE(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(got)) ==
                Bytes(file.begin() + 2 * kBlockSize, file.begin() + 3 * kBlockSize));
}

TEST(MappedReading, CutTheChecksCannotSeeIsAReadErrorNotACrash) {
    // The file is cut while the pages of a block pass for readable: its
    // bytes past the cut fault as they are read, read as zeros, and the run
    // stops at the block's end with the read error; everything before the
    // block is written as it is.
    Dice dice(2024);
    TaggedStream stream = taggedProgramStream(dice, 1400000);
    const auto at = static_cast<std::int64_t>(3 * kBlockSize);
    std::vector<CommandRun> upToBlock =
        runCommands(stream.bytes, Reading{false}, 1, [at](FailingFiles& f) { f.cutWhenReached("FEATURE_1.EVO", at, at); });
    std::vector<CommandRun> hidden = runCommands(stream.bytes, Reading{true}, 1, [at](FailingFiles& f) {
        f.cutWhenReached("FEATURE_1.EVO", at, at + 100);
        f.hideCuts("FEATURE_1.EVO");
    });
    for (std::size_t k = 0; k < hidden.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_NE(hidden[k].error.find("Cannot read file"), std::string::npos) << hidden[k].error;
        EXPECT_NE(hidden[k].error.find("Input/output error"), std::string::npos) << hidden[k].error;
        for (const auto& [name, bytes] : upToBlock[k].files) {
            SCOPED_TRACE(name);
            ASSERT_GE(hidden[k].files[name].size(), bytes.size());
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), hidden[k].files[name].begin()));
        }
    }
}

TEST(MappedReadingDeathTest, FaultOutsideTheGuardedMappingStaysFatal) {
    TempDir dir;
    std::string path = dir.write("other.bin", repeat(0x11, 3 * kPage));
    auto touchCutPage = [&path] {
        int fd = ::open(path.c_str(), O_RDWR);
        auto* bytes = static_cast<volatile std::uint8_t*>(::mmap(nullptr, 3 * kPage, PROT_READ, MAP_SHARED, fd, 0));
        if (::ftruncate(fd, 0) != 0) return;
        std::printf("%d\n", bytes[2 * kPage]);
    };
    // The guard is in place once a source has been mapped.
    SourceFile source;
    source.open(dir.write("a.evo", repeat(0, kBlockSize)));
    ASSERT_TRUE(source.map(kMapWindow));
    EXPECT_DEATH(touchCutPage(), "");
    EXPECT_DEATH(std::raise(SIGBUS), "");
}

long residentPages() {
    std::ifstream statm("/proc/self/statm");
    long total = 0, resident = 0;
    statm >> total >> resident;
    return resident;
}

TEST(MappedReading, ResidentPagesStayWithinTwoWindows) {
    // 96 MiB of packs: mapped whole, the reader's pages dropped behind it.
    TempDir dir;
    Bytes packs;
    while (packs.size() < kBlockSize) packs += pack({});
    std::string path = dir.file("big.evo");
    {
        std::ofstream out(path, std::ios::binary);
        for (int k = 0; k < 384; ++k) out.write(reinterpret_cast<const char*>(packs.data()), static_cast<long>(packs.size()));
    }
    Harness h;
    long start = residentPages();
    long most = start;
    h.ui.onEvents = [&] { most = std::max(most, residentPages()); };
    h.session.table.SourceStream.open(path);
    demux(h.session, RunMode::Scan);
    h.session.table.SourceStream.close();
    long grown = (most - start) * static_cast<long>(kPage);
    EXPECT_LT(grown, static_cast<long>(2 * kMapWindow + kBlockSize)) << grown << " bytes";
    EXPECT_GT(most, start) << "the events did come";
}

// The output file's pieces: bytes copied into its buffer and shared bytes
// written from where they stand, in any mix, with writes that come back
// short, and more pieces than one write takes.
TEST(OutputPieces, EqualTheBytesAppendedInOrder) {
    TempDir dir;
    Dice dice(8);
    Bytes shared = startCodeRichBytes(dice, 1024 * 1024);
    for (std::uint32_t round = 0; round < 12 && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        FailingFiles files;
        if (round % 3 == 1) files.limitWrites(dice.between(3000, 40000));
        std::string path = dir.file("out" + std::to_string(round));
        OutputFile out;
        out.create(path, round % 2 ? OutputFile::kBufferSize : OutputFile::kLargeBufferSize);
        Bytes expected;
        int steps = static_cast<int>(dice.between(1, 2500));
        for (int k = 0; k < steps; ++k) {
            std::size_t n = dice.chance(97) ? dice.between(0, 2100) : dice.between(0, 500000);
            std::size_t from = dice.below(static_cast<std::uint32_t>(shared.size() - n));
            if (k > 0 && dice.chance(20)) from = std::min(from, shared.size() - n);  // often back to back
            const std::uint8_t* data = shared.data() + from;
            if (dice.chance(60))
                out.appendShared(data, n);
            else
                out.append(data, n);
            expected.insert(expected.end(), data, data + n);
            if (dice.chance(1)) out.flush();
            if (dice.chance(1) && expected.size() > 8) {
                Bytes mark{0xAB, 0xCD};
                std::size_t where = dice.below(static_cast<std::uint32_t>(expected.size() - 2));
                out.writeAt(static_cast<std::int64_t>(where), mark.data(), mark.size());
                std::copy(mark.begin(), mark.end(), expected.begin() + static_cast<long>(where));
            }
        }
        out.close();
        Bytes written = readFile(path);
        EXPECT_EQ(written.size(), expected.size());
        EXPECT_TRUE(written == expected);
    }
}

TEST(OutputPieces, SharedBytesBackToBackGoOutInWritesOfTheLargestSize) {
    // Kept packs of a rebuild lie back to back: 4096 of them (8 MiB) go
    // out in four writes of 2 MiB, not in 4096 pieces.
    TempDir dir;
    Bytes shared = repeat(0x5A, 4096 * kPackSize);
    int writes = 0;
    FileCalls saved = fileCalls;
    static int* counter = nullptr;
    counter = &writes;
    fileCalls.writev = [](int fd, const iovec* pieces, int count) {
        ++*counter;
        return ::writev(fd, pieces, count);
    };
    OutputFile out;
    out.create(dir.file("rebuilt"));
    for (std::size_t k = 0; k < 4096; ++k) out.appendShared(shared.data() + k * kPackSize, kPackSize);
    out.close();
    fileCalls = saved;
    EXPECT_EQ(writes, static_cast<int>(shared.size() / OutputFile::kMaxSharedBytes));
    EXPECT_TRUE(readFile(dir.file("rebuilt")) == shared);
}

}  // namespace
