#include "app/dropped_files.h"

#include "commands/source_selection.h"

namespace strandex {

bool takesDroppedFile(const QString& path) { return droppedFileKind(path.toStdString()) != DroppedFile::none; }

}  // namespace strandex
