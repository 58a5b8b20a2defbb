// The streams of a report read back: one by its slot, and every slot in
// the report's order.
#pragma once
#include <string>
#include <vector>

#include "support/json_value.h"

namespace strandex::test {

// Throws JsonError when the report has no stream of the slot.
const JsonValue& streamOf(const JsonValue& report, const std::string& slot);
std::vector<std::string> slotsOf(const JsonValue& report);

}  // namespace strandex::test
