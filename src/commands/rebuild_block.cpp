#include "commands/rebuild_block.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "commands/rebuild_packs.h"
#include "engine/demux.h"
#include "engine/time_text.h"

namespace strandex {

namespace {

// Bytes 23 and 24 (the system header's bounds) and the byte that names the
// first packet's stream, 22 or 23 bytes past the PES header data length in
// byte 22, are all the rules ever read or rewrite; the rest of a kept pack
// goes out as it stands.
std::size_t headOf(const std::uint8_t* pack, std::size_t n) {
    if (n <= 22) return n;
    return std::min<std::size_t>(n, std::max<std::size_t>(25, 24 + std::size_t{pack[22]}));
}

void showProgress(Session& session, std::int64_t position, double startTime) {
    const SourceFile& source = session.table.SourceStream;
    double elapsed = (secondsNow() - startTime) / kSecondsPerDay;
    session.ui.slog(progressText("Rebuilding", source.name(), position, source.size(), elapsed), 1);
    session.ui.processEvents();
}

// Kept packs that lie back to back in the block until a dropped or a
// rewritten one: each such run goes to the output in one append.
struct KeptRun {
    OutputFile& out;
    bool shared;
    const std::uint8_t* start = nullptr;
    std::size_t length = 0;

    void put(const std::uint8_t* data, std::size_t n) {
        if (shared)
            out.appendShared(data, n);
        else
            out.append(data, n);
    }
    void add(const std::uint8_t* pack, std::size_t n) {
        if (length == 0) start = pack;
        length += n;
    }
    void write() {
        if (length > 0) put(start, length);
        length = 0;
    }
};

}  // namespace

void RebuildBlock::packs(const std::uint8_t* block, std::size_t got, std::int64_t blockStart, bool shared) {
    StreamTable& t = session.table;
    FrontEnd& ui = session.ui;
    KeptRun run{out, shared};
    std::array<std::uint8_t, kPackSize> head{};
    for (std::size_t at = 0; at < got && t.StopFlag == 0; at += kPackSize) {
        std::size_t n = std::min(kPackSize, got - at);
        std::int64_t end = blockStart + static_cast<std::int64_t>(at + n);
        if (end % kProgressEvery == 0) showProgress(session, end, startTime);
        const std::uint8_t* pack = block + at;
        if (packScrambled(pack, n)) t.Scrambled = true;
        // The rules work on a copy of the head: the block may be the
        // source's own pages, which are read-only. Only the head is
        // copied, since the processor need touch nothing else of the pack.
        std::size_t h = headOf(pack, n);
        std::memcpy(head.data(), pack, h);
        if (!rebuildPack(head.data(), n, t, ui, numbering)) {
            run.write();
            continue;
        }
        if (std::memcmp(head.data(), pack, h) == 0) {
            run.add(pack, n);
            continue;
        }
        run.write();
        out.append(head.data(), h);
        run.put(pack + h, n - h);
    }
    run.write();
}

}  // namespace strandex
