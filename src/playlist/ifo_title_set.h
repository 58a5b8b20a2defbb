// What a DVD title set's IFO (VTS_nn_0.IFO) says of its streams and of its
// first program chain, the title Read XPL shows. Plain data; each field
// holds what could be read, and `notes` says what could not.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "playlist/ifo_time.h"

namespace strandex {

// The first 12 bytes of a title set's IFO.
inline constexpr std::string_view kIfoTitleSetMark = "DVDVIDEO-VTS";

enum class IfoAudioCoding : std::uint8_t { Ac3, Mpeg, Lpcm, Dts, Other };

struct IfoVideo {
    bool read = false;
    bool mpeg1 = false;
    bool pal = false;
    int width = 0;
    int height = 0;
};

struct IfoAudio {
    IfoAudioCoding coding = IfoAudioCoding::Other;
    int channels = 0;
    std::string language;  // two letters as the IFO has them; empty when it gives none
};

struct IfoSubpicture {
    std::string language;
};

struct IfoChapter {
    IfoTime start;
};

struct IfoProgramChain {
    bool read = false;
    bool hasDuration = false;
    IfoTime duration;
    std::vector<IfoChapter> chapters;  // one a program
    bool hasPalette = false;
    std::array<std::uint32_t, 16> palette{};  // 0x00YYCrCb
};

struct IfoTitleSet {
    IfoVideo video;
    std::vector<IfoAudio> audio;          // stream n at index n
    std::vector<IfoSubpicture> subpictures;
    IfoProgramChain title;                // PGC 1
    std::vector<std::string> notes;       // one log line for each thing left out
};

// False unless the bytes start with the title set mark.
bool isIfoTitleSet(std::span<const std::uint8_t> bytes);

// Reads the stream attributes and PGC 1. Never reads outside `bytes`.
IfoTitleSet readIfoTitleSet(std::span<const std::uint8_t> bytes);

}  // namespace strandex
