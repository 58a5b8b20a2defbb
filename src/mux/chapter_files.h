// The chapter files Demux writes beside its streams when chapters are
// asked for (Session::writeChapters): OUT/BASE.chapters.txt (OGM simple
// format) and OUT/BASE.chapters.xml (Matroska XML), BASE as the streams'.
#pragma once
#include <string>

#include "engine/session.h"

namespace strandex {

// `prefix` is Demux's output prefix: the work folder and FEATURE_1 or
// FEATURE_1_2. Does nothing while chapters are not asked for. Writes both
// files, each with a "Creating NAME" line, when Read XPL found this
// source's title and it has chapters; else logs why there are none. A file
// that cannot be created or written raises FileError. Returns the path of
// the OGM file when the files were written, else an empty text.
std::string writeChapterFiles(Session& session, const std::string& prefix);

// OUT/BASE.chapters.txt and OUT/BASE.chapters.xml for Demux's prefix.
std::string chapterTextPath(const std::string& prefix);
std::string chapterXmlPath(const std::string& prefix);

}  // namespace strandex
