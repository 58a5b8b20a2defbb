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

void EVOadj(Session& session, DialogPresets& dialogs);
void XPLadj(Session& session, DialogPresets& dialogs);

// The drop rule: ".EVO" or ".VOB" (any case) becomes the source, ".XPL" the
// playlist; other files are ignored. Returns false when ignored.
bool adoptDroppedFile(Session& session, DialogPresets& dialogs, const std::string& path);

// What a dropped path is by its extension (from its last dot, any case): a
// source (.EVO, .VOB), a playlist (.XPL) or neither, which a drop ignores.
enum class DroppedFile { none, source, playlist };
DroppedFile droppedFileKind(const std::string& path);

}  // namespace strandex
