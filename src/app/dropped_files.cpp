#include "app/dropped_files.h"

#include <QFileInfo>
#include <array>

namespace strandex {

namespace {
constexpr std::array<const char*, 3> kTakenExtensions{"evo", "vob", "xpl"};
}  // namespace

bool takesDroppedFile(const QString& path) {
    const QString extension = QFileInfo(path).suffix();
    for (const char* taken : kTakenExtensions)
        if (extension.compare(QLatin1String(taken), Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace strandex
