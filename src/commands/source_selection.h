// Adopting a chosen source or playlist: the names and folders the commands
// use, the buttons that can now work, and the other file's folder guessed
// from the disc layout (EVO files in HVDVD_TS, the playlist in ADV_OBJ).
#pragma once
#include <string>

#include "engine/session.h"

namespace strandex {

inline constexpr const char* kPlaylistName = "VPLST000.XPL";

// Everything after the last "/"; the folder with its trailing "/".
std::string fileNamePart(const std::string& path);
std::string folderPart(const std::string& path);

// The playlist edit names a file only when it holds a folder and a name: a
// bare "VPLST000.XPL" is the hint of the file to choose, which "Read XPL"
// would otherwise look for in whatever folder the program was started in.
bool namesAPlaylist(const std::string& path);

// Start folders and preset names of the two open dialogs, which belong to
// the window; kept here so the guesses can be made without one.
struct DialogPresets {
    std::string evoStartFolder;
    std::string xplStartFolder;
    std::string evoFileName;  // what the source dialog holds: the last choice
    std::string xplFileName;  // the last choice, or the name EVOadj preset
};

// A source in HVDVD_TS gets ADV_OBJ/VPLST000.XPL as its playlist; a DVD
// source VTS_nn_m.VOB in a VIDEO_TS folder (any case) gets the title set's
// VTS_nn_0.IFO beside it, when that file is there.
void EVOadj(Session& session, DialogPresets& dialogs);
void XPLadj(Session& session, DialogPresets& dialogs);

// "VTS_01_0.IFO" for "VTS_01_1.VOB" (m 1 to 9, any case; the extension's
// letters keep the case of the source's); empty for any other name.
std::string titleSetIfoName(const std::string& vobName);

// The drop rule: ".EVO" or ".VOB" (any case) becomes the source, ".XPL" or
// ".IFO" the playlist; other files are ignored. Returns false when ignored.
bool adoptDroppedFile(Session& session, DialogPresets& dialogs, const std::string& path);

// What a dropped path is by its extension (from its last dot, any case): a
// source (.EVO, .VOB), a playlist (.XPL, or a DVD's .IFO) or neither,
// which a drop ignores.
enum class DroppedFile { none, source, playlist };
DroppedFile droppedFileKind(const std::string& path);

}  // namespace strandex
