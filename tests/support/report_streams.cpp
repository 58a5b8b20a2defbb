#include "support/report_streams.h"

namespace strandex::test {

const JsonValue& streamOf(const JsonValue& report, const std::string& slot) {
    for (const auto& s : report["streams"].items)
        if (s["slot"].text == slot) return s;
    throw JsonError("no stream " + slot);
}

std::vector<std::string> slotsOf(const JsonValue& report) {
    std::vector<std::string> slots;
    for (const auto& s : report["streams"].items) slots.push_back(s["slot"].text);
    return slots;
}

}  // namespace strandex::test
