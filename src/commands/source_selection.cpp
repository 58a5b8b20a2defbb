#include "commands/source_selection.h"

#include <algorithm>
#include <cctype>

#include "engine/file_io.h"

namespace strandex {

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string dropTail(const std::string& text, std::size_t n) {
    return text.substr(0, text.size() >= n ? text.size() - n : 0);
}

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string upperExtension(const std::string& path) {
    std::string name = fileNamePart(path);
    auto dot = name.find_last_of('.');
    return upperCase(dot == std::string::npos ? "" : name.substr(dot));
}

// A folder named VIDEO_TS in any case: "…/video_ts/" or "VIDEO_TS/".
bool isVideoTsFolder(const std::string& folder) {
    const std::string upper = upperCase(folder);
    return endsWith(upper, "VIDEO_TS/") && (upper.size() == 9 || upper[upper.size() - 10] == '/');
}

// The playlist a DVD source has beside it: the IFO of its title set, named
// in the case the source's name is written in.
std::string titleSetIfoBeside(const SourcePaths& p) {
    const std::string ifo = titleSetIfoName(p.EVOname);
    return !ifo.empty() && isVideoTsFolder(p.EVOdir) && fileExists(p.EVOdir + ifo) ? ifo : "";
}

// Takes the playlist `name` in `folder` as the source's, as a dialog does.
void presetPlaylist(Session& session, DialogPresets& dialogs, const std::string& folder, const std::string& name) {
    SourcePaths& p = session.paths;
    p.XPLdir = folder;
    dialogs.xplStartFolder = p.XPLdir;
    p.XPLname = name;
    dialogs.xplFileName = p.XPLname;
    session.ui.setText(Edit::eXPLfile, p.XPLdir + p.XPLname);
}

}  // namespace

std::string titleSetIfoName(const std::string& vobName) {
    const std::string upper = upperCase(vobName);
    auto digit = [&](std::size_t at) { return std::isdigit(static_cast<unsigned char>(upper[at])) != 0; };
    if (upper.size() != 12 || upper.compare(0, 4, "VTS_") != 0 || !digit(4) || !digit(5) || upper[6] != '_' ||
        upper[7] < '1' || upper[7] > '9' || upper.compare(8, 4, ".VOB") != 0)
        return "";
    std::string ifo = vobName.substr(0, 7) + "0.IFO";
    for (std::size_t k = 9; k < 12; ++k)
        if (std::islower(static_cast<unsigned char>(vobName[k])))
            ifo[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(ifo[k])));
    return ifo;
}

std::string fileNamePart(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderPart(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

bool namesAPlaylist(const std::string& path) {
    return !folderPart(path).empty() && !fileNamePart(path).empty();
}

void EVOadj(Session& session, DialogPresets& dialogs) {
    FrontEnd& ui = session.ui;
    SourcePaths& p = session.paths;
    std::string path = ui.text(Edit::eEVOfile);
    ui.setEnabled(Button::bCheck, !path.empty());
    p.EVOname = fileNamePart(path);
    p.EVObase = dropTail(p.EVOname, 4);  // the dot and a three-letter extension
    p.EVOdir = folderPart(path);
    dialogs.evoStartFolder = p.EVOdir;
    ui.setText(Edit::eXPLfile, kPlaylistName);
    if (endsWith(p.EVOdir, "HVDVD_TS/")) {
        presetPlaylist(session, dialogs, dropTail(p.EVOdir, 9) + "ADV_OBJ/", kPlaylistName);
    } else if (const std::string ifo = titleSetIfoBeside(p); !ifo.empty()) {
        presetPlaylist(session, dialogs, p.EVOdir, ifo);
    }
    ui.setEnabled(Button::bReadXPL, namesAPlaylist(ui.text(Edit::eXPLfile)));
}

void XPLadj(Session& session, DialogPresets& dialogs) {
    FrontEnd& ui = session.ui;
    SourcePaths& p = session.paths;
    std::string path = ui.text(Edit::eXPLfile);
    ui.setEnabled(Button::bReadXPL, namesAPlaylist(path));
    // A bare name (the hint, or what a cancelled dialog gives back) chooses
    // nothing: the playlist chosen before, and its folder, stay.
    if (folderPart(path).empty() && !path.empty()) return;
    p.XPLname = fileNamePart(path);
    p.XPLdir = folderPart(path);
    dialogs.xplStartFolder = p.XPLdir;
    if (endsWith(p.XPLdir, "ADV_OBJ/")) {
        p.EVOdir = dropTail(p.XPLdir, 8) + "HVDVD_TS/";
        dialogs.evoStartFolder = p.EVOdir;
    }
}

DroppedFile droppedFileKind(const std::string& path) {
    std::string ext = upperExtension(path);
    if (ext == ".EVO" || ext == ".VOB") return DroppedFile::source;
    if (ext == ".XPL" || ext == ".IFO") return DroppedFile::playlist;
    return DroppedFile::none;
}

bool adoptDroppedFile(Session& session, DialogPresets& dialogs, const std::string& path) {
    switch (droppedFileKind(path)) {
        case DroppedFile::source:
            session.ui.setText(Edit::eEVOfile, path);
            EVOadj(session, dialogs);
            return true;
        case DroppedFile::playlist:
            session.ui.setText(Edit::eXPLfile, path);
            XPLadj(session, dialogs);
            return true;
        case DroppedFile::none: break;
    }
    return false;
}

}  // namespace strandex
