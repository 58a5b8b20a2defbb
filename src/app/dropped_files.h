// Which dropped files the window takes, so that a drag is accepted only for
// them: the drop itself adopts a path by the same rule (adoptDroppedFile).
#pragma once
#include <QString>

namespace strandex {

// A source (.evo, .vob) or a playlist (.xpl), the extension in any case.
bool takesDroppedFile(const QString& path);

}  // namespace strandex
