#include "playlist/ifo_title_set.h"

#include <algorithm>
#include <array>

#include "playlist/ifo_bytes.h"
#include "playlist/ifo_layout.h"
#include "playlist/ifo_notes.h"
#include "playlist/ifo_program_chain.h"

namespace strandex {

namespace {

// The audio coding mode, the top three bits of an audio entry's first byte.
constexpr std::array<IfoAudioCoding, 8> kAudioCodings{
    IfoAudioCoding::Ac3,  IfoAudioCoding::Other, IfoAudioCoding::Mpeg, IfoAudioCoding::Mpeg,
    IfoAudioCoding::Lpcm, IfoAudioCoding::Other, IfoAudioCoding::Dts,  IfoAudioCoding::Other};

// The picture size field (bits 3-2 of the second byte): widths; the height
// is the standard's, but for size 3 half of it.
constexpr std::array<int, 4> kWidths{720, 704, 352, 352};

// A language given as two ASCII letters when the language type says so
// (1); empty otherwise.
std::string languageAt(const IfoBytes& bytes, std::size_t at, std::uint32_t languageType) {
    auto code = bytes.u16(at);
    if (!code || languageType != 1) return {};
    const char first = static_cast<char>(*code >> 8), second = static_cast<char>(*code & 0xFF);
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!letter(first) || !letter(second)) return {};
    return std::string{first, second};
}

void readVideo(const IfoBytes& bytes, IfoTitleSet& set) {
    auto attributes = bytes.u16(ifo::kVideoAttributes);
    if (!attributes) {
        set.notes.push_back(ifoShortNote("video attributes", ifo::kVideoAttributes, bytes.size()));
        return;
    }
    IfoVideo& video = set.video;
    video.read = true;
    video.mpeg1 = (*attributes >> 14 & 0x03) == 0;
    video.pal = (*attributes >> 12 & 0x03) == 1;
    const std::uint32_t size = *attributes >> 2 & 0x03;
    video.width = kWidths[size];
    video.height = video.pal ? 576 : 480;
    if (size == 3) video.height /= 2;
}

// The count at `countAt`, cut to what the table holds and to what the file holds.
unsigned entryCount(const IfoBytes& bytes, IfoTitleSet& set, const char* what, std::size_t countAt,
                    std::size_t firstAt, std::size_t entry, unsigned most) {
    auto count = bytes.u16(countAt);
    if (!count) {
        set.notes.push_back(ifoShortNote(std::string(what) + " count", countAt, bytes.size()));
        return 0;
    }
    unsigned kept = std::min<unsigned>(*count, most);
    if (kept < *count) set.notes.push_back(ifoCountNote(what, *count, kept));
    while (kept > 0 && !bytes.holds(firstAt, kept * entry)) --kept;
    if (kept < std::min<unsigned>(*count, most))
        set.notes.push_back(ifoShortNote(what, firstAt + kept * entry, bytes.size()));
    return kept;
}

void readAudio(const IfoBytes& bytes, IfoTitleSet& set) {
    const unsigned count = entryCount(bytes, set, "audio streams", ifo::kAudioCount, ifo::kAudioAttributes,
                                      ifo::kAudioEntry, ifo::kAudioMax);
    for (unsigned n = 0; n < count; ++n) {
        const std::size_t at = ifo::kAudioAttributes + n * ifo::kAudioEntry;
        const std::uint32_t first = *bytes.u8(at), second = *bytes.u8(at + 1);
        IfoAudio audio;
        audio.coding = kAudioCodings[first >> 5 & 0x07];
        audio.channels = static_cast<int>(second & 0x07) + 1;
        audio.language = languageAt(bytes, at + 2, first >> 2 & 0x03);
        set.audio.push_back(audio);
    }
}

void readSubpictures(const IfoBytes& bytes, IfoTitleSet& set) {
    const unsigned count = entryCount(bytes, set, "subpicture streams", ifo::kSubCount, ifo::kSubAttributes,
                                      ifo::kSubEntry, ifo::kSubMax);
    for (unsigned n = 0; n < count; ++n) {
        const std::size_t at = ifo::kSubAttributes + n * ifo::kSubEntry;
        set.subpictures.push_back({languageAt(bytes, at + 2, *bytes.u8(at) & 0x03)});
    }
}

}  // namespace

bool isIfoTitleSet(std::span<const std::uint8_t> bytes) { return IfoBytes(bytes).startsWith(kIfoTitleSetMark); }

IfoTitleSet readIfoTitleSet(std::span<const std::uint8_t> data) {
    const IfoBytes bytes(data);
    IfoTitleSet set;
    readVideo(bytes, set);
    readAudio(bytes, set);
    readSubpictures(bytes, set);
    set.title = readFirstProgramChain(bytes, set.notes);
    return set;
}

}  // namespace strandex
