// Subpicture streams as VobSub pairs (NAME.idx + NAME.sub) when files are
// named by codec: whether the title's colours are known for this source,
// the .idx written beside the .sub Demux wrote, and the lines that say
// why a stream stayed .sup.
#pragma once
#include <string>
#include <string_view>

#include "engine/session.h"

namespace strandex {

// The playlist read for this source gave a colour table.
bool colourTableFor(const Session& session);

// The language as a .idx gives it: two letters; "und" and codes without
// a two-letter form give "--", which the .idx reader takes for none.
std::string vobsubLanguage(std::string_view code);

// Writes `idxPath` for subpicture slot `slot`, whose units went to the
// .sub beside it; "Cannot create file" when it cannot be made.
void writeVobSubIndex(Session& session, int slot, const std::string& idxPath);

// The line of a stream that stayed .sup, empty for one that did not;
// the line of units left out of a .sub, empty when none were.
std::string staysSupLine(const VobSubOutput& vobsub, const std::string& file);
std::string droppedUnitsLine(const VobSubOutput& vobsub, const std::string& file);

}  // namespace strandex
