#pragma once
#include "engine/session.h"

namespace strandex {

// Cancel: a scan stops after its block at once; a writing run asks first.
void bCancelClick(Session& session);

}  // namespace strandex
