// LPCM test streams packed as the disc stores them, in program stream
// packs, and the tools that read them back: ffmpeg's decoding of a source
// to 32-bit samples and ffprobe's view of a file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/pack_builder.h"

namespace strandex::test {

using Samples = std::vector<std::int32_t>;  // in stream order, each in the low `bits` bits

// The LPCM header's format byte: bits, 48 or 96 kHz, channels.
std::uint8_t lpcmFormatByte(int bits, int rate, int channels);

// Random samples of `bits` bits, `frames` frames of `channels`.
Samples randomSamples(int bits, int channels, std::size_t frames, std::uint32_t seed);

// The samples as the disc stores them: 16 bits big-endian; 20 and 24 bits
// in blocks of four samples (two for mono), the high 16 bits of each, then
// their low bits packed.
Bytes discSamples(const Samples& samples, int bits, int channels);

// The sample bytes in LPCM packets of substream 0xA0 + slot, `perPacket`
// sample bytes each (groups cut between packets as they come), one pack a
// packet.
Bytes lpcmSource(const Bytes& sampleBytes, std::uint8_t formatByte, std::size_t perPacket = 2000,
                 std::uint8_t slot = 0);

// ffmpeg's decoding of the first audio stream of a file as 32-bit samples
// (each in the high bits); fails the test when ffmpeg cannot run.
Samples ffmpegSamples(const TempDir& dir, const std::string& path);

// The samples of a 16-bit or 24-bit WAV file's data chunk, as 32-bit
// (high bits); the header is taken as Demux writes it.
Samples wavSamples(const Bytes& wav, std::size_t headerSize, int containerBits);

// ffprobe's entries of the first audio stream, "key=value" lines.
std::string ffprobeAudio(const std::string& path, const std::string& entries);

// The output of a shell command line (stderr left out).
std::string commandOutput(const std::string& command);

}  // namespace strandex::test
