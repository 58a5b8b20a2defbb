#include "support/lpcm_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace strandex::test {

std::uint8_t lpcmFormatByte(int bits, int rate, int channels) {
    int size = bits == 16 ? 0 : bits == 20 ? 1 : 2;
    int rateCode = rate == 96000 ? 1 : 0;
    return static_cast<std::uint8_t>(size << 6 | rateCode << 4 | (channels - 1));
}

Samples randomSamples(int bits, int channels, std::size_t frames, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> value(-(1 << (bits - 1)), (1 << (bits - 1)) - 1);
    Samples s(frames * static_cast<std::size_t>(channels));
    for (auto& v : s) v = value(random);
    return s;
}

Bytes discSamples(const Samples& samples, int bits, int channels) {
    Bytes out;
    if (bits == 16) {
        for (std::int32_t v : samples) out += {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
        return out;
    }
    const std::size_t block = channels == 1 ? 2 : 4;
    for (std::size_t at = 0; at + block <= samples.size(); at += block) {
        const int lowBits = bits - 16;
        for (std::size_t k = 0; k < block; ++k) {
            std::int32_t high = samples[at + k] >> lowBits;
            out += {static_cast<std::uint8_t>(high >> 8), static_cast<std::uint8_t>(high)};
        }
        for (std::size_t k = 0; k < block; ++k) {
            std::uint8_t low = static_cast<std::uint8_t>(samples[at + k] & ((1 << lowBits) - 1));
            if (bits == 24)
                out.push_back(low);
            else if (k % 2 == 0)
                out.push_back(static_cast<std::uint8_t>(low << 4));
            else
                out.back() |= low;
        }
    }
    return out;
}

Bytes lpcmSource(const Bytes& sampleBytes, std::uint8_t formatByte, std::size_t perPacket, std::uint8_t slot) {
    Bytes file;
    std::uint64_t pts = 90000;
    for (std::size_t at = 0; at < sampleBytes.size(); at += perPacket) {
        std::size_t n = std::min(perPacket, sampleBytes.size() - at);
        Bytes header{static_cast<std::uint8_t>(0xA0 + slot), 0x01, 0x00, 0x04, 0x00, formatByte, 0x80};
        Bytes piece(sampleBytes.begin() + static_cast<std::ptrdiff_t>(at),
                    sampleBytes.begin() + static_cast<std::ptrdiff_t>(at + n));
        file += pack({privateStream1(header + piece, pts)});
        pts += 900;
    }
    return file;
}

std::string commandOutput(const std::string& command) {
    std::string out;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

Samples ffmpegSamples(const TempDir& dir, const std::string& path) {
    const std::string raw = dir.file("ffmpeg.s32le");
    std::string command = "ffmpeg -nostdin -v error -y -i '" + path + "' -map 0:a:0 -f s32le '" + raw + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    Bytes bytes = readFile(raw);
    Samples s(bytes.size() / 4);
    for (std::size_t k = 0; k < s.size(); ++k)
        s[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[4 * k]) |
                                         static_cast<std::uint32_t>(bytes[4 * k + 1]) << 8 |
                                         static_cast<std::uint32_t>(bytes[4 * k + 2]) << 16 |
                                         static_cast<std::uint32_t>(bytes[4 * k + 3]) << 24);
    return s;
}

Samples wavSamples(const Bytes& wav, std::size_t headerSize, int containerBits) {
    const std::size_t width = static_cast<std::size_t>(containerBits / 8);
    Samples s;
    for (std::size_t at = headerSize; at + width <= wav.size(); at += width) {
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < width; ++k) v |= static_cast<std::uint32_t>(wav[at + k]) << (8 * k);
        s.push_back(static_cast<std::int32_t>(v << (32 - containerBits)));
    }
    return s;
}

std::string ffprobeAudio(const std::string& path, const std::string& entries) {
    return commandOutput("ffprobe -v error -select_streams a:0 -show_entries stream=" + entries +
                         " -of default=noprint_wrappers=1 '" + path + "'");
}

}  // namespace strandex::test
