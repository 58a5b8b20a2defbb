#include "commands/source_selection.h"

#include <algorithm>
#include <cctype>

namespace strandex {

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string dropTail(const std::string& text, std::size_t n) {
    return text.substr(0, text.size() >= n ? text.size() - n : 0);
}

std::string upperExtension(const std::string& path) {
    std::string name = fileNamePart(path);
    auto dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext;
}

}  // namespace

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
        p.XPLdir = dropTail(p.EVOdir, 9) + "ADV_OBJ/";
        dialogs.xplStartFolder = p.XPLdir;
        p.XPLname = kPlaylistName;
        dialogs.xplFileName = p.XPLname;
        ui.setText(Edit::eXPLfile, p.XPLdir + p.XPLname);
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
    if (ext == ".XPL") return DroppedFile::playlist;
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
