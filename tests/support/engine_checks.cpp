#include "support/engine_checks.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "engine/demux.h"
#include "engine/engine_run.h"

namespace strandex::test {

ParseTrace traceBytes(const Bytes& bytes, RunMode mode) {
    MemoryFrontEnd ui;
    ui.setTicked(Box::cbDetails, true);
    Session session{ui};
    StreamTable& t = session.table;
    resetForRun(t);
    EngineRun run{session, t, ui, t.ReadBuffer.get(), {}, false};
    run.state.Mode = mode;
    ParseTrace trace;
    for (std::size_t at = 0; at < bytes.size(); at += kBlockSize) {
        std::size_t blockLength = std::min(kBlockSize, bytes.size() - at);
        std::memcpy(t.ReadBuffer.get(), bytes.data() + at, blockLength);
        int still = 0;
        for (std::size_t i = 0; i < blockLength;) {
            std::size_t next = byteStep(run, i, blockLength);
            still = next == i ? still + 1 : 0;
            trace.stalled = trace.stalled || still > 1 || next < i;
            if (trace.stalled) break;
            i = next;
            trace.lowestRemaining = std::min(trace.lowestRemaining, run.state.Remaining);
            trace.highestHeaderLeft = std::max<int>(trace.highestHeaderLeft, run.state.HeaderLeft);
        }
    }
    trace.state = run.state;
    trace.log = ui.logLines;
    return trace;
}

std::int64_t demuxFile(Session& session, const std::string& path, RunMode mode) {
    SourceFile& source = session.table.SourceStream;
    source.open(path);
    demux(session, mode);
    std::int64_t position = source.position();
    source.close();
    return position;
}

Bytes videoPacket(std::uint8_t streamId, const Bytes& payload, std::optional<std::uint64_t> pts,
                  std::optional<std::uint64_t> dts) {
    Pes pes;
    pes.streamId = streamId;
    pes.pts = pts;
    pes.dts = dts;
    pes.payload = payload;
    return pesPacket(pes);
}

Bytes vc1Packet(std::uint8_t extension, const Bytes& payload, std::uint64_t pts) {
    Pes pes;
    pes.streamId = 0xFD;
    pes.pts = pts;
    pes.dts = pts;
    pes.streamIdExtension = extension;
    pes.payload = payload;
    return pesPacket(pes);
}

Bytes fillTo(Bytes bytes, std::size_t total) {
    if (bytes.size() > total) throw std::invalid_argument("the bytes are already longer");
    while (total >= bytes.size() + kPackSize + 6) bytes += pack({});
    std::size_t left = total - bytes.size();
    if (left > 0) bytes += paddingPacket(left);  // throws below 6 bytes
    return bytes;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace strandex::test
