#include "engine_input.h"

#include <algorithm>

#include "cli/memory_front_end.h"
#include "engine/demux.h"

namespace strandex::fuzz {

namespace {

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

EngineOutcome runEngine(const std::string& source, std::size_t fileSize, RunMode mode, bool plain,
                        const std::string& outDir) {
    MemoryFrontEnd ui;
    Session session(ui);
    session.plainByteStep = plain;
    std::uint8_t* buffer = session.table.ReadBuffer.get();
    std::uint8_t* tail = buffer + std::min(fileSize, kBlockSize);
    poison(tail, buffer + kBlockSize);
    EngineOutcome o = test::runDemux(ui, session, source, mode, outDir);
    unpoison(tail, buffer + kBlockSize);
    return o;
}

void requireSame(const EngineOutcome& a, const EngineOutcome& b, const std::string& what) {
    std::string difference = test::outcomeDifference(a, b);
    require(difference.empty(), what + ":\n" + difference);
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
