// Names of the window's controls that the logic reads or sets. The window
// and the console front end both keep a control for each.
#pragma once
#include <array>
#include <string>

namespace strandex {

enum class Button { bCheck, bReadXPL, bDemux, bRebuild, bCancel, bbEVO, bbXPL };
inline constexpr int kButtonCount = 7;

enum class Edit { eEVOfile, eXPLfile, eVideoExt, eAudioExt, eSubExt, eWorkdir };
inline constexpr int kEditCount = 6;

// Check boxes: the 40 stream boxes in their order (cbVideo0..7, cbAudio00..15,
// cbSub00..15), then the option switches: the four the program began with,
// then "Name files by codec" and "Mux into MKV after Demux", which are off
// until the user ticks them.
enum class Box : int {
    cbVideo0 = 0,
    cbAudio00 = 8,
    cbSub00 = 24,
    cbContinue = 40,
    cbFastCheck,
    cbCountFr,
    cbDetails,
    cbCodecFiles,
    cbMuxMkv,
};
inline constexpr int kStreamBoxCount = 40;
inline constexpr int kBoxCount = 46;

inline constexpr Box boxAt(int index) { return static_cast<Box>(index); }
inline constexpr int boxIndex(Box b) { return static_cast<int>(b); }
inline constexpr Box videoBox(int n) { return boxAt(boxIndex(Box::cbVideo0) + n); }
inline constexpr Box audioBox(int n) { return boxAt(boxIndex(Box::cbAudio00) + n); }
inline constexpr Box subBox(int n) { return boxAt(boxIndex(Box::cbSub00) + n); }
inline bool isStreamBox(Box b) { return boxIndex(b) < kStreamBoxCount; }

// "cbVideo0", "cbAudio03", "cbSub15", "cbFastCheck" …
std::string boxName(Box b);
std::string buttonName(Button b);
std::string editName(Edit e);

// Pages of the page control, by index.
enum class Page { tsStatus = 0, tsVideo, tsAudio, tsSubpicture, tsXPL, tsOption };

// The top-level items of the playlist tree tvXPL before any playlist is
// read; Read XPL replaces them with its own.
inline constexpr std::array<const char*, 4> kTreeStartItems{"Video", "Audio", "Subpicture", "Chapter"};

}  // namespace strandex
