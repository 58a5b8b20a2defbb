#pragma once
#include "engine/session.h"

namespace strandex {

// Cancel: a scan stops after its block at once; a writing run asks first.
// Returns whether the run is to stop (false when the user says No). Closing
// the window during a run follows the same rule.
bool bCancelClick(Session& session);

}  // namespace strandex
