#include "commands/cancel.h"

namespace strandex {

bool bCancelClick(Session& session) {
    StreamTable& t = session.table;
    if (t.BusyFlag && !session.ui.confirm("Are you sure to stop demuxing?")) return false;
    t.StopFlag = 1;
    return true;
}

}  // namespace strandex
