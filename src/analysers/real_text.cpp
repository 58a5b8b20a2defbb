#include "analysers/real_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace strandex {

std::string realText(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    std::string s = text;
    // An exponent is written as E followed by its digits alone: 1E15, 1E-5.
    auto e = s.find('e');
    if (e == std::string::npos) return s;
    int exponent = std::atoi(s.c_str() + e + 1);
    return s.substr(0, e) + "E" + std::to_string(exponent);
}

}  // namespace strandex
