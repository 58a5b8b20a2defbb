#include "commands/cancel.h"

namespace strandex {

void bCancelClick(Session& session) {
    StreamTable& t = session.table;
    if (!t.BusyFlag || session.ui.confirm("Are you sure to stop demuxing?")) t.StopFlag = 1;
}

}  // namespace strandex
