#include "engine_input.h"

#include <algorithm>

#include "cli/memory_front_end.h"
#include "engine/demux.h"

namespace strandex::fuzz {

namespace {

OutputFile& outputOf(StreamTable& t, int i) {
    if (i < 8) return t.VideoOut.at(static_cast<std::size_t>(i));
    if (i < 24) return t.AudioOut.at(static_cast<std::size_t>(i - 8));
    return t.SubpictureOut.at(static_cast<std::size_t>(i - 24));
}

template <std::size_t N>
std::string idsText(const std::array<std::int32_t, N>& ids) {
    std::string text;
    for (auto id : ids) text += " " + std::to_string(id);
    return text;
}

bool oneOf(std::int32_t v, std::initializer_list<std::int32_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), v) != allowed.end();
}

// Private stream 1 packets of the unknown substream 0xFF, together exactly
// n bytes: the engine passes over each payload in one step, fast or plain.
Bytes filler(std::size_t n) {
    constexpr std::size_t kLargest = 6 + 65535;
    std::size_t count = (n + kLargest - 1) / kLargest;
    Bytes out;
    for (std::size_t k = 0; k < count; ++k) {
        std::size_t total = n / count + (k < n % count ? 1 : 0);
        std::size_t length = total - 6;
        Bytes packet{0x00, 0x00, 0x01, 0xBD, static_cast<std::uint8_t>(length >> 8),
                     static_cast<std::uint8_t>(length), 0x81, 0x00, 0x00};
        packet.resize(total, 0xFF);
        out.insert(out.end(), packet.begin(), packet.end());
    }
    return out;
}

}  // namespace

std::size_t writeSource(const std::uint8_t* data, std::size_t size, const std::string& path) {
    if (size >= 2 && data[0] == kStraddleMarker) {
        std::size_t rest = size - 2;
        std::size_t inFirst = std::min<std::size_t>(rest, std::size_t{data[1]} * 16);
        Bytes file = filler(kBlockSize - inFirst);
        file.insert(file.end(), data + 2, data + size);
        writeFile(path, file.data(), file.size());
        return file.size();
    }
    writeFile(path, data, size);
    return size;
}

std::vector<int> slotBoxIndexes() {
    std::vector<int> boxes{0, 1};
    for (int n = 0; n < 16; ++n) boxes.push_back(8 + n);
    for (int n = 0; n < 16; ++n) boxes.push_back(24 + n);
    return boxes;
}

std::string outputFileName(int boxIndex) { return boxName(boxAt(boxIndex)) + ".out"; }

EngineOutcome runEngine(const std::string& source, std::size_t fileSize, RunMode mode, bool plain,
                        const std::string& outDir) {
    MemoryFrontEnd ui;
    Session session(ui);
    session.plainByteStep = plain;
    StreamTable& t = session.table;
    if (mode == RunMode::Write)
        for (int i : slotBoxIndexes()) {
            ui.setBoxEnabled(boxAt(i), true);  // Demux makes files for enabled boxes
            ui.setTicked(boxAt(i), true);
            outputOf(t, i).create(outDir + "/" + outputFileName(i));
        }
    t.SourceStream.open(source);
    std::uint8_t* buffer = t.ReadBuffer.get();
    std::uint8_t* tail = buffer + std::min(fileSize, kBlockSize);
    poison(tail, buffer + kBlockSize);
    EngineOutcome o;
    try {
        demux(session, mode);
    } catch (const FileError& e) {
        o.error = e.what();
    }
    unpoison(tail, buffer + kBlockSize);
    o.position = t.SourceStream.position();
    t.SourceStream.close();
    o.log = ui.logLines;
    o.frames = t.FrameCount;
    o.videoIds = t.VideoIds;
    o.audioIds = t.AudioIds;
    o.subIds = t.SubpictureIds;
    o.videoDetails = t.VideoDetailsLogged;
    o.audioDetails = t.AudioDetailsLogged;
    o.stopFlag = t.StopFlag;
    o.scrambled = t.Scrambled;
    if (mode == RunMode::Write)
        for (int i : slotBoxIndexes()) {
            OutputFile& out = outputOf(t, i);
            std::string path = out.path();
            out.close();
            o.outputs.push_back(readFile(path));
        }
    return o;
}

void requireSame(const EngineOutcome& a, const EngineOutcome& b, const std::string& what) {
    require(a.log == b.log, what + ": the logs differ\nfirst:\n" + joined(a.log) + "second:\n" + joined(b.log));
    require(a.frames == b.frames, what + ": frame counts differ: " + idsText(a.frames) + " /" + idsText(b.frames));
    require(a.videoIds == b.videoIds, what + ": video ids differ:" + idsText(a.videoIds) + " /" + idsText(b.videoIds));
    require(a.audioIds == b.audioIds, what + ": audio ids differ:" + idsText(a.audioIds) + " /" + idsText(b.audioIds));
    require(a.subIds == b.subIds, what + ": subpicture ids differ:" + idsText(a.subIds) + " /" + idsText(b.subIds));
    require(a.videoDetails == b.videoDetails && a.audioDetails == b.audioDetails, what + ": details flags differ");
    require(a.stopFlag == b.stopFlag, what + ": StopFlag differs");
    require(a.scrambled == b.scrambled, what + ": the scrambling bits were seen by one run only");
    require(a.position == b.position, what + ": the runs end at different positions");
    require(a.error == b.error, what + ": errors differ: '" + a.error + "' / '" + b.error + "'");
    require(a.outputs.size() == b.outputs.size(), what + ": output counts differ");
    std::vector<int> boxes = slotBoxIndexes();
    for (std::size_t k = 0; k < a.outputs.size(); ++k)
        require(a.outputs[k] == b.outputs[k], what + ": output " + outputFileName(boxes[k]) + " differs: " +
                                                  std::to_string(a.outputs[k].size()) + " bytes / " +
                                                  std::to_string(b.outputs[k].size()) + " bytes");
}

void requireSlotRules(const EngineOutcome& o) {
    for (int s = 0; s < 16; ++s) {
        std::int32_t v = o.videoIds[static_cast<std::size_t>(s)];
        bool ok = s < 2 ? oneOf(v, {-1, 0xE0 | s, 0xE2 | s, 0x55 + s}) : v == -1;
        require(ok, "video slot " + std::to_string(s) + " holds " + std::to_string(v));
    }
    for (int s = 0; s < 16; ++s) {
        std::int32_t v = o.audioIds[static_cast<std::size_t>(s)];
        bool ok = s < 8 ? oneOf(v, {-1, 0x80 + s, 0x88 + s, 0xA0 + s, 0xB0 + s, 0xC0 + s}) : oneOf(v, {-1, 0xC0 + s});
        require(ok, "audio slot " + std::to_string(s) + " holds " + std::to_string(v));
    }
    for (int s = 0; s < 32; ++s) {
        std::int32_t v = o.subIds[static_cast<std::size_t>(s)];
        require(oneOf(v, {-1, 0x20 + s, 0x60 + s}), "subpicture slot " + std::to_string(s) + " holds " + std::to_string(v));
    }
    for (int s = 0; s < 2; ++s)
        require(!o.videoDetails[static_cast<std::size_t>(s)] || o.videoIds[static_cast<std::size_t>(s)] != -1,
                "details logged for an empty video slot");
    for (int s = 0; s < 16; ++s)
        require(!o.audioDetails[static_cast<std::size_t>(s)] || o.audioIds[static_cast<std::size_t>(s)] != -1,
                "details logged for an empty audio slot");
    for (std::int32_t f : o.frames) require(f >= 0, "a negative frame count");
}

}  // namespace strandex::fuzz
