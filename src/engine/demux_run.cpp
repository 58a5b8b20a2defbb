// The run loop of the engine: 256 KiB blocks, progress every 4 MiB, the
// fast-check limit, and the stream-count line of the first block.
#include "engine/demux.h"

#include "engine/engine_run.h"
#include "engine/source_blocks.h"
#include "engine/time_text.h"

namespace strandex {

namespace {

constexpr std::int64_t kRepaintEvery = 67108864;  // 64 MiB
constexpr std::int64_t kFastCheckLimit = 300000000;

void startRun(Session& session, EngineRun& run, RunMode mode) {
    session.ui.setEnabled(Button::bCancel, true);
    session.table.StopFlag = 0;
    session.table.BusyFlag = mode == RunMode::Write ? 1 : 0;
    run.state = DemuxState{};
    run.state.Mode = mode;
    run.state.StartTime = secondsNow();
    resetForRun(session.table);
}

void afterRead(Session& session, EngineRun& run, std::int64_t position) {
    StreamTable& t = session.table;
    FrontEnd& ui = session.ui;
    RunMode mode = run.state.Mode;
    if (position % kProgressEvery == 0) {
        double elapsed = (secondsNow() - run.state.StartTime) / kSecondsPerDay;
        ui.slog(progressLine(mode, t.SourceStream.name(), position, t.SourceStream.size(), elapsed),
                1);
        ui.processEvents();
    }
    if (mode == RunMode::Scan && position > kFastCheckLimit && ui.ticked(Box::cbFastCheck))
        t.StopFlag = 1;
    if (position % kRepaintEvery == 0) ui.repaint();
    // Bytes 14..17 of a pack header without stuffing are followed by the
    // system header's start code; only its last two bytes are looked at.
    if (mode == RunMode::Scan && position == static_cast<std::int64_t>(kBlockSize) &&
        run.buffer[16] == 0x01 && run.buffer[17] == 0xBB)
        ui.log(streamCountLine(run.buffer));
}

}  // namespace

std::string progressText(const std::string& verb, const std::string& fileName, std::int64_t position,
                         std::int64_t size, double elapsedDays) {
    double remaining = elapsedDays * static_cast<double>(size) / static_cast<double>(position) -
                       elapsedDays + 1.0 / kSecondsPerDay;
    return verb + " " + fileName + " " + std::to_string(position / kMiB) + "/" +
           std::to_string(size / kMiB) + " Mbytes, Remaining time: " + timeText(remaining);
}

std::string progressLine(RunMode mode, const std::string& fileName, std::int64_t position,
                         std::int64_t size, double elapsedDays) {
    return progressText(mode == RunMode::Scan ? "Reading" : "Demuxing", fileName, position, size, elapsedDays);
}

std::string streamCountLine(const std::uint8_t* block) {
    int video = block[24] & 0x1F;         // video_bound
    int audio = (block[23] >> 2) & 0x3F;  // audio_bound
    return "It contains " + std::to_string(video) + " video stream" + (video > 1 ? "s" : "") +
           " and " + std::to_string(audio) + " audio stream" + (audio > 1 ? "s." : ".");
}

void demux(Session& session, RunMode mode) {
    StreamTable& t = session.table;
    EngineRun run{session, t, session.ui, t.ReadBuffer.get(), {}, false};
    startRun(session, run, mode);
    SourceFile& source = t.SourceStream;
    SourceBlocks blocks(session);
    while (source.position() < source.size() && t.StopFlag == 0) {
        std::size_t blockLength = 0;
        run.buffer = blocks.next(blockLength);
        run.sharedBytes = blocks.shared();
        afterRead(session, run, source.position());
        try {
            examineBlock(run, blockLength);
        } catch (const FileError&) {
            blocks.rethrowAsSourceError();
        }
    }
    blocks.finish();
    if (t.StopFlag) resetFrameCounts(t);
    session.ui.setEnabled(Button::bCancel, false);
}

}  // namespace strandex
