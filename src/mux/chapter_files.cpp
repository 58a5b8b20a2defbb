#include "mux/chapter_files.h"

#include "commands/demux_options.h"
#include "engine/file_io.h"
#include "mux/chapter_formats.h"

namespace strandex {

namespace {

constexpr const char* kNoTitle = "No chapter files: Read XPL found no title for this source";
constexpr const char* kNoChapters = "No chapter files: the title has no chapters";

void writeFile(FrontEnd& ui, const std::string& path, const std::string& text) {
    OutputFile file;
    file.create(path);
    ui.log("Creating " + path);
    file.append(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    file.close();
}

}  // namespace

std::string writeChapterFiles(Session& session, const std::string& prefix) {
    if (!chaptersWanted(session)) return "";
    const PlaylistFacts& facts = session.playlist;
    FrontEnd& ui = session.ui;
    // Facts read for another source would give this one the wrong chapters.
    if (!facts.titleFound || facts.sourceBase != session.paths.EVObase) {
        ui.log(kNoTitle);
        return "";
    }
    if (facts.chapters.empty()) {
        ui.log(kNoChapters);
        return "";
    }
    writeFile(ui, chapterTextPath(prefix), ogmChapters(facts));
    writeFile(ui, chapterXmlPath(prefix), matroskaChapters(facts));
    return chapterTextPath(prefix);
}

std::string chapterTextPath(const std::string& prefix) { return prefix + ".chapters.txt"; }
std::string chapterXmlPath(const std::string& prefix) { return prefix + ".chapters.xml"; }

}  // namespace strandex
